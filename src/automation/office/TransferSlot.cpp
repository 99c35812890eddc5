#include "automation/office/TransferSlot.h"

#include "folivex_window.h"

namespace fv::office {

void PutIntoTransferSlot(std::unique_ptr<TransferContent> content) {
  fvw_SetClipboardObject(kTransferFormat, content.release(),
                         [](void* object) { delete static_cast<TransferContent*>(object); });
}

const TransferContent* TransferSlotContent() {
  return static_cast<const TransferContent*>(fvw_GetClipboardObject(kTransferFormat));
}

}  // namespace fv::office
