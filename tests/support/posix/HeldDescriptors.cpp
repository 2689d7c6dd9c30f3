#include "tests/support/HeldDescriptors.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

namespace zrtest {

HeldDescriptors::HeldDescriptors(int count) {
  rlimit limit{};
  const rlim_t wanted = static_cast<rlim_t>(count) + 64;
  if (::getrlimit(RLIMIT_NOFILE, &limit) != 0) {
    m_whyNot = "no descriptor limit to read";
    return;
  }
  if (limit.rlim_cur != RLIM_INFINITY && limit.rlim_cur < wanted) {
    if (limit.rlim_max != RLIM_INFINITY && limit.rlim_max < wanted) {
      m_whyNot = "the descriptor limit is " + std::to_string(limit.rlim_max);
      return;
    }
    limit.rlim_cur = wanted;
    if (::setrlimit(RLIMIT_NOFILE, &limit) != 0) {
      m_whyNot = "the descriptor limit cannot be raised";
      return;
    }
  }
  int null = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
  if (null < 0) {
    m_whyNot = "no /dev/null";
    return;
  }
  m_held.push_back(null);
  while (static_cast<int>(m_held.size()) < count) {
    int fd = ::fcntl(null, F_DUPFD_CLOEXEC, 0);
    if (fd < 0) {
      m_whyNot = "only " + std::to_string(m_held.size()) + " descriptors could be opened";
      return;
    }
    m_held.push_back(fd);
  }
}

HeldDescriptors::~HeldDescriptors() {
  for (int fd : m_held) ::close(fd);
}

}  // namespace zrtest
