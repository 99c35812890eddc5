#include "automation/office/TransferSlot.h"

#include "folivex_window.h"

namespace fv::office {

void PutIntoTransferSlot(std::string content) {
  fvw_SetClipboardObject(kTransferFormat, new std::string(std::move(content)),
                         [](void* object) { delete static_cast<std::string*>(object); });
}

const std::string* TransferSlotContent() {
  return static_cast<const std::string*>(fvw_GetClipboardObject(kTransferFormat));
}

}  // namespace fv::office
