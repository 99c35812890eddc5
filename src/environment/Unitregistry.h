// Whether a word processor is registered for ".doc" files, and whether the user's Office
// version is 9.0 or 10.0. Each check reads the registry afresh and writes nothing.
#pragma once

namespace fv::environment {

class TCheckEnvironment {
 public:
  // 1 when ".doc" is registered and the key its default value names exists below it.
  int CheckInstalled();
  // 9 when HKEY_CURRENT_USER\Software\Microsoft\Office\9.0 exists, otherwise 0.
  int CheckVersion9();
  // 10 when HKEY_CURRENT_USER\Software\Microsoft\Office\10.0 exists, otherwise 0.
  int CheckVersion10();
};

}  // namespace fv::environment
