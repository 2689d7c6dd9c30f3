#include "tests/support/RegistrySeed.h"

#include <fstream>
#include <iterator>

#include "platform/RegImport.h"
#include "platform/RegText.h"
#include "tests/support/RegistryFixture.h"

namespace zrtest {

namespace {

HKEY RootKey(zrplatform::RegRoot root) {
  return root == zrplatform::RegRoot::LocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
}

bool KeyExists(HKEY root, const std::string& path) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

}  // namespace

testing::AssertionResult SeedRegistry(const std::string& regText) {
  zrplatform::RegParseResult parsed = zrplatform::ParseRegText(regText);
  if (!parsed.ok()) return testing::AssertionFailure() << "seed text: " << parsed.ErrorText();
  // Everything is tracked before anything is applied, so "did it exist"
  // is asked of the registry as the test found it.
  if (RegistrySandbox* sandbox = RegistrySandbox::Current()) {
    for (const zrplatform::RegOperation& op : parsed.operations) {
      HKEY root = RootKey(op.root);
      if (op.kind == zrplatform::RegOperation::Kind::CreateKey) {
        sandbox->TrackKey(root, op.keyPath.str());
      } else if (op.kind == zrplatform::RegOperation::Kind::SetValue && KeyExists(root, op.keyPath.str())) {
        sandbox->TrackValue(root, op.keyPath.str(), op.valueName);
      }
    }
  }
  std::string error;
  LONG rc = zrplatform::ApplyRegOperations(parsed.operations, &error);
  if (rc != ERROR_SUCCESS) {
    return testing::AssertionFailure() << "seed: " << error << " (" << zrplatform::RegistryErrorText() << ")";
  }
  return testing::AssertionSuccess();
}

testing::AssertionResult SeedRegistryFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return testing::AssertionFailure() << "cannot read seed file " << path;
  std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  testing::AssertionResult result = SeedRegistry(bytes);
  if (!result) return testing::AssertionFailure() << path << ": " << result.message();
  return result;
}

testing::AssertionResult DumpRegistry(const std::string& fullPath, std::string* text) {
  std::string error;
  LONG rc = zrplatform::ExportRegText(fullPath, text, &error);
  if (rc != ERROR_SUCCESS) return testing::AssertionFailure() << error;
  return testing::AssertionSuccess();
}

}  // namespace zrtest
