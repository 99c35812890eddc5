#include "automation/office/DocumentOps.h"

#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/document/MacroExecMode.hpp>
#include <com/sun/star/document/UpdateDocMode.hpp>
#include <com/sun/star/frame/Desktop.hpp>
#include <com/sun/star/frame/XComponentLoader.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/lang/XComponent.hpp>
#include <com/sun/star/text/XTextTablesSupplier.hpp>
#include <com/sun/star/util/XCloseable.hpp>
#include <osl/file.hxx>

#include "automation/office/CallFailure.h"
#include "automation/office/InteractionHandler.h"
#include "automation/office/RangeCopy.h"
#include "automation/office/TransferContent.h"
#include "automation/office/UnoConnection.h"

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

bool TableFormat::Empty() const {
  for (int32_t b : borders) {
    if (b >= 0) return false;
  }
  return alignment < 0;
}

LocalOps::LocalOps(Reference<uno::XComponentContext> context) : context_(std::move(context)) {}

LocalOps::~LocalOps() {
  // The office's documents of these operations go with them (an office that is gone
  // already has nothing to close).
  for (auto& [id, entry] : documents_) {
    entry.layout.reset();
    try {
      CloseComponent(entry.document);
    } catch (const uno::Exception&) {
    }
  }
}

LocalOps::Entry& LocalOps::Find(int32_t document) {
  auto found = documents_.find(document);
  if (found == documents_.end()) throw CallFailure{RPC_E_DISCONNECTED, "no such document"};
  return found->second;
}

TableState& LocalOps::FindTable(Entry& entry, int32_t table) {
  auto found = entry.tables.find(table);
  if (found == entry.tables.end()) throw CallFailure{E_INVALIDARG, "no such table"};
  return *found->second;
}

LocalOps::Opened LocalOps::Open(const std::string& path) {
  rtl::OUString url;
  if (osl::FileBase::getFileURLFromSystemPath(ToOUString(path), url) != osl::FileBase::E_None) {
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
  Reference<css::frame::XComponentLoader> loader(css::frame::Desktop::create(context_),
                                                 UNO_QUERY_THROW);
  auto component = loader->loadComponentFromURL(url, "_blank", 0, arguments);
  if (!component.is()) throw CallFailure{DISP_E_EXCEPTION, "the office could not open " + path};
  Entry entry;
  entry.document.set(component, UNO_QUERY);
  Reference<css::frame::XModel> model(component, UNO_QUERY);
  if (!entry.document.is() || !model.is() || !model->getCurrentController().is()) {
    CloseComponent(component);
    throw CallFailure{DISP_E_EXCEPTION, path + " is not a text document"};
  }
  entry.layout = std::make_unique<PageLayout>(entry.document, model->getCurrentController());
  Opened opened;
  opened.pages = entry.layout->PageCount();  // the whole layout, within the time for loading
  opened.document = nextDocument_++;
  documents_.emplace(opened.document, std::move(entry));
  return opened;
}

std::string LocalOps::Copy(int32_t document, int32_t from, int32_t to) {
  Entry& entry = Find(document);
  if (!entry.layout) throw CallFailure{E_NOTIMPL, "only a loaded document has pages"};
  return Serialize(*CopyBetween(*entry.layout, from, to));
}

int32_t LocalOps::Add() {
  Entry entry;
  entry.document = CreatePageDocument(context_);
  const int32_t id = nextDocument_++;
  documents_.emplace(id, std::move(entry));
  return id;
}

int32_t LocalOps::AddTable(int32_t document, int32_t rows, int32_t columns) {
  Entry& entry = Find(document);
  const int32_t id = nextTable_++;
  entry.tables.emplace(id, AddPageTable(entry.document, rows, columns));
  entry.framed = true;
  return id;
}

int32_t LocalOps::SourceTable(int32_t document, int32_t index) {
  Entry& entry = Find(document);
  Reference<css::container::XIndexAccess> all(
      Reference<css::text::XTextTablesSupplier>(entry.document, UNO_QUERY_THROW)->getTextTables(),
      UNO_QUERY_THROW);
  if (index < 1 || index > all->getCount()) return 0;
  auto state = std::make_shared<TableState>();
  state->table.set(all->getByIndex(index - 1), UNO_QUERY_THROW);
  const int32_t id = nextTable_++;
  entry.tables.emplace(id, std::move(state));
  return id;
}

void LocalOps::ApplyFormat(TableState& table, const TableFormat& format) {
  for (int32_t i = 0; i < 6; ++i) {
    if (format.borders[i] >= 0) SetTableBorder(table, -i - 1, format.borders[i]);
  }
  if (format.alignment >= 0) SetTableAlignment(table, format.alignment);
  ApplyTableFormatting(table);
}

void LocalOps::Paste(int32_t document, int32_t table, const TableFormat& format,
                     const std::string& content) {
  Entry& entry = Find(document);
  if (entry.layout) throw CallFailure{E_ACCESSDENIED, "a loaded document is read only"};
  const auto copied = Deserialize(content);
  if (!copied) throw CallFailure{E_FAIL, "nothing of the office server's to paste"};
  Reference<css::text::XText> target = entry.document->getText();
  if (table != 0) {
    TableState& state = FindTable(entry, table);
    ApplyFormat(state, format);
    if (FirstCell(state).is()) target = FirstCell(state);
  }
  entry.mayHoldObjects |= copied->objects;
  PasteInto(context_, entry.document, target, *copied);
}

bool LocalOps::Save(int32_t document, const std::vector<std::pair<int32_t, TableFormat>>& formats,
                    const std::string& path, int32_t fileFormat) {
  Entry& entry = Find(document);
  for (const auto& [table, format] : formats) ApplyFormat(FindTable(entry, table), format);
  return SaveDocument(context_, entry.document, path, fileFormat,
                      entry.mayHoldObjects || entry.layout != nullptr, entry.framed);
}

void LocalOps::Close(int32_t document) {
  auto found = documents_.find(document);
  if (found == documents_.end()) return;
  // Gone from here whatever the office says: one it refused to close goes with the office.
  Entry entry = std::move(found->second);
  documents_.erase(found);
  entry.layout.reset();
  entry.tables.clear();
  CloseComponent(entry.document);
}

}  // namespace fv::office
