// The office server's automation objects, made by one another.
#pragma once

#include <memory>

#include "automation/WordObjects.h"
#include "automation/office/DocumentState.h"

namespace fv::office {

using automation::HRESULT;
using AppPtr = std::shared_ptr<AppState>;
using DocPtr = std::shared_ptr<DocumentState>;

HRESULT NewApplication(std::shared_ptr<OfficeSession> session, automation::Application** out);
HRESULT NewOptions(AppPtr app, automation::Options** out);
HRESULT NewDocuments(AppPtr app, automation::Documents** out);
HRESULT NewDocument(AppPtr app, DocPtr document, automation::Document** out);
HRESULT NewRange(AppPtr app, DocPtr document, int32_t start, int32_t end, automation::Range** out);
HRESULT NewSelection(AppPtr app, DocPtr document, automation::Selection** out);
// The tables of a document, or (`ofSelection`) those the selection stands in.
HRESULT NewTables(AppPtr app, DocPtr document, bool ofSelection, automation::Tables** out);
HRESULT NewTable(AppPtr app, DocPtr document, std::shared_ptr<TableRef> table,
                 automation::Table** out);

}  // namespace fv::office
