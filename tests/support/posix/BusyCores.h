// Processes that keep some cores busy for as long as the object lives, so a
// benchmark can report what a loaded machine does as well as an idle one.
// They are other processes, as the load on a user's machine is, not threads
// of the benchmark's own.
#pragma once

#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <vector>

namespace zrtest {

class BusyCores {
 public:
  explicit BusyCores(int count) {
    const pid_t parent = getpid();
    for (int i = 0; i < count; ++i) {
      pid_t child = fork();
      if (child == 0) {
        // Gone with the program that made it, should that end without its
        // destructor (a crash, a failed assertion that aborts).
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parent) _exit(0);
        // Only a loop here: the parent's other threads were not copied, nor may
        // their locks be taken.
        volatile unsigned long spin = 0;
        for (;;) ++spin;
      }
      if (child > 0) children_.push_back(child);
    }
  }
  ~BusyCores() {
    for (pid_t child : children_) kill(child, SIGKILL);
    for (pid_t child : children_) waitpid(child, nullptr, 0);
  }
  BusyCores(const BusyCores&) = delete;
  BusyCores& operator=(const BusyCores&) = delete;

 private:
  std::vector<pid_t> children_;
};

}  // namespace zrtest
