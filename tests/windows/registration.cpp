// The Windows side of tests/support/registration.h: the keys are written into the
// registry itself (Wine's, in the prefix the tests run in), where the library and COM
// read them.
#include <windows.h>

#include <stdexcept>
#include <vector>

#include "registration.h"

namespace fv::testing {
namespace {

constexpr const char* kWordClsid = "{000209FF-0000-0000-C000-000000000046}";

// Every key a registration may write, deleted before each one and by UnregisterForTest.
struct OwnedKey {
  HKEY root;
  std::string path;
};
const std::vector<OwnedKey>& OwnedKeys() {
  static const std::vector<OwnedKey> keys = {
      {HKEY_CLASSES_ROOT, ".doc"},
      {HKEY_CLASSES_ROOT, "Word.Application"},
      {HKEY_CLASSES_ROOT, std::string("CLSID\\") + kWordClsid},
      {HKEY_CURRENT_USER, "Software\\Microsoft\\Office\\9.0"},
      {HKEY_CURRENT_USER, "Software\\Microsoft\\Office\\10.0"},
  };
  return keys;
}

void DeleteOwnedKeys() {
  for (const OwnedKey& key : OwnedKeys()) RegDeleteTreeA(key.root, key.path.c_str());
}

// Creates the key (and those above it) and sets its default value when `value` is given.
void WriteKey(HKEY root, const std::string& path, const char* value = nullptr,
              const char* valueName = nullptr) {
  HKEY key = nullptr;
  if (RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) !=
      ERROR_SUCCESS) {
    throw std::runtime_error("cannot create the registry key " + path);
  }
  LONG status = ERROR_SUCCESS;
  if (value) {
    status = RegSetValueExA(key, valueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                            static_cast<DWORD>(std::string(value).size() + 1));
  }
  RegCloseKey(key);
  if (status != ERROR_SUCCESS) throw std::runtime_error("cannot set a value of " + path);
}

// A server named without a folder is the DLL of that name the test program has loaded.
std::string ServerPath(const std::string& path) {
  if (path.find_first_of("\\/") != std::string::npos) return path;
  HMODULE module = GetModuleHandleA(path.c_str());
  char full[MAX_PATH];
  const DWORD length = module ? GetModuleFileNameA(module, full, MAX_PATH) : 0;
  return length ? std::string(full, length) : path;
}

}  // namespace

void RegisterForTest(const std::string&, const Registration& registration) {
  DeleteOwnedKeys();
  if (registration.docKey) {
    WriteKey(HKEY_CLASSES_ROOT, ".doc", "Word.Document.8");
    WriteKey(HKEY_CLASSES_ROOT, ".doc\\Word.Document.8");
  }
  if (!registration.serverPath.empty()) {
    const std::string server = std::string("CLSID\\") + kWordClsid + "\\InprocServer32";
    WriteKey(HKEY_CLASSES_ROOT, "Word.Application\\CLSID", kWordClsid);
    WriteKey(HKEY_CLASSES_ROOT, server, ServerPath(registration.serverPath).c_str());
    WriteKey(HKEY_CLASSES_ROOT, server, "Apartment", "ThreadingModel");
  }
  if (registration.versionKey) {
    WriteKey(HKEY_CURRENT_USER, "Software\\Microsoft\\Office\\10.0");
  }
}

void UnregisterForTest() {
  DeleteOwnedKeys();
}

}  // namespace fv::testing
