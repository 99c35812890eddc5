#include "OfficeTesting.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <regex>
#include <thread>

#include "Command.h"
#include "automation/office/OfficeProcess.h"
#include "automation/office/OfficeSettings.h"
#include "automation/office/ProfileTemplate.h"

namespace fv::testing {
namespace {

namespace fs = std::filesystem;

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// The command line of a process, its arguments joined by spaces.
std::string CommandLine(const std::string& pid) {
  std::string line = ReadAll("/proc/" + pid + "/cmdline");
  for (char& c : line) {
    if (c == '\0') c = ' ';
  }
  return line;
}

}  // namespace

const std::string& OfficeTempFolder() {
  // Kept until the very end of the process, when it is removed with what is in it.
  static const std::string* folder = [] {
    auto* path =
        new std::string((fs::temp_directory_path() / "folivex-office-tests-XXXXXX").string());
    if (!mkdtemp(path->data())) std::abort();
    std::atexit([] {
      std::error_code ec;
      fs::remove_all(OfficeTempFolder(), ec);
    });
    return path;
  }();
  return *folder;
}

void UseOfficeTestEnvironment() {
  setenv("TMPDIR", OfficeTempFolder().c_str(), 1);
  setenv("FOLIVEX_OFFICE_PROFILE", FOLIVEX_OFFICE_TEST_PROFILE, 1);
  setenv("FOLIVEX_CHECK_ANSWER", "yes", 1);
  unsetenv("FOLIVEX_OFFICE_PIPE");
}

const std::string& OfficeFixtures() {
  static const std::string folder = [] {
    const std::string path = FOLIVEX_OFFICE_TEST_FIXTURES;
    const std::string script = FOLIVEX_OFFICE_TEST_SOURCE "/make_fixtures.py";
    // The mark names the script that made the documents: a changed script makes them again.
    auto contents = [](const std::string& file) {
      std::ifstream in(file, std::ios::binary);
      return std::string(std::istreambuf_iterator<char>(in), {});
    };
    const std::string made = std::to_string(std::hash<std::string>{}(contents(script))) + "\n";
    if (contents(path + "/complete") != made) {
      CommandOptions options;
      options.env["FOLIVEX_OFFICE_PROFILE"] = FOLIVEX_OFFICE_TEST_PROFILE;
      options.timeoutSeconds = 300;
      if (RunCommand({script, path}, options).exitStatus == 0) {
        std::ofstream(path + "/complete") << made;
      }
    }
    return path;
  }();
  return folder;
}

std::vector<pid_t> StartedOffices() {
  std::vector<pid_t> found;
  const std::string mark = "file://" + OfficeTempFolder() + "/folivex-office-";
  for (const auto& entry : fs::directory_iterator("/proc")) {
    const std::string name = entry.path().filename();
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
    if (CommandLine(name).find(mark) != std::string::npos) found.push_back(std::stoi(name));
  }
  return found;
}

std::vector<std::string> LeftProfileCopies() {
  std::vector<std::string> left;
  for (const auto& entry : fs::directory_iterator(OfficeTempFolder())) {
    const std::string name = entry.path().filename();
    if (name.rfind("folivex-office-", 0) == 0) left.push_back(name);
  }
  return left;
}

bool PageCheckerAvailable() {
  return fs::exists(FOLIVEX_PAGECHECK) && fs::exists("/usr/bin/pdftotext") &&
         fs::exists("/usr/lib/python3/dist-packages/uno.py");
}

PageCheck CheckPages(const std::string& source, const std::string& folder) {
  PageCheck check;
  const std::string report = folder + ".pagecheck.json";
  CommandOptions options;
  options.timeoutSeconds = 300;
  const auto result = RunCommand(
      {FOLIVEX_PAGECHECK, source, folder, "--cache", FOLIVEX_OFFICE_TEST_CACHE, "--json", report},
      options);
  check.output = result.out + result.err;
  std::smatch match;
  if (std::regex_search(check.output, match, std::regex("pages: (\\d+) of (\\d+) match"))) {
    check.ran = true;
    check.matched = std::stoi(match[1]);
    check.pages = std::stoi(match[2]);
  }
  // Each page's entry of the report: {... "v": "exact", ... "page": 3 ...}, in any order.
  const std::string json = ReadAll(report);
  const std::regex entry("\\{[^{}]*\\}");
  const std::regex page("\"page\": (\\d+)");
  const std::regex verdict("\"v\": \"(\\w+)\"");
  for (auto it = std::sregex_iterator(json.begin(), json.end(), entry);
       it != std::sregex_iterator(); ++it) {
    const std::string text = it->str();
    std::smatch p, v;
    if (std::regex_search(text, p, page) && std::regex_search(text, v, verdict)) {
      check.verdicts[std::stoi(p[1])] = v[1];
    }
  }
  return check;
}

std::optional<std::vector<std::string>> LinesMissingFromWhole(const std::string& source,
                                                              const std::string& html) {
  CommandOptions options;
  options.timeoutSeconds = 300;
  const auto result = RunCommand({FOLIVEX_OFFICE_TEST_SOURCE "/wholecheck.py", FOLIVEX_PAGECHECK,
                                  source, html, "--cache", FOLIVEX_OFFICE_TEST_CACHE},
                                 options);
  if (result.exitStatus != 0) return std::nullopt;
  std::vector<std::string> missing;
  for (const auto& line : result.OutLines()) {
    if (line.rfind("page ", 0) == 0) missing.push_back(line);
  }
  return missing;
}

int OpenDocumentsOfOffice(const std::string& pipe) {
  CommandOptions options;
  options.timeoutSeconds = 60;
  const auto result =
      RunCommand({FOLIVEX_OFFICE_TEST_SOURCE "/office_documents.py", pipe}, options);
  if (result.exitStatus != 0 || result.OutLines().empty()) return -1;
  return std::stoi(result.OutLines().back());
}

SharedOffice::SharedOffice(const std::string& pipe) : pipe_(pipe) {
  // Made the way the server makes its own: a copy of the ready-made profile.
  auto settings = office::OfficeSettings::FromEnvironment();
  settings.profileTemplate = FOLIVEX_OFFICE_TEST_PROFILE;
  std::string error;
  if (!office::EnsureProfileTemplate(settings, error)) return;
  folder_ = (fs::temp_directory_path() / "folivex-shared-office-XXXXXX").string();
  if (!mkdtemp(folder_.data())) return;
  if (!office::CopyProfileTemplate(settings.profileTemplate, folder_, error)) return;
  const std::string profile = "-env:UserInstallation=" + office::FileUrl(folder_);
  const std::string accept = "--accept=pipe,name=" + pipe + ";urp;StarOffice.ComponentContext";
  pid_ = fork();
  if (pid_ == 0) {
    setsid();
    execl(settings.soffice.c_str(), settings.soffice.c_str(), profile.c_str(), "--headless",
          "--invisible", "--nologo", "--norestore", "--nodefault", "--nolockcheck", accept.c_str(),
          static_cast<char*>(nullptr));
    _exit(127);
  }
}

bool SharedOffice::WaitReady(int seconds) {
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  while (std::chrono::steady_clock::now() < until && Running()) {
    if (OpenDocumentsOfOffice(pipe_) >= 0) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
  }
  return false;
}

bool SharedOffice::Running() const {
  if (pid_ <= 0) return false;
  int status = 0;
  return waitpid(pid_, &status, WNOHANG) == 0;
}

SharedOffice::~SharedOffice() {
  if (pid_ > 0) {
    kill(-pid_, SIGKILL);
    int status = 0;
    waitpid(pid_, &status, 0);
  }
  if (!folder_.empty()) {
    for (const auto& file : office::OfficePipeFiles(folder_, pipe_)) unlink(file.c_str());
    std::error_code ec;
    fs::remove_all(folder_, ec);
  }
}

ScopedEnv::ScopedEnv(const char* name, const std::string& value) : name_(name) {
  if (const char* old = std::getenv(name)) saved_ = old;
  setenv(name, value.c_str(), 1);
}

ScopedEnv::~ScopedEnv() {
  if (saved_) {
    setenv(name_.c_str(), saved_->c_str(), 1);
  } else {
    unsetenv(name_.c_str());
  }
}

}  // namespace fv::testing
