#include "environment/Unitregistry.h"

#include <memory>
#include <string>

#include "platform/registry.h"

namespace fv::environment {
namespace {

using platform::RegistryKey;
using platform::RegistryRoot;

// A registry accessor: a root and, once a key is opened, that key. Key names that begin
// with a backslash are looked up below the root, others below the open key.
class Accessor {
 public:
  explicit Accessor(RegistryRoot root) : root_(root) {}

  std::unique_ptr<RegistryKey> Open(const std::string& name, uint32_t access) const {
    if (!name.empty() && name[0] == '\\') {
      return platform::OpenRegistryKey(root_, name.substr(1), access);
    }
    if (current_) return current_->OpenSubKey(name, access);
    return platform::OpenRegistryKey(root_, name, access);
  }
  // Opens the key for the accessor's later look-ups; false when that fails.
  bool OpenKey(const std::string& name, uint32_t access) {
    auto key = Open(name, access);
    if (!key) return false;
    current_ = std::move(key);
    return true;
  }
  bool KeyExists(const std::string& name) const {
    return Open(name, platform::KEY_READ_EXISTENCE) != nullptr;
  }
  // The default value of the open key as a string: up to its first NUL, unexpanded; empty
  // when missing. False when it is not of a string type.
  bool ReadDefaultString(std::string& text) const {
    auto value = current_ ? current_->QueryValue("") : std::nullopt;
    text.clear();
    if (!value) return true;
    if (value->type != platform::REG_SZ && value->type != platform::REG_EXPAND_SZ) return false;
    text.assign(value->data.begin(), value->data.end());
    text = text.substr(0, text.find('\0'));
    return true;
  }

 private:
  RegistryRoot root_;
  std::unique_ptr<RegistryKey> current_;
};

int VersionCheck(const char* key, int version) {
  try {
    Accessor accessor(RegistryRoot::CurrentUser);
    return accessor.KeyExists(key) ? version : 0;
  } catch (...) {
    return 0;  // a registry that cannot be read has no Office version for the user
  }
}

}  // namespace

int TCheckEnvironment::CheckInstalled() {
  // Every failure of the registry is a "no": none may reach the host.
  try {
    Accessor accessor(RegistryRoot::ClassesRoot);
    if (!accessor.KeyExists(".doc")) return 0;
    if (!accessor.OpenKey(".doc", platform::KEY_ALL_ACCESS)) return 0;
    std::string name;
    // A value of another type is no registration of a word processor.
    if (!accessor.ReadDefaultString(name)) return 0;
    return accessor.KeyExists(name) ? 1 : 0;
  } catch (...) {
    return 0;
  }
}

int TCheckEnvironment::CheckVersion9() {
  return VersionCheck("Software\\Microsoft\\Office\\9.0", 9);
}

int TCheckEnvironment::CheckVersion10() {
  return VersionCheck("Software\\Microsoft\\Office\\10.0", 10);
}

}  // namespace fv::environment
