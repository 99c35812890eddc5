// The system's message text of an HRESULT.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace fv::platform {

// The text the system's message table holds for `code`, in the user's default language,
// or nothing when it holds none.
std::optional<std::string> SystemMessageText(int32_t code);

}  // namespace fv::platform
