// A process's private temporary folder and the ways a process ends: each
// signal that ends a process by default removes it, and the process still
// ends by that signal; a child forked after the folder was made does not
// remove its parent's when the child exits. Each case runs in a child
// process, with a temporary root of the test's own.
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "platform/posix/TempFolders.h"
#include "tests/support/Env.h"

namespace {

bool IsFolder(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

class ProcessEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/zr-process-end.XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    m_root = pattern;
    m_tmp = std::make_unique<zrtest::ScopedEnv>("TMPDIR", m_root.c_str());
  }
  void TearDown() override {
    m_tmp.reset();
    std::system(("rm -rf '" + m_root + "'").c_str());
  }

  // Runs `body` in a child, which writes the folder it made to a pipe;
  // returns the child's wait status and that folder.
  template <typename Body>
  int InChild(Body body, std::string& folder) {
    int ends[2];
    if (pipe(ends) != 0) return -1;
    pid_t child = fork();
    if (child == 0) {
      close(ends[0]);
      body(ends[1]);
      _exit(99);
    }
    close(ends[1]);
    char buffer[4096];
    ssize_t length = read(ends[0], buffer, sizeof buffer);
    close(ends[0]);
    folder.assign(buffer, length > 0 ? static_cast<std::size_t>(length) : 0);
    int status = 0;
    waitpid(child, &status, 0);
    return status;
  }

  std::string m_root;
  std::unique_ptr<zrtest::ScopedEnv> m_tmp;
};

TEST_F(ProcessEnd, EachEndingSignalRemovesTheFolderAndStillEndsTheProcess) {
  for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE}) {
    SCOPED_TRACE(strsignal(signal));
    std::string folder;
    int status = InChild(
        [signal](int report) {
          // As a shell's background job may start it: some already ignored.
          for (int s : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE}) ::signal(s, SIG_DFL);
          std::string made = zrplatform::posix::MakeOwnTempFolder("zraddrres-registry");
          if (write(report, made.data(), made.size()) < 0) _exit(98);
          close(report);
          // A file in it, as the hives are.
          if (FILE* file = std::fopen((made + "/HKLM.reg").c_str(), "w")) std::fclose(file);
          struct rlimit none = {0, 0};
          setrlimit(RLIMIT_CORE, &none);
          raise(signal);
        },
        folder);
    ASSERT_FALSE(folder.empty());
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << "wait status " << status;
    EXPECT_FALSE(IsFolder(folder)) << folder;
  }
}

TEST_F(ProcessEnd, AnIgnoredSignalIsLeftIgnored) {
  std::string folder;
  int status = InChild(
      [](int report) {
        ::signal(SIGPIPE, SIG_IGN);
        std::string made = zrplatform::posix::MakeOwnTempFolder("zraddrres-registry");
        if (write(report, made.data(), made.size()) < 0) _exit(98);
        close(report);
        raise(SIGPIPE);
        std::exit(7);  // the exit handlers remove the folder
      },
      folder);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 7) << "wait status " << status;
  EXPECT_FALSE(IsFolder(folder)) << folder;
}

TEST_F(ProcessEnd, AForkedChildLeavesItsParentsFolderAlone) {
  std::string folder;
  int status = InChild(
      [](int report) {
        std::string made = zrplatform::posix::MakeOwnTempFolder("zraddrres-registry");
        pid_t grandchild = fork();
        if (grandchild == 0) std::exit(0);  // runs the exit handlers it inherited
        int ignored = 0;
        waitpid(grandchild, &ignored, 0);
        // Still there for the parent: say so, then end without removing it.
        std::string answer = IsFolder(made) ? made : std::string("gone");
        if (write(report, answer.data(), answer.size()) < 0) _exit(98);
        _exit(0);
      },
      folder);
  EXPECT_TRUE(WIFEXITED(status)) << "wait status " << status;
  EXPECT_NE(folder, "gone");
  EXPECT_TRUE(IsFolder(folder)) << folder;
}

}  // namespace
