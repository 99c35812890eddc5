#include "platform/win32/win32_api.h"

#include "platform/system_messages.h"

namespace fv::platform {

std::optional<std::string> SystemMessageText(int32_t code) {
  char* buffer = nullptr;
  const DWORD length =
      FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ALLOCATE_BUFFER, nullptr,
                     static_cast<DWORD>(code), MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                     reinterpret_cast<char*>(&buffer), 0, nullptr);
  if (length == 0 || !buffer) {
    if (buffer) LocalFree(buffer);
    return std::nullopt;
  }
  std::string text(buffer, length);
  LocalFree(buffer);
  return text;
}

}  // namespace fv::platform
