#include "platform/message_pump.h"

#include "folivex_window.h"
#include "platform/native_window.h"

namespace fv::platform {

void ProcessPendingMessages() {
  // The progress window first: a repaint it owes shows before the host's handlers run.
  DispatchWindowEvents();
  fvw_DispatchPostedMessages();
}

}  // namespace fv::platform
