// The Yes/No/Cancel question of a failed check.
#pragma once

#include <cstdint>
#include <string>

namespace fv::platform {

inline constexpr int kAnswerYes = 6;
inline constexpr int kAnswerNo = 7;
inline constexpr int kAnswerCancel = 2;

// Shows a message box with no owner and returns the button pressed (6, 7 or 2).
int ShowMessageBox(const std::string& caption, const std::string& text, uint32_t flags);

}  // namespace fv::platform
