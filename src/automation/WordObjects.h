// The word processor's object model as the engine uses it, in the style of automation:
// every member returns an HRESULT and hands its result back through an out-parameter;
// objects are reference counted. A server (the office server on Linux, the Word client on
// Windows, the scripted server of the tests) implements these interfaces.
//
// Out-parameters that receive an interface are set to null before the call does anything,
// so a failed call never leaves a stale pointer; a successful call may still yield null
// (the engine checks for that). The caller owns one reference to what it receives.
#pragma once

#include <cstdint>
#include <utility>

#include "automation/HResult.h"
#include "automation/Variant.h"

namespace fv::automation {

class Unknown {
 public:
  virtual uint32_t AddRef() = 0;
  virtual uint32_t Release() = 0;

 protected:
  virtual ~Unknown() = default;
};

// An owning interface pointer: one reference, released when it goes.
template <class T>
class ComPtr {
 public:
  ComPtr() = default;
  ComPtr(std::nullptr_t) {}
  // Takes over a reference the caller already owns.
  static ComPtr Attach(T* p) {
    ComPtr c;
    c.p_ = p;
    return c;
  }
  // Adds a reference of its own.
  explicit ComPtr(T* p) : p_(p) {
    if (p_) p_->AddRef();
  }
  ComPtr(const ComPtr& o) : ComPtr(o.p_) {}
  ComPtr(ComPtr&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
  ComPtr& operator=(ComPtr o) noexcept {
    std::swap(p_, o.p_);
    return *this;
  }
  ~ComPtr() { Reset(); }

  void Reset() {
    if (T* p = std::exchange(p_, nullptr)) p->Release();
  }
  // For an out-parameter: drops what it held and returns the slot to fill.
  T** Out() {
    Reset();
    return &p_;
  }
  T* Get() const { return p_; }
  T* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }

 private:
  T* p_ = nullptr;
};

class Options;
class Documents;
class Document;
class Range;
class Selection;
class Tables;
class Table;
class Rows;
class Borders;
class Border;

// Word constants the engine passes.
enum : int32_t {
  wdNumberOfPagesInDocument = 4,
  wdGoToPage = 1,
  wdGoToAbsolute = 1,
  wdGoToLast = -1,
  wdCharacter = 1,
  wdExtend = 1,
  wdFormatHTML = 8,
  wdWord9TableBehavior = 1,
  wdAutoFitFixed = 0,
  wdBorderTop = -1,
  wdBorderLeft = -2,
  wdBorderBottom = -3,
  wdBorderRight = -4,
  wdLineStyleNone = 0,
  wdAlignRowCenter = 1,
};

class Application : public Unknown {
 public:
  virtual HRESULT put_Visible(bool visible) = 0;
  virtual HRESULT get_Options(Options** options) = 0;
  virtual HRESULT get_Documents(Documents** documents) = 0;
  // The selection of the active document.
  virtual HRESULT get_Selection(Selection** selection) = 0;
  // Ends the application. Asking an application that has already quit succeeds.
  virtual HRESULT Quit(const Variant& saveChanges, const Variant& originalFormat,
                       const Variant& routeDocument) = 0;
};

class Options : public Unknown {
 public:
  virtual HRESULT put_CheckSpellingAsYouType(bool on) = 0;
  virtual HRESULT put_CheckGrammarAsYouType(bool on) = 0;
};

// The arguments of Documents.Open, in the word processor's order.
struct OpenArguments {
  Variant fileName, confirmConversions, readOnly, addToRecentFiles, passwordDocument,
      passwordTemplate, revert, writePasswordDocument, writePasswordTemplate, format, encoding,
      visible;
};

// The arguments of Document.SaveAs, in the word processor's order.
struct SaveAsArguments {
  Variant fileName, fileFormat, lockComments, password, addToRecentFiles, writePassword,
      readOnlyRecommended, embedTrueTypeFonts, saveNativePictureFormat, saveFormsData,
      saveAsAOCELetter;
};

class Documents : public Unknown {
 public:
  // Opens a document; it becomes the active document and item 1.
  virtual HRESULT Open(const OpenArguments& arguments, Document** document) = 0;
  // Adds an empty document; it becomes the active document and item 1.
  virtual HRESULT Add(const Variant& templateName, const Variant& newTemplate,
                      const Variant& documentType, const Variant& visible, Document** document) = 0;
  // Item 1 is the document opened or added last that is still open.
  virtual HRESULT Item(const Variant& index, Document** document) = 0;
};

class Document : public Unknown {
 public:
  // Start and End omitted: the whole main text.
  virtual HRESULT Range(const Variant& start, const Variant& end, automation::Range** range) = 0;
  virtual HRESULT Select() = 0;
  virtual HRESULT get_Tables(Tables** tables) = 0;
  virtual HRESULT SaveAs(const SaveAsArguments& arguments) = 0;
  // Closes without a prompt.
  virtual HRESULT Close(const Variant& saveChanges, const Variant& originalFormat,
                        const Variant& routeDocument) = 0;
};

class Range : public Unknown {
 public:
  virtual HRESULT get_Start(int32_t* start) = 0;
  virtual HRESULT get_End(int32_t* end) = 0;
  virtual HRESULT get_Information(int32_t type, Variant* value) = 0;
  // Puts the range's content, with its formatting, on the clipboard.
  virtual HRESULT Copy() = 0;
};

class Selection : public Unknown {
 public:
  virtual HRESULT WholeStory() = 0;
  virtual HRESULT Copy() = 0;
  // Moves the selection to the start of the page that What/Which/Count name.
  virtual HRESULT GoTo(const Variant& what, const Variant& which, const Variant& count,
                       const Variant& name, automation::Range** range) = 0;
  // Extends (or moves) the selection `count` units to the left; `moved` gets the units moved.
  virtual HRESULT MoveLeft(const Variant& unit, const Variant& count, const Variant& extend,
                           int32_t* moved) = 0;
  virtual HRESULT get_Range(automation::Range** range) = 0;
  virtual HRESULT get_Tables(Tables** tables) = 0;
  // Inserts the clipboard's content at the selection; fails when nothing could be inserted.
  virtual HRESULT Paste() = 0;
};

class Tables : public Unknown {
 public:
  virtual HRESULT Add(automation::Range* range, int32_t numRows, int32_t numColumns,
                      const Variant& defaultTableBehavior, const Variant& autoFitBehavior,
                      Table** table) = 0;
  virtual HRESULT Item(int32_t index, Table** table) = 0;
};

class Table : public Unknown {
 public:
  virtual HRESULT get_Rows(automation::Rows** rows) = 0;
  virtual HRESULT get_Borders(automation::Borders** borders) = 0;
};

class Rows : public Unknown {
 public:
  virtual HRESULT put_Alignment(int32_t alignment) = 0;
};

class Borders : public Unknown {
 public:
  virtual HRESULT Item(int32_t index, Border** border) = 0;
};

class Border : public Unknown {
 public:
  virtual HRESULT put_LineStyle(int32_t style) = 0;
};

}  // namespace fv::automation
