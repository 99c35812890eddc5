// The registry of one root as a store file describes it: the text format of registry
// exports ("Windows Registry Editor Version 5.00" or "REGEDIT4"), read strictly. This part
// only parses and looks up; reading the files and answering opens is registry.cpp's.
//
// Beyond the export format a store file may mark a key as readable but not writable with
// the directive line ";@access=read" in the key's section, before its first value.
#pragma once

#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "platform/registry.h"

namespace fv::platform::store {

// Limits that keep a hostile or broken file from costing more than a look-up is worth.
inline constexpr size_t kMaxFileBytes = 16 * 1024 * 1024;
inline constexpr size_t kMaxLineBytes = 64 * 1024;
inline constexpr size_t kMaxValueBytes = 1024 * 1024;
inline constexpr size_t kMaxKeyNameBytes = 255;
inline constexpr size_t kMaxKeyPathBytes = 1024;
inline constexpr size_t kMaxKeys = 65536;
inline constexpr size_t kMaxValueNameBytes = 16383;

struct StoredKey {
  bool readOnly = false;
  // By folded name; "" is the default value. Strings hold UTF-8 text ending in a NUL.
  std::map<std::string, RegistryValue> values;
};

// The keys below one root. Key paths and value names are case-insensitive (ASCII letters
// only); the root itself, "", always exists, and so does every ancestor of a key.
class RegistryStore {
 public:
  RegistryStore();

  // The key at `path` ("" is the root; "a\b" a key two levels down), or null when there is
  // none or the path is malformed (a leading, doubled or trailing backslash).
  const StoredKey* FindKey(std::string_view path) const;
  // The key at `foldedPath`, made with its ancestors when missing. REQUIRES: a well-formed
  // folded path, as FoldKeyPath returns.
  StoredKey& CreateKey(const std::string& foldedPath);
  // Removes the key at `foldedPath` and everything below it; the root stays.
  void DeleteKey(const std::string& foldedPath);
  // Every key by folded path, parents before children.
  const std::map<std::string, StoredKey>& Keys() const { return keys_; }

 private:
  std::map<std::string, StoredKey> keys_;
};

// What is wrong with `path` as a key path (an empty segment, a name or a path over its
// limit), or null when nothing is. "" is the root and well-formed.
const char* KeyPathProblem(std::string_view path);
// `path` with ASCII letters in lower case, or nothing when KeyPathProblem finds a fault.
std::optional<std::string> FoldKeyPath(std::string_view path);
// A value name folded the same way.
std::string FoldName(std::string_view name);

// "HKEY_CLASSES_ROOT" or "HKEY_CURRENT_USER".
const char* RootName(RegistryRoot root);

struct ParseOutcome {
  std::optional<RegistryStore> store;  // set when the file is accepted
  std::string error;                   // otherwise "<file>:<line>: <what is wrong>"
  size_t errorLine = 0;                // the line the error names (1-based)
};

// Parses the bytes of a store file for `root`; `fileName` names it in the error. An empty
// file is an empty store. Anything malformed rejects the whole file: a store is all or
// nothing, so a half-read registration never passes for a whole one.
ParseOutcome ParseRegistryStore(std::string_view bytes, RegistryRoot root,
                                std::string_view fileName);

// For test code only: `observer` sees every open of a key as the registry receives it (the
// root, the whole path below it, the access asked for); null stops it. Tests use it to see
// how a check asks, which the keys' contents cannot show.
using OpenObserver = void (*)(RegistryRoot root, const std::string& path, uint32_t access);
void SetOpenObserverForTest(OpenObserver observer);

}  // namespace fv::platform::store
