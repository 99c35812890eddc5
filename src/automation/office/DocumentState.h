// What the office server knows of the documents it opened or added, and of the application
// they belong to; shared by the automation objects that stand for them.
#pragma once

#include <com/sun/star/frame/XController.hpp>
#include <com/sun/star/text/XTextDocument.hpp>
#include <com/sun/star/text/XTextTable.hpp>

#include <memory>
#include <string>
#include <vector>

#include "automation/office/OfficeSession.h"
#include "automation/office/PageLayout.h"

namespace fv::office {

struct DocumentState {
  // Loaded from a file (hidden, read only, with a view and Writer's layout), or added empty
  // (without a view).
  bool loaded = false;
  uno::Reference<css::text::XTextDocument> document;
  uno::Reference<css::frame::XController> controller;
  std::unique_ptr<PageLayout> layout;
  // The selection in positions (CellNames.h); on an added document it may stand in the first
  // cell of a table.
  int32_t selectionStart = 0;
  int32_t selectionEnd = 0;
  uno::Reference<css::text::XTextTable> selectionTable;
  std::vector<uno::Reference<css::text::XTextTable>> addedTables;
  bool closed = false;

  // The position of the end of the text.
  int32_t EndPosition() const;
};

struct AppState {
  std::shared_ptr<OfficeSession> session;
  // The documents of this application that are open, the newest last.
  std::vector<std::shared_ptr<DocumentState>> documents;
  bool quit = false;

  // The active document: the newest one still open.
  std::shared_ptr<DocumentState> Active() const;
  // S_OK while the application may be used; RPC_E_DISCONNECTED after Quit.
  HRESULT Usable() const;
  HRESULT Open(const std::string& path, std::shared_ptr<DocumentState>& document);
  HRESULT Add(std::shared_ptr<DocumentState>& document);
  HRESULT Close(const std::shared_ptr<DocumentState>& document);
  // Closes every document of this application (ignoring failures) and ends the session: a
  // started office ends, an attached one keeps running.
  void Quit();
};

// Checks an automation object's document before use.
HRESULT UsableDocument(const AppState& app, const DocumentState& document);

}  // namespace fv::office
