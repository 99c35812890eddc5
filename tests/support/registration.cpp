#include "registration.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <stdexcept>

namespace fv::testing {
namespace {

constexpr const char* kHeader = "Windows Registry Editor Version 5.00\r\n";
constexpr const char* kWordClsid = "{000209FF-0000-0000-C000-000000000046}";

struct SavedVariable {
  bool saved = false;
  std::optional<std::string> value;
};
SavedVariable g_savedHkcr, g_savedHkcu;

const char* VariableOf(const std::string& root) {
  if (root == "HKEY_CLASSES_ROOT") return "FOLIVEX_HKCR";
  if (root == "HKEY_CURRENT_USER") return "FOLIVEX_HKCU";
  throw std::invalid_argument("no store for the root " + root);
}

SavedVariable& SavedOf(const char* variable) {
  return std::string(variable) == "FOLIVEX_HKCR" ? g_savedHkcr : g_savedHkcu;
}

// A path as a quoted .reg string.
std::string Quoted(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '\\' || c == '"') out += '\\';
    out += c;
  }
  return out + "\"";
}

}  // namespace

std::string WriteStoreForTest(const std::string& folder, const std::string& root,
                              const std::string& contents) {
  const char* variable = VariableOf(root);
  std::filesystem::create_directories(folder);
  const std::string path = folder + "/" + root + ".reg";
  // Written beside and renamed into place: the library never reads half a file.
  const std::string temporary = path + ".tmp";
  {
    std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
    file << contents;
    if (!file.flush()) throw std::runtime_error("cannot write " + temporary);
  }
  std::filesystem::rename(temporary, path);

  SavedVariable& saved = SavedOf(variable);
  if (!saved.saved) {
    const char* old = std::getenv(variable);
    saved.value = old ? std::optional<std::string>(old) : std::nullopt;
    saved.saved = true;
  }
  setenv(variable, path.c_str(), 1);
  return path;
}

void RegisterForTest(const std::string& folder, const Registration& registration) {
  std::string classes = kHeader;
  if (registration.docKey) {
    classes +=
        "\r\n[HKEY_CLASSES_ROOT\\.doc]\r\n@=\"Word.Document.8\"\r\n"
        "\r\n[HKEY_CLASSES_ROOT\\.doc\\Word.Document.8]\r\n";
  }
  if (!registration.serverPath.empty()) {
    classes += "\r\n[HKEY_CLASSES_ROOT\\Word.Application\\CLSID]\r\n@=\"" +
               std::string(kWordClsid) + "\"\r\n\r\n[HKEY_CLASSES_ROOT\\CLSID\\" + kWordClsid +
               "\\InprocServer32]\r\n@=" + Quoted(registration.serverPath) + "\r\n";
  }
  std::string user = kHeader;
  if (registration.versionKey)
    user += "\r\n[HKEY_CURRENT_USER\\Software\\Microsoft\\Office\\10.0]\r\n";
  WriteStoreForTest(folder, "HKEY_CLASSES_ROOT", classes);
  WriteStoreForTest(folder, "HKEY_CURRENT_USER", user);
}

void UnregisterForTest() {
  for (const char* variable : {"FOLIVEX_HKCR", "FOLIVEX_HKCU"}) {
    SavedVariable& saved = SavedOf(variable);
    if (!saved.saved) continue;
    if (saved.value) {
      setenv(variable, saved.value->c_str(), 1);
    } else {
      unsetenv(variable);
    }
    saved = SavedVariable{};
  }
}

}  // namespace fv::testing
