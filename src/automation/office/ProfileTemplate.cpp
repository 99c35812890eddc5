#include "automation/office/ProfileTemplate.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

#include "automation/office/OfficeProcess.h"

extern char** environ;

namespace fv::office {
namespace {

namespace fs = std::filesystem;

constexpr const char* kStampFile = "folivex-profile.stamp";
// Changes whenever the settings below change, so that older templates are made again.
constexpr const char* kStampFormat = "folivex office profile 2";

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

// The value of the configuration property `name` in the installed configuration data.
std::string InstalledProperty(const std::string& soffice, const std::string& name) {
  const fs::path data = fs::path(soffice).parent_path() / ".." / "share" / "registry" / "main.xcd";
  const std::string xcd = ReadFile(data.string());
  const auto prop = xcd.find("<prop oor:name=\"" + name + "\">");
  if (prop == std::string::npos) return "";
  const auto open = xcd.find("<value>", prop);
  const auto close = xcd.find("</value>", open);
  if (open == std::string::npos || close == std::string::npos || close - open > 80) return "";
  return xcd.substr(open + 7, close - open - 7);
}

std::string StampText(const std::string& soffice) {
  return std::string(kStampFormat) + "\n" + InstalledProperty(soffice, "ooSetupVersionAboutBox") +
         "\n";
}

// Runs the office once on `folder` until it has initialised, within `limit`. Returns its
// exit status, or -1 when it could not run or had to be killed.
int InitialiseOnce(const std::string& soffice, const std::string& folder,
                   std::chrono::milliseconds limit) {
  std::vector<std::string> args = QuietOfficeCommand(soffice, folder);
  args.push_back("--terminate_after_init");
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
  pid_t pid = -1;
  const int rc = posix_spawn(&pid, soffice.c_str(), &actions, &attributes, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  if (rc != 0) return -1;
  const auto until = std::chrono::steady_clock::now() + limit;
  int status = 0;
  for (;;) {
    const pid_t done = waitpid(pid, &status, WNOHANG);
    if (done == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    if (done < 0 && errno != EINTR) return -1;
    if (std::chrono::steady_clock::now() >= until) {
      kill(-pid, SIGKILL);
      waitpid(pid, &status, 0);
      return -1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

bool WriteSettings(const std::string& folder, const std::string& version, std::string& error) {
  const std::string path = folder + "/user/registrymodifications.xcu";
  std::string xcu = ReadFile(path);
  const std::string end = "</oor:items>";
  const auto at = xcu.rfind(end);
  if (at == std::string::npos) {
    xcu =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<oor:items "
        "xmlns:oor=\"http://openoffice.org/2001/registry\" "
        "xmlns:xs=\"http://www.w3.org/2001/XMLSchema\" "
        "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\">\n" +
        ProfileSettingsItems(version) + end + "\n";
  } else {
    xcu.insert(at, ProfileSettingsItems(version));
  }
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << xcu;
  if (!out) {
    error = "cannot write " + path;
    return false;
  }
  return true;
}

bool BuildTemplate(const OfficeSettings& settings, const std::string& folder, std::string& error) {
  const std::string version = InstalledOfficeVersion(settings.soffice);
  int status = InitialiseOnce(settings.soffice, folder, settings.startTimeout);
  if (status == kOfficeRestartStatus) {
    status = InitialiseOnce(settings.soffice, folder, settings.startTimeout);
  }
  if (status != 0) {
    error = "the office (" + settings.soffice + ") could not set up a profile in time";
    return false;
  }
  if (!WriteSettings(folder, version, error)) return false;
  std::ofstream(folder + "/" + kStampFile) << StampText(settings.soffice);
  return true;
}

}  // namespace

std::string InstalledOfficeVersion(const std::string& soffice) {
  return InstalledProperty(soffice, "ooSetupVersion");
}

std::string ProfileSettingsItems(const std::string& version) {
  struct Item {
    const char* path;
    const char* name;
    std::string value;
  };
  std::vector<Item> items = {
      // No lock files beside the documents (a killed office would leave them behind).
      {"/org.openoffice.Office.Common/Misc", "UseDocumentOOoLockFile", "false"},
      {"/org.openoffice.Office.Common/Misc", "UseDocumentSystemFileLocking", "false"},
      {"/org.openoffice.Office.Common/Save/Document", "AutoSave", "false"},
      {"/org.openoffice.Office.Recovery/RecoveryInfo", "Enabled", "false"},
      {"/org.openoffice.Office.Recovery/AutoSave", "Enabled", "false"},
      {"/org.openoffice.Office.Linguistic/SpellChecking", "IsSpellAuto", "false"},
      {"/org.openoffice.Office.Linguistic/GrammarChecking", "IsAutoCheck", "false"},
      // Collecting words for completion reads every laid-out paragraph while the office is
      // idle, holding it from the next call.
      {"/org.openoffice.Office.Writer/AutoFunction/Completion", "Enable", "false"},
      {"/org.openoffice.Office.Writer/AutoFunction/Completion", "CollectWords", "false"},
      {"/org.openoffice.Office.Common/History", "PickListSize", "0"},
      {"/org.openoffice.Office.Common/Security/Scripting", "DisableMacrosExecution", "true"},
  };
  // The office runs its graphics self-tests on every start until it has seen its version.
  if (!version.empty())
    items.push_back({"/org.openoffice.Setup/Product", "ooSetupLastVersion", version});
  std::string xml;
  for (const auto& item : items) {
    xml += std::string("<item oor:path=\"") + item.path + "\"><prop oor:name=\"" + item.name +
           "\" oor:op=\"fuse\"><value>" + item.value + "</value></prop></item>\n";
  }
  return xml;
}

bool CopyProfileTemplate(const std::string& profileTemplate, const std::string& target,
                         std::string& error) {
  std::error_code ec;
  fs::copy(profileTemplate, target, fs::copy_options::recursive | fs::copy_options::copy_symlinks,
           ec);
  if (ec) {
    error = "cannot copy the office profile " + profileTemplate + ": " + ec.message();
    return false;
  }
  return true;
}

bool EnsureProfileTemplate(const OfficeSettings& settings, std::string& error) {
  const fs::path folder(settings.profileTemplate);
  std::error_code ec;
  const bool exists = fs::exists(folder, ec);
  const bool empty = !exists || fs::is_empty(folder, ec);
  if (exists && !empty) {
    const std::string stamp = ReadFile((folder / kStampFile).string());
    if (stamp.empty()) return true;  // someone's own profile: used as it is
    if (stamp == StampText(settings.soffice)) return true;
  }
  // Made beside its place and renamed into it, so that no office ever copies half of it and
  // two processes making it at once do not mix their work.
  fs::create_directories(folder.parent_path(), ec);
  std::string building = (folder.parent_path() / ".office-profile-XXXXXX").string();
  if (!mkdtemp(building.data())) {
    error = "cannot make the office profile in " + folder.parent_path().string() + ": " +
            std::strerror(errno);
    return false;
  }
  const bool built = BuildTemplate(settings, building, error);
  for (const auto& file : OfficePipeFiles(building, "")) unlink(file.c_str());
  if (!built) {
    fs::remove_all(building, ec);
    return false;
  }
  if (exists) {
    // An empty folder, or an older template of ours.
    std::string old = building + ".old";
    fs::rename(folder, old, ec);
    fs::remove_all(old, ec);
  }
  fs::rename(building, folder, ec);
  if (ec) {
    // Another process was quicker: its template serves as well.
    fs::remove_all(building, ec);
    const std::string stamp = ReadFile((folder / kStampFile).string());
    if (stamp.empty()) {
      error = "cannot put the office profile in place at " + folder.string();
      return false;
    }
  }
  return true;
}

}  // namespace fv::office
