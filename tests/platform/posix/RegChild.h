// Runs reg_child, the registry's other process in these tests, and reads
// what it says.
#pragma once

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

extern char** environ;

namespace zrtest {

struct Child {
  pid_t pid = -1;
  int out = -1;  // the child's standard output
};

inline Child Spawn(const std::vector<std::string>& args) {
  std::vector<std::string> all = {ZR_REG_CHILD};
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& arg : all) argv.push_back(&arg[0]);
  argv.push_back(nullptr);
  int pipeFds[2];
  if (pipe2(pipeFds, O_CLOEXEC) != 0) return Child{};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 1);
  Child child;
  if (posix_spawn(&child.pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) child.pid = -1;
  posix_spawn_file_actions_destroy(&actions);
  close(pipeFds[1]);
  child.out = pipeFds[0];
  return child;
}

// One line of the child's output without its end; empty at the end of it.
inline std::string ReadLine(int fd) {
  std::string line;
  char c;
  while (read(fd, &c, 1) == 1 && c != '\n') line += c;
  return line;
}

inline std::string ReadAll(int fd) {
  std::string all;
  char chunk[4096];
  ssize_t got;
  while ((got = read(fd, chunk, sizeof chunk)) > 0) all.append(chunk, static_cast<std::size_t>(got));
  return all;
}

// The exit status, or 128 + the signal that ended it.
inline int Wait(pid_t pid) {
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// Runs the child to its end; its output and status.
inline std::string RunChild(const std::vector<std::string>& args, int* status) {
  Child child = Spawn(args);
  EXPECT_GT(child.pid, 0);
  if (child.pid <= 0) return std::string();
  std::string out = ReadAll(child.out);
  close(child.out);
  *status = Wait(child.pid);
  return out;
}

}  // namespace zrtest
