#include "tests/support/Env.h"

#include <cstdlib>

namespace zrtest {

std::string GetEnv(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

ScopedEnv::ScopedEnv(const char* name, const char* value) : m_name(name), m_hadOld(std::getenv(name) != nullptr) {
  if (m_hadOld) m_old = std::getenv(name);
  SetEnv(name, value);
}

ScopedEnv::~ScopedEnv() { SetEnv(m_name.c_str(), m_hadOld ? m_old.c_str() : nullptr); }

}  // namespace zrtest
