// Starting and stopping the word processor, and the engine's settings.
#include "controller/Notifications.h"
#include "platform/clipboard.h"
#include "word/AutomationChecks.h"
#include "word/UnitWord.h"

namespace fv::word {

using automation::Application;
using automation::ComPtr;
using automation::EAbort;
using automation::Exception;
using automation::Options;
using automation::Variant;

TDOCFolivex::TDOCFolivex(platform::WindowHandle hostWindow)
    : WordApplication(std::make_unique<automation::TWordApplication>()),
      WordDocument(std::make_unique<automation::TWordDocument>()),
      HostWindow(hostWindow) {
  try {
    try {
      WordApplication->Connect();
    } catch (const Exception&) {
      SendError(kErrorNotInstalled);
      throw EAbort();
    }
    Application* app = CHECKED_INTF(WordApplication->DefaultInterface());
    app->put_Visible(false);
    ComPtr<Options> options;
    CHECKED(app->get_Options(options.Out()));
    CHECKED_INTF(options.Get())->put_CheckSpellingAsYouType(false);
    CHECKED(app->get_Options(options.Out()));
    CHECKED_INTF(options.Get())->put_CheckGrammarAsYouType(false);
  } catch (const Exception&) {
    SendError(kErrorStart);
    try {
      WordApplication->Disconnect();
    } catch (const Exception&) {
      // The constructor always completes; the word processor was asked to quit.
    }
  }
}

TDOCFolivex::~TDOCFolivex() {
  try {
    if (!platform::ClearClipboard()) throw Exception("The clipboard cannot be emptied");
    // Only a connected wrapper is asked: asking through an unconnected one would start the
    // word processor just to end it.
    if (WordApplication && WordApplication->Connected()) {
      const auto hr = WordApplication->DefaultInterface()->Quit(
          Variant::Omitted(), Variant::Omitted(), Variant::Omitted());
      if (automation::Failed(hr)) throw Exception("The word processor did not quit");
    }
    if (WordApplication) WordApplication->Disconnect();
  } catch (const Exception&) {
    SendError(kErrorRelease);
    try {
      if (WordApplication) WordApplication->Disconnect();
    } catch (const Exception&) {
      // Reported above; freeing goes on.
    }
  }
  WordApplication.reset();
  WordDocument.reset();
}

void TDOCFolivex::ReleaseWord() {
  try {
    if (WordApplication) WordApplication->Disconnect();
    if (WordDocument) WordDocument->Disconnect();
  } catch (...) {
    SendError(kErrorReleaseWord);
    throw EAbort();
  }
  WordApplication.reset();
  WordDocument.reset();
}

void TDOCFolivex::SendError(uintptr_t code) const {
  platform::SendWindowMessage(HostWindow, WM_CONVERT_ERROR, code, 0);
}

Application* TDOCFolivex::App() {
  if (!WordApplication) throw Exception("The word processor has been released");
  return CHECKED_INTF(WordApplication->DefaultInterface());
}

}  // namespace fv::word
