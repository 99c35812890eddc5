// What the tests of the office server share: the test documents, the page checker, the
// processes and folders an office leaves (or must not leave), and an office started by a
// test itself on a pipe, as another program would start it.
#pragma once

#include <sys/types.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace fv::testing {

// The folder with the test documents, written by make_fixtures.py when not there yet.
const std::string& OfficeFixtures();

// Points the office server at a temporary folder of the test binary's own (so that profile
// copies left behind show), a profile template of the build, and answers message boxes.
void UseOfficeTestEnvironment();
// The temporary folder of UseOfficeTestEnvironment.
const std::string& OfficeTempFolder();

// The office processes started on a profile copy in OfficeTempFolder(), and those copies.
std::vector<pid_t> StartedOffices();
std::vector<std::string> LeftProfileCopies();

// pagecheck's verdict on a folder of page files: "pages: M of N match".
struct PageCheck {
  bool ran = false;
  int matched = 0;
  int pages = 0;
  std::map<int, std::string> verdicts;  // page -> verdict, from its JSON report
  std::string output;
};
PageCheck CheckPages(const std::string& source, const std::string& folder);
// Whether the page checker can run here (it needs python3-uno and poppler-utils).
bool PageCheckerAvailable();

// The text of `source` as the office lays it out, line by line, that the HTML file does not
// hold (headers, footers and notes excepted), as wholecheck.py finds it; nothing when the
// checker could not run.
std::optional<std::vector<std::string>> LinesMissingFromWhole(const std::string& source,
                                                              const std::string& html);

// The documents an office on `pipe` has open (counted by a client of its own), or -1.
int OpenDocumentsOfOffice(const std::string& pipe);

// An office started by a test on a named pipe, with a profile of its own; killed (with its
// process group) and its profile removed when the object goes.
class SharedOffice {
 public:
  explicit SharedOffice(const std::string& pipe);
  ~SharedOffice();
  SharedOffice(const SharedOffice&) = delete;
  SharedOffice& operator=(const SharedOffice&) = delete;
  // Whether it answers on its pipe within `seconds`.
  bool WaitReady(int seconds);
  bool Running() const;
  pid_t Pid() const { return pid_; }

 private:
  std::string pipe_, folder_;
  pid_t pid_ = -1;
};

// Sets an environment variable for the life of the object, then restores it.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::string& value);
  ~ScopedEnv();
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  std::string name_;
  std::optional<std::string> saved_;
};

}  // namespace fv::testing
