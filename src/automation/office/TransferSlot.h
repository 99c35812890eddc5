// The library's transfer slot (the clipboard of the POSIX windowing services, never the
// desktop's) as the office server uses it: a copy puts its content there as bytes held in
// this process, so that emptying the slot never needs the office, which may be gone by then.
#pragma once

#include <string>

namespace fv::office {

// The slot's format name for what the office server copies.
inline constexpr const char* kTransferFormat = "Folivex.OfficeText";

// Replaces what the slot holds with a copy's content (TransferContent.h, serialized).
void PutIntoTransferSlot(std::string content);
// What the slot holds when it is the office server's, else null; the slot keeps it.
const std::string* TransferSlotContent();

}  // namespace fv::office
