// Opening the source document.
#include "controller/Notifications.h"
#include "platform/files.h"
#include "progress/UnitProgress.h"
#include "word/AutomationChecks.h"
#include "word/UnitWord.h"

namespace fv::word {

using automation::Application;
using automation::ComPtr;
using automation::Document;
using automation::Documents;
using automation::Options;
using automation::Variant;
using progress::frmProgress;

int TDOCFolivex::OpenDocument(const char* fileName) {
  const std::string source = fileName ? fileName : "";

  // The hidden labels learn the source's folder (up to and including its last delimiter)
  // and its name.
  const std::string::size_type cut = platform::FolderPartLength(source);
  frmProgress->SetLabelCaption(frmProgress->lbPath,
                               frmProgress->lbPath->Caption() + source.substr(0, cut));
  frmProgress->SetLabelCaption(frmProgress->lbFileName,
                               frmProgress->lbFileName->Caption() + source.substr(cut));
  frmProgress->Refresh();

  automation::OpenArguments open;
  open.fileName = Variant::String(source);
  for (Variant* v :
       {&open.confirmConversions, &open.readOnly, &open.addToRecentFiles, &open.passwordDocument,
        &open.passwordTemplate, &open.revert, &open.writePasswordDocument,
        &open.writePasswordTemplate, &open.format, &open.encoding, &open.visible}) {
    *v = Variant::Omitted();
  }
  {
    ComPtr<Documents> documents;
    CHECKED(App()->get_Documents(documents.Out()));
    ComPtr<Document> opened;
    CHECKED(CHECKED_INTF(documents.Get())->Open(open, opened.Out()));
  }
  ComPtr<Options> options;
  CHECKED(App()->get_Options(options.Out()));
  CHECKED_INTF(options.Get())->put_CheckSpellingAsYouType(false);
  CHECKED(App()->get_Options(options.Out()));
  CHECKED_INTF(options.Get())->put_CheckGrammarAsYouType(false);

  try {
    ComPtr<Documents> documents;
    CHECKED(App()->get_Documents(documents.Out()));
    ComPtr<Document> document;
    CHECKED(CHECKED_INTF(documents.Get())->Item(Variant::Int(1), document.Out()));
    WordDocument->ConnectTo(CHECKED_INTF(document.Get()));
    return 1;
  } catch (...) {
    SendError(kErrorOpen);
    ReleaseWord();
    return 0;
  }
}

}  // namespace fv::word
