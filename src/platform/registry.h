// The registry, read only: keys below a root, each with typed values.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace fv::platform {

enum class RegistryRoot { ClassesRoot, CurrentUser };

inline constexpr uint32_t REG_SZ = 1;
inline constexpr uint32_t REG_EXPAND_SZ = 2;
inline constexpr uint32_t REG_BINARY = 3;
inline constexpr uint32_t REG_DWORD = 4;

inline constexpr uint32_t KEY_QUERY_VALUE = 0x0001;
inline constexpr uint32_t KEY_ENUMERATE_SUB_KEYS = 0x0008;
inline constexpr uint32_t STANDARD_RIGHTS_READ = 0x20000;
inline constexpr uint32_t KEY_READ_EXISTENCE = 0x20009;  // the mask of an existence test
inline constexpr uint32_t KEY_ALL_ACCESS = 0xF003F;

struct RegistryValue {
  uint32_t type = 0;
  std::vector<uint8_t> data;  // as stored: strings in the narrow encoding, NUL-terminated
};

// An open key. Closing happens when it goes.
class RegistryKey {
 public:
  virtual ~RegistryKey() = default;
  // Opens the sub-key at `path` (backslash-separated, relative to this key) with `access`;
  // null when it does not exist or the access is refused.
  virtual std::unique_ptr<RegistryKey> OpenSubKey(const std::string& path, uint32_t access) = 0;
  // The value of that name ("" for the default value), or nothing when it is missing.
  virtual std::optional<RegistryValue> QueryValue(const std::string& name) = 0;
};

// Opens the key at `path` below `root` ("" opens the root itself); null when it does not
// exist or `access` is refused.
std::unique_ptr<RegistryKey> OpenRegistryKey(RegistryRoot root, const std::string& path,
                                             uint32_t access);

}  // namespace fv::platform
