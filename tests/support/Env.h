// Environment variables for tests, the same call on both targets.
#pragma once

#include <string>

namespace zrtest {

void SetEnv(const char* name, const char* value);  // null value removes the variable
std::string GetEnv(const char* name);               // "" when unset
// A file in the running program's folder: relative is written with '/'.
std::string BesideProgram(const std::string& relative);

// Sets a variable for the life of the object, then puts the old value back.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value);
  ~ScopedEnv();
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  std::string m_name;
  std::string m_old;
  bool m_hadOld;
};

}  // namespace zrtest
