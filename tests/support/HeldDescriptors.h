// Many descriptors held open at once, as by an application with many files
// or many abandoned lookups, so that the next socket gets a high number.
#pragma once

#include <string>
#include <vector>

namespace zrtest {

class HeldDescriptors {
 public:
  // Holds `count` descriptors, raising the process's limit when it must.
  explicit HeldDescriptors(int count);
  ~HeldDescriptors();
  HeldDescriptors(const HeldDescriptors&) = delete;
  HeldDescriptors& operator=(const HeldDescriptors&) = delete;

  // Empty when all are held; else why not (the limit, or a target whose
  // sockets are not descriptor numbers).
  const std::string& WhyNot() const { return m_whyNot; }

 private:
  std::vector<int> m_held;
  std::string m_whyNot;
};

}  // namespace zrtest
