#include "automation/office/DocumentState.h"

#include <filesystem>

#include "automation/office/CellNames.h"

namespace fv::office {

using namespace automation;

int32_t DocumentState::EndPosition() const {
  return PositionOfBoundary(loaded ? pageCount : 1);
}

std::shared_ptr<DocumentState> AppState::Active() const {
  return documents.empty() ? nullptr : documents.back();
}

HRESULT AppState::Usable() const {
  return quit ? RPC_E_DISCONNECTED : S_OK;
}

HRESULT UsableDocument(const AppState& app, const DocumentState& document) {
  if (Failed(app.Usable())) return app.Usable();
  return document.closed ? RPC_E_DISCONNECTED : S_OK;
}

HRESULT AppState::Open(const std::string& path, std::shared_ptr<DocumentState>& document) {
  document.reset();
  if (Failed(Usable())) return Usable();
  std::error_code ec;
  const std::string absolute = std::filesystem::absolute(path, ec).string();
  if (path.empty() || ec || !std::filesystem::is_regular_file(absolute, ec)) {
    return DISP_E_EXCEPTION;  // no such file: the office is not asked
  }
  auto state = std::make_shared<DocumentState>();
  state->loaded = true;
  const HRESULT hr = session->Call(session->Settings().loadTimeout, [&] {
    const auto opened = session->Ops().Open(absolute);
    state->id = opened.document;
    state->pageCount = opened.pages;
  });
  if (Failed(hr)) return hr;
  documents.push_back(state);
  document = std::move(state);
  return S_OK;
}

HRESULT AppState::Add(std::shared_ptr<DocumentState>& document) {
  document.reset();
  if (Failed(Usable())) return Usable();
  auto state = std::make_shared<DocumentState>();
  const HRESULT hr = session->Call([&] { state->id = session->Ops().Add(); });
  if (Failed(hr)) return hr;
  documents.push_back(state);
  document = std::move(state);
  return S_OK;
}

HRESULT AppState::Close(const std::shared_ptr<DocumentState>& document) {
  if (HRESULT hr = UsableDocument(*this, *document); Failed(hr)) return hr;
  const HRESULT hr = session->Call([&] { session->Ops().Close(document->id); });
  // Closed or not, it is no document of ours any more: a document the office refused to
  // close goes when the office does.
  document->closed = true;
  document->selectionTable.reset();
  document->addedTables.clear();
  std::erase(documents, document);
  return hr;
}

void AppState::Quit() {
  if (quit) return;
  // An office of our own is ended with its documents; one we attached to keeps running, with
  // ours closed.
  const bool attached = session && !session->Started();
  while (!documents.empty()) {
    if (attached) {
      Close(documents.back());
    } else {
      documents.back()->closed = true;
      documents.pop_back();
    }
  }
  quit = true;
  if (session) session->End();
}

}  // namespace fv::office
