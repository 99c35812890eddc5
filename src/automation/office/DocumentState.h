// What the office server knows of the documents it opened or added, and of the application
// they belong to; shared by the automation objects that stand for them.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "automation/office/DocumentOps.h"
#include "automation/office/OfficeSession.h"

namespace fv::office {

// A table of a document, and the formatting it is still to get.
struct TableRef {
  int32_t id = 0;
  TableFormat format;
};

struct DocumentState {
  // Loaded from a file (hidden, read only, with Writer's layout), or added empty.
  bool loaded = false;
  int32_t id = 0;  // its number with the office's operations
  int32_t pageCount = 1;
  // The selection in positions (CellNames.h); on an added document it may stand in the first
  // cell of a table.
  int32_t selectionStart = 0;
  int32_t selectionEnd = 0;
  std::shared_ptr<TableRef> selectionTable;
  std::vector<std::shared_ptr<TableRef>> addedTables;
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
