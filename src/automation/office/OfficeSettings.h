// How the office server finds, starts and waits for the office: read from the environment
// each time an application object is made, so that a host may change them between files.
//
//   FOLIVEX_OFFICE_PIPE          a pipe to share: an office listening there is attached to,
//                                and a started one listens there (default: a pipe private
//                                to this process)
//   FOLIVEX_OFFICE_PROFILE       the ready-made profile that every started office gets a
//                                copy of (default: the user's cache folder)
//   FOLIVEX_SOFFICE              the office program (default: the installed soffice.bin)
//   FOLIVEX_OFFICE_TIMEOUT       seconds any one call into the office may take (60)
//   FOLIVEX_OFFICE_LOAD_TIMEOUT  seconds loading and laying out a document may take (120)
//   FOLIVEX_OFFICE_START_TIMEOUT seconds a started office has to answer (60)
#pragma once

#include <chrono>
#include <optional>
#include <string>

namespace fv::office {

struct OfficeSettings {
  std::string pipe;
  bool pipeNamed = false;  // named by the host or user rather than private to the process
  std::string profileTemplate;
  std::string soffice;
  std::string tempFolder;  // where started offices keep their copies of the profile
  std::chrono::milliseconds callTimeout{60000};
  std::chrono::milliseconds loadTimeout{120000};
  std::chrono::milliseconds startTimeout{60000};

  static OfficeSettings FromEnvironment();
};

// The pipe name of this process's own office: the same for the life of the process.
std::string PrivatePipeName();

// Whether `name` may name a pipe: letters, digits, '_', '-' and '.', 1 to 80 of them.
bool IsValidPipeName(const std::string& name);

// A positive number of seconds ("90", "0.5") as a duration; nothing for anything else.
std::optional<std::chrono::milliseconds> ParseSeconds(const char* text);

// The office binary to run for `configured` (empty: the installed one): a launcher script
// named soffice is replaced by the soffice.bin beside the file it resolves to, so that the
// process we start is the office itself.
std::string ResolveOfficeBinary(const std::string& configured);

}  // namespace fv::office
