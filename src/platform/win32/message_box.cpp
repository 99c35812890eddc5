#include "platform/win32/win32_api.h"

#include "platform/message_box.h"

namespace fv::platform {

int ShowMessageBox(const std::string& caption, const std::string& text, uint32_t flags) {
  return MessageBoxA(nullptr, text.c_str(), caption.c_str(), flags);
}

}  // namespace fv::platform
