#include "tests/support/RegistryFixture.h"

#include <cctype>
#include <cstdio>

#include "platform/Threads.h"
#include "tests/support/Mode.h"

namespace zrtest {

namespace {

RegistrySandbox* g_current = nullptr;

bool KeyExists(HKEY root, const std::string& path) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

bool SameText(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i]))) return false;
  }
  return true;
}

// True when `path` is `prefix` or lies below it.
bool IsBelow(const std::string& path, const std::string& prefix) {
  if (path.size() < prefix.size() || !SameText(path.substr(0, prefix.size()), prefix)) return false;
  return path.size() == prefix.size() || path[prefix.size()] == '\\';
}

}  // namespace

RegistrySandbox::RegistrySandbox() : m_outer(g_current), m_folder(internal::MakePrivateRegistryFolder()) {
  if (!m_folder.empty()) m_env = std::make_unique<ScopedEnv>("ZRADDRRES_REGISTRY", m_folder.c_str());
  // Several sandboxes of one run share a Wine prefix (and may nest): each
  // gets its own scratch key.
  static unsigned counter = 0;
  char name[64];
  // One folder per process: test programs run side by side in one Wine prefix,
  // and the sandbox that made a folder deletes it with everything below it.
  std::snprintf(name, sizeof name, "Software\\ZrAddrResTest-%lu\\%u",
                static_cast<unsigned long>(GetCurrentProcessId()), ++counter);
  m_scratch = name;
  TrackKey(HKEY_CURRENT_USER, m_scratch);
  TrackKey(HKEY_LOCAL_MACHINE, m_scratch);
  g_current = this;
}

RegistrySandbox::~RegistrySandbox() {
  // Undo in the reverse order of tracking, while the sandbox's registry is
  // still the one in use.
  for (auto value = m_values.rbegin(); value != m_values.rend(); ++value) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(value->root, value->path.c_str(), 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) continue;
    if (value->existed) {
      // A byte after the data, so the registry reads nothing outside the
      // buffer and the old bytes come back as they were: on the NT line a
      // byte that is no NUL keeps a NUL from being taken for the terminator
      // of an unterminated string; the 9x line reads a REG_SZ up to its first
      // NUL (its other types keep their count), and refuses a null buffer.
      std::vector<BYTE> data(value->data);
      data.push_back(RegistryHas9xRules() ? 0 : 0xFF);
      RegSetValueExA(key, value->name.c_str(), 0, value->type, data.data(), static_cast<DWORD>(value->data.size()));
    } else {
      RegDeleteValueA(key, value->name.c_str());
    }
    RegCloseKey(key);
  }
  for (auto key = m_keys.rbegin(); key != m_keys.rend(); ++key) RegDeleteTreeA(key->root, key->path.c_str());
  g_current = m_outer;
  m_env.reset();
  if (!m_folder.empty()) internal::RemovePrivateRegistryFolder(m_folder);
}

RegistrySandbox* RegistrySandbox::Current() { return g_current; }

bool RegistryHas9xRules() {
  if (!IsWindowsBuild()) return false;
  const Line line = WindowsLine();
  return line == Line::Win95 || line == Line::Win98 || line == Line::WinMe;
}

bool RegistrySandbox::Covered(HKEY root, const std::string& path) const {
  for (const Key& key : m_keys) {
    if (key.root == root && IsBelow(path, key.path)) return true;
  }
  return false;
}

void RegistrySandbox::TrackKey(HKEY root, const std::string& path) {
  if (Covered(root, path)) return;
  for (std::size_t end = path.find('\\');; end = path.find('\\', end + 1)) {
    std::string prefix = path.substr(0, end);
    if (!prefix.empty() && !KeyExists(root, prefix)) {
      m_keys.push_back(Key{root, prefix});
      return;
    }
    if (end == std::string::npos) return;
  }
}

void RegistrySandbox::TrackValue(HKEY root, const std::string& path, const std::string& name) {
  if (Covered(root, path)) return;
  SavedValue saved{root, path, name, false, 0, {}};
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return;
  DWORD size = 0;
  if (RegQueryValueExA(key, name.c_str(), nullptr, &saved.type, nullptr, &size) == ERROR_SUCCESS) {
    saved.data.resize(size);
    saved.existed =
        RegQueryValueExA(key, name.c_str(), nullptr, &saved.type, saved.data.data(), &size) == ERROR_SUCCESS;
    saved.data.resize(size);
  }
  RegCloseKey(key);
  m_values.push_back(std::move(saved));
}

}  // namespace zrtest
