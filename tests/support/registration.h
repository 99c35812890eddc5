// Registers a word processor for the tests: writes the registry store files of both roots
// into a folder of the test's own and points FOLIVEX_HKCR and FOLIVEX_HKCU at them, so that
// the library finds the server the test names and never the user's own registration. On
// Windows (tests/windows/registration.cpp) the keys go into the registry itself, in the
// prefix the tests run in, and the folder is not used.
#pragma once

#include <string>

namespace fv::testing {

struct Registration {
  // The shared object registered as the automation server of Word.Application (through
  // its CLSID and InprocServer32); empty: Word.Application is not registered.
  std::string serverPath;
  // ".doc" with the default value Word.Document.8 and a sub-key of that name.
  bool docKey = true;
  // HKEY_CURRENT_USER\Software\Microsoft\Office\10.0.
  bool versionKey = true;
};

// Writes `folder`/HKEY_CLASSES_ROOT.reg and `folder`/HKEY_CURRENT_USER.reg (making the
// folder when missing; replacing earlier files there) and sets the two variables. Throws
// std::runtime_error when a file cannot be written.
void RegisterForTest(const std::string& folder, const Registration& registration);

// Writes one store file as given (a test's own contents) and points the root's variable at
// it: `root` is "HKEY_CLASSES_ROOT" or "HKEY_CURRENT_USER". Returns the file's path.
std::string WriteStoreForTest(const std::string& folder, const std::string& root,
                              const std::string& contents);

// Gives FOLIVEX_HKCR and FOLIVEX_HKCU back the values they had before the first call of
// RegisterForTest or WriteStoreForTest since the last UnregisterForTest. The files stay.
void UnregisterForTest();

}  // namespace fv::testing
