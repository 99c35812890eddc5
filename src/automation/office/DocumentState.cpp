#include "automation/office/DocumentState.h"

#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/document/MacroExecMode.hpp>
#include <com/sun/star/document/UpdateDocMode.hpp>
#include <com/sun/star/frame/XComponentLoader.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/lang/XComponent.hpp>
#include <com/sun/star/util/XCloseable.hpp>
#include <osl/file.hxx>

#include <filesystem>

#include "automation/office/CellNames.h"
#include "automation/office/InteractionHandler.h"
#include "automation/office/PageDocument.h"

namespace fv::office {

using namespace automation;
using css::beans::PropertyValue;
using uno::Reference;
using uno::UNO_QUERY;
using uno::UNO_QUERY_THROW;

namespace {

PropertyValue Property(const char* name, const uno::Any& value) {
  PropertyValue p;
  p.Name = rtl::OUString::createFromAscii(name);
  p.Value = value;
  return p;
}

void CloseComponent(const Reference<uno::XInterface>& component) {
  Reference<css::util::XCloseable> closeable(component, UNO_QUERY);
  if (closeable.is()) {
    closeable->close(true);
    return;
  }
  Reference<css::lang::XComponent> disposable(component, UNO_QUERY);
  if (disposable.is()) disposable->dispose();
}

}  // namespace

int32_t DocumentState::EndPosition() const {
  return PositionOfBoundary(loaded && layout ? layout->PageCount() : 1);
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
  auto state = std::make_shared<DocumentState>();
  state->loaded = true;
  std::error_code ec;
  const std::string absolute = std::filesystem::absolute(path, ec).string();
  if (path.empty() || ec || !std::filesystem::is_regular_file(absolute, ec)) {
    return DISP_E_EXCEPTION;  // no such file: the office is not asked
  }
  const HRESULT hr = session->Call(session->Settings().loadTimeout, [&] {
    rtl::OUString url;
    if (osl::FileBase::getFileURLFromSystemPath(ToOUString(absolute), url) !=
        osl::FileBase::E_None) {
      throw CallFailure{DISP_E_EXCEPTION, "not a file name: " + path};
    }
    // Hidden and read only: no window, no lock file, nothing written back. Macros never run;
    // links are not updated; every question the office would ask is answered "no".
    uno::Sequence<PropertyValue> arguments(6);
    auto* a = arguments.getArray();
    a[0] = Property("Hidden", uno::Any(true));
    a[1] = Property("ReadOnly", uno::Any(true));
    a[2] = Property("MacroExecutionMode", uno::Any(css::document::MacroExecMode::NEVER_EXECUTE));
    a[3] = Property("UpdateDocMode", uno::Any(css::document::UpdateDocMode::NO_UPDATE));
    a[4] = Property("InteractionHandler", uno::Any(NewRefusingInteractionHandler()));
    a[5] = Property("Silent", uno::Any(true));
    Reference<css::frame::XComponentLoader> loader(session->Connection().Desktop(),
                                                   UNO_QUERY_THROW);
    auto component = loader->loadComponentFromURL(url, "_blank", 0, arguments);
    if (!component.is()) throw CallFailure{DISP_E_EXCEPTION, "the office could not open " + path};
    state->document.set(component, UNO_QUERY);
    Reference<css::frame::XModel> model(component, UNO_QUERY);
    if (!state->document.is() || !model.is() || !model->getCurrentController().is()) {
      CloseComponent(component);
      throw CallFailure{DISP_E_EXCEPTION, path + " is not a text document"};
    }
    state->controller = model->getCurrentController();
    state->layout = std::make_unique<PageLayout>(state->document, state->controller);
    // The whole layout is made now, within the time allowed for loading.
    state->layout->PageCount();
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
  const HRESULT hr =
      session->Call([&] { state->document = CreatePageDocument(session->Connection()); });
  if (Failed(hr)) return hr;
  documents.push_back(state);
  document = std::move(state);
  return S_OK;
}

HRESULT AppState::Close(const std::shared_ptr<DocumentState>& document) {
  if (HRESULT hr = UsableDocument(*this, *document); Failed(hr)) return hr;
  const HRESULT hr = session->Call([&] { CloseComponent(document->document); });
  // Closed or not, it is no document of ours any more: a document the office refused to
  // close goes when the office does.
  document->closed = true;
  document->layout.reset();
  document->selectionTable.clear();
  document->addedTables.clear();
  document->controller.clear();
  document->document.clear();
  std::erase(documents, document);
  return hr;
}

void AppState::Quit() {
  if (quit) return;
  while (!documents.empty()) Close(documents.back());
  quit = true;
  if (session) session->End();
}

}  // namespace fv::office
