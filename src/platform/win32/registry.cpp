// The registry through the Win32 API: keys are opened with exactly the access asked for,
// so that a key the user may read but not write refuses a request for full access.
#include "platform/win32/win32_api.h"

#include "platform/registry.h"

namespace fv::platform {
namespace {

HKEY RootKey(RegistryRoot root) {
  return root == RegistryRoot::ClassesRoot ? HKEY_CLASSES_ROOT : HKEY_CURRENT_USER;
}

// Opens `path` below `parent`; "" opens a new handle to `parent` itself.
HKEY Open(HKEY parent, const std::string& path, uint32_t access) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(parent, path.c_str(), 0, access, &key) != ERROR_SUCCESS) return nullptr;
  return key;
}

class Win32Key final : public RegistryKey {
 public:
  explicit Win32Key(HKEY key) : key_(key) {}
  ~Win32Key() override { RegCloseKey(key_); }
  Win32Key(const Win32Key&) = delete;
  Win32Key& operator=(const Win32Key&) = delete;

  std::unique_ptr<RegistryKey> OpenSubKey(const std::string& path, uint32_t access) override {
    HKEY key = Open(key_, path, access);
    return key ? std::make_unique<Win32Key>(key) : nullptr;
  }

  std::optional<RegistryValue> QueryValue(const std::string& name) override {
    // The value may change between asking its size and reading it: ask again then.
    for (int attempt = 0; attempt < 4; ++attempt) {
      DWORD type = 0, size = 0;
      LONG status = RegQueryValueExA(key_, name.c_str(), nullptr, &type, nullptr, &size);
      if (status != ERROR_SUCCESS) return std::nullopt;
      RegistryValue value;
      value.data.resize(size);
      status = RegQueryValueExA(key_, name.c_str(), nullptr, &type,
                                size ? value.data.data() : nullptr, &size);
      if (status == ERROR_MORE_DATA) continue;
      if (status != ERROR_SUCCESS) return std::nullopt;
      value.data.resize(size);
      value.type = type;
      return value;
    }
    return std::nullopt;
  }

 private:
  HKEY key_;
};

}  // namespace

std::unique_ptr<RegistryKey> OpenRegistryKey(RegistryRoot root, const std::string& path,
                                             uint32_t access) {
  HKEY key = Open(RootKey(root), path, access);
  return key ? std::make_unique<Win32Key>(key) : nullptr;
}

}  // namespace fv::platform
