// The work the office server gives the office, in the office's own terms: documents and
// tables by number, copies as bytes. It runs either inside the office (OfficeAgent.cpp, one
// call over the pipe for each operation) or here, over the pipe call by call (LocalOps on a
// connection), where the agent cannot be loaded.
#pragma once

#include <com/sun/star/uno/XComponentContext.hpp>

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "automation/office/PageDocument.h"
#include "automation/office/PageLayout.h"

namespace fv::office {

// Formatting a table is still to get: the style of each border (by the word processor's index
// -1 to -6, kept at [-index - 1]; -1: unchanged) and the alignment (-1: unchanged).
struct TableFormat {
  int32_t borders[6] = {-1, -1, -1, -1, -1, -1};
  int32_t alignment = -1;
  bool Empty() const;
};

class OfficeOps {
 public:
  virtual ~OfficeOps() = default;

  struct Opened {
    int32_t document = 0;
    int32_t pages = 0;
  };
  // Loads the file hidden and read only (refusing every question) and lays it out.
  virtual Opened Open(const std::string& path) = 0;
  // The text between two page boundaries of a loaded document (TransferContent, serialized).
  virtual std::string Copy(int32_t document, int32_t from, int32_t to) = 0;
  // A new, empty document without a view.
  virtual int32_t Add() = 0;
  // A table at the start of an added document.
  virtual int32_t AddTable(int32_t document, int32_t rows, int32_t columns) = 0;
  // Table `index` (from 1) of a loaded document; 0 when there is none.
  virtual int32_t SourceTable(int32_t document, int32_t index) = 0;
  // Gives the table (0: none) its format, then pastes the content into its first cell (or
  // into the main text). Throws CallFailure when the office took nothing of it.
  virtual void Paste(int32_t document, int32_t table, const TableFormat& format,
                     const std::string& content) = 0;
  // Gives tables their formats, then stores the document; false for an unknown file format.
  virtual bool Save(int32_t document, const std::vector<std::pair<int32_t, TableFormat>>& formats,
                    const std::string& path, int32_t fileFormat) = 0;
  virtual void Close(int32_t document) = 0;
};

// The operations done with the office's objects directly: inside the office, or over the
// pipe from here. Everything throws as UNO calls do, or CallFailure.
class LocalOps : public OfficeOps {
 public:
  explicit LocalOps(css::uno::Reference<css::uno::XComponentContext> context);
  ~LocalOps() override;

  Opened Open(const std::string& path) override;
  std::string Copy(int32_t document, int32_t from, int32_t to) override;
  int32_t Add() override;
  int32_t AddTable(int32_t document, int32_t rows, int32_t columns) override;
  int32_t SourceTable(int32_t document, int32_t index) override;
  void Paste(int32_t document, int32_t table, const TableFormat& format,
             const std::string& content) override;
  bool Save(int32_t document, const std::vector<std::pair<int32_t, TableFormat>>& formats,
            const std::string& path, int32_t fileFormat) override;
  void Close(int32_t document) override;

 private:
  struct Entry {
    css::uno::Reference<css::text::XTextDocument> document;
    std::unique_ptr<PageLayout> layout;  // loaded documents
    std::map<int32_t, std::shared_ptr<TableState>> tables;
    bool mayHoldObjects = false;
    bool framed = false;  // a table was added to it
  };
  Entry& Find(int32_t document);
  TableState& FindTable(Entry& entry, int32_t table);
  void ApplyFormat(TableState& table, const TableFormat& format);

  css::uno::Reference<css::uno::XComponentContext> context_;
  std::map<int32_t, Entry> documents_;
  int32_t nextDocument_ = 1;
  int32_t nextTable_ = 1;
};

// The operations for the office behind `context`: its agent when it can be loaded there
// (unless FOLIVEX_OFFICE_AGENT is 0), else LocalOps over the pipe. Talks to the office.
std::unique_ptr<OfficeOps> ConnectOps(
    const css::uno::Reference<css::uno::XComponentContext>& context);

}  // namespace fv::office
