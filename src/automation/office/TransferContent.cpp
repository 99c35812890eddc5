#include "automation/office/TransferContent.h"

#include <cstring>

namespace fv::office {
namespace {

constexpr uint32_t kMagic = 0x46564F55;  // the bytes' format; changes with the structures

class Writer {
 public:
  void Int(int64_t v) { out_.append(reinterpret_cast<const char*>(&v), sizeof v); }
  void Text(const std::string& s) {
    Int(static_cast<int64_t>(s.size()));
    out_ += s;
  }
  void Cuts(const std::vector<CellSplit>& cuts) {
    Int(static_cast<int64_t>(cuts.size()));
    for (const auto& c : cuts) {
      Text(c.cell);
      Int(static_cast<int64_t>(c.where));
      Int(c.paragraph);
      Int(c.offset);
      Int(c.table);
      Int(c.row);
      Int(c.splitRow);
      Cuts(c.cells);
    }
  }
  void Notes(const NoteNumbering& n) {
    Int(n.known);
    Int(n.first);
    Int(n.numberingType);
  }
  std::string Take() { return std::move(out_); }

 private:
  std::string out_;
};

class Reader {
 public:
  explicit Reader(const std::string& in) : in_(in) {}
  bool Int(int64_t& v) {
    if (in_.size() - at_ < sizeof v) return false;
    std::memcpy(&v, in_.data() + at_, sizeof v);
    at_ += sizeof v;
    return true;
  }
  template <class T>
  bool Int(T& v) {
    int64_t w = 0;
    if (!Int(w)) return false;
    v = static_cast<T>(w);
    return true;
  }
  bool Text(std::string& s) {
    int64_t n = 0;
    if (!Int(n) || n < 0 || static_cast<uint64_t>(n) > in_.size() - at_) return false;
    s.assign(in_, at_, static_cast<size_t>(n));
    at_ += static_cast<size_t>(n);
    return true;
  }
  bool Cuts(std::vector<CellSplit>& cuts, int depth = 0) {
    int64_t n = 0;
    if (depth > 64 || !Int(n) || n < 0 || n > 100000) return false;
    cuts.resize(static_cast<size_t>(n));
    for (auto& c : cuts) {
      int64_t where = 0;
      if (!Text(c.cell) || !Int(where) || where < 0 || where > 3 || !Int(c.paragraph) ||
          !Int(c.offset) || !Int(c.table) || !Int(c.row) || !Int(c.splitRow) ||
          !Cuts(c.cells, depth + 1)) {
        return false;
      }
      c.where = static_cast<CellSplit::Where>(where);
    }
    return true;
  }
  bool Notes(NoteNumbering& n) { return Int(n.known) && Int(n.first) && Int(n.numberingType); }
  bool AtEnd() const { return at_ == in_.size(); }

 private:
  const std::string& in_;
  size_t at_ = 0;
};

}  // namespace

std::string Serialize(const TransferContent& content) {
  Writer w;
  w.Int(kMagic);
  w.Int(static_cast<int64_t>(content.pieces.size()));
  for (const auto& p : content.pieces) {
    w.Text(p.rtf);
    w.Int(p.table);
    w.Int(p.holdsText);
    w.Cuts(p.head);
    w.Cuts(p.tail);
  }
  w.Int(content.objects);
  w.Notes(content.footnotes);
  w.Notes(content.endnotes);
  w.Int(content.endnotesElsewhere);
  const DocumentFacts& f = content.facts;
  w.Text(f.path);
  w.Int(f.properties);
  for (const auto* s :
       {&f.title, &f.subject, &f.author, &f.keywords, &f.description, &f.modifiedBy}) {
    w.Text(*s);
  }
  w.Int(static_cast<int64_t>(f.custom.size()));
  for (const auto& [name, value] : f.custom) {
    w.Text(name);
    w.Text(value);
  }
  return w.Take();
}

std::optional<TransferContent> Deserialize(const std::string& bytes) {
  Reader r(bytes);
  TransferContent content;
  int64_t magic = 0;
  int64_t pieces = 0;
  if (!r.Int(magic) || magic != kMagic || !r.Int(pieces) || pieces < 0 || pieces > 1000000) {
    return std::nullopt;
  }
  content.pieces.resize(static_cast<size_t>(pieces));
  for (auto& p : content.pieces) {
    if (!r.Text(p.rtf) || !r.Int(p.table) || !r.Int(p.holdsText) || !r.Cuts(p.head) ||
        !r.Cuts(p.tail)) {
      return std::nullopt;
    }
  }
  DocumentFacts& f = content.facts;
  int64_t custom = 0;
  if (!r.Int(content.objects) || !r.Notes(content.footnotes) || !r.Notes(content.endnotes) ||
      !r.Int(content.endnotesElsewhere) || !r.Text(f.path) || !r.Int(f.properties) ||
      !r.Text(f.title) || !r.Text(f.subject) || !r.Text(f.author) || !r.Text(f.keywords) ||
      !r.Text(f.description) || !r.Text(f.modifiedBy) || !r.Int(custom) || custom < 0 ||
      custom > 100000) {
    return std::nullopt;
  }
  f.custom.resize(static_cast<size_t>(custom));
  for (auto& [name, value] : f.custom) {
    if (!r.Text(name) || !r.Text(value)) return std::nullopt;
  }
  if (!r.AtEnd()) return std::nullopt;
  return content;
}

}  // namespace fv::office
