#include "automation/office/OfficeSettings.h"

#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <random>

namespace fv::office {
namespace {

namespace fs = std::filesystem;

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

std::string DefaultProfileTemplate(const std::string& tempFolder) {
  std::string cache = Environment("XDG_CACHE_HOME");
  if (cache.empty() || cache[0] != '/') {
    const std::string home = Environment("HOME");
    if (!home.empty() && home[0] == '/') cache = home + "/.cache";
  }
  if (cache.empty()) {
    return tempFolder + "/folivex-" + std::to_string(getuid()) + "/office-profile";
  }
  return cache + "/folivex/office-profile";
}

}  // namespace

std::optional<std::chrono::milliseconds> ParseSeconds(const char* text) {
  if (!text || !*text) return std::nullopt;
  char* end = nullptr;
  const double seconds = std::strtod(text, &end);
  if (end == text || *end != '\0' || !std::isfinite(seconds) || seconds <= 0 ||
      seconds > 86400.0 * 7) {
    return std::nullopt;
  }
  return std::chrono::milliseconds(static_cast<int64_t>(std::ceil(seconds * 1000)));
}

bool IsValidPipeName(const std::string& name) {
  if (name.empty() || name.size() > 80) return false;
  for (char c : name) {
    const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                    c == '_' || c == '-' || c == '.';
    if (!ok) return false;
  }
  return true;
}

std::string PrivatePipeName() {
  // The random part keeps a stray office of an earlier process that had the same process
  // id from being taken for ours.
  static const std::string name = [] {
    std::random_device random;
    char suffix[9];
    std::snprintf(suffix, sizeof suffix, "%08x", static_cast<unsigned>(random()));
    return "folivex-" + std::to_string(getpid()) + "-" + suffix;
  }();
  return name;
}

std::string ResolveOfficeBinary(const std::string& configured) {
  const std::string given =
      configured.empty() ? std::string(FOLIVEX_OFFICE_PROGRAM) + "/soffice.bin" : configured;
  std::error_code ec;
  const fs::path real = fs::canonical(given, ec);
  if (ec) return given;
  if (real.filename() == "soffice.bin") return real.string();
  const fs::path beside = real.parent_path() / "soffice.bin";
  if (fs::exists(beside, ec)) return beside.string();
  return real.string();
}

OfficeSettings OfficeSettings::FromEnvironment() {
  OfficeSettings s;
  const std::string pipe = Environment("FOLIVEX_OFFICE_PIPE");
  s.pipeNamed = !pipe.empty();
  s.pipe = s.pipeNamed ? pipe : PrivatePipeName();
  std::string temp = Environment("TMPDIR");
  if (temp.empty() || temp[0] != '/') temp = "/tmp";
  while (temp.size() > 1 && temp.back() == '/') temp.pop_back();
  s.tempFolder = temp;
  const std::string profile = Environment("FOLIVEX_OFFICE_PROFILE");
  s.profileTemplate = profile.empty() ? DefaultProfileTemplate(temp) : profile;
  s.soffice = ResolveOfficeBinary(Environment("FOLIVEX_SOFFICE"));
  if (auto t = ParseSeconds(std::getenv("FOLIVEX_OFFICE_TIMEOUT"))) s.callTimeout = *t;
  if (auto t = ParseSeconds(std::getenv("FOLIVEX_OFFICE_LOAD_TIMEOUT"))) s.loadTimeout = *t;
  if (auto t = ParseSeconds(std::getenv("FOLIVEX_OFFICE_START_TIMEOUT"))) s.startTimeout = *t;
  return s;
}

}  // namespace fv::office
