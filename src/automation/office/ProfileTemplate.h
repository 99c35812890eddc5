// The ready-made office profile. An office started on an empty profile sets it up, asks to
// be started again, and on every start runs graphics self-tests for seconds until the profile
// records the version it has seen; starting from a copy of a profile made once (and told the
// version, with lock files, autosave, recovery and background checking off) saves all that.
#pragma once

#include <string>

#include "automation/office/OfficeSettings.h"

namespace fv::office {

// Makes the template at `settings.profileTemplate` unless it is there already. A folder that
// holds something else than a template of ours is used as it is and never changed. Returns
// false with `error` set when it can be neither found nor made.
bool EnsureProfileTemplate(const OfficeSettings& settings, std::string& error);

// Copies the template's contents into the existing folder `target`.
bool CopyProfileTemplate(const std::string& profileTemplate, const std::string& target,
                         std::string& error);

// The settings written into a new template, as the office's configuration items;
// `version` is the office's own version ("7.4").
std::string ProfileSettingsItems(const std::string& version);

// The office's version ("7.4") from the configuration data installed beside `soffice`;
// empty when it cannot be read.
std::string InstalledOfficeVersion(const std::string& soffice);

}  // namespace fv::office
