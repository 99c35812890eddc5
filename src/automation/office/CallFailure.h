// A failure with a result code of its own choosing, thrown by the server's work with the
// office; it crosses from the office agent to the server inside a UNO exception's message.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

#include "automation/HResult.h"

namespace fv::office {

struct CallFailure {
  automation::HRESULT result;
  std::string what;
};

// "FOLIVEX 0x80004005 what": the message of the exception that carries a CallFailure.
inline std::string EncodeFailure(const CallFailure& failure) {
  char code[16];
  std::snprintf(code, sizeof code, "0x%08X", static_cast<unsigned>(failure.result));
  return std::string("FOLIVEX ") + code + " " + failure.what;
}

// The CallFailure in an exception's message, when it carries one.
inline bool DecodeFailure(const std::string& message, CallFailure& failure) {
  const auto at = message.find("FOLIVEX 0x");
  if (at == std::string::npos || message.size() < at + 18) return false;
  failure.result = static_cast<automation::HRESULT>(
      std::strtoul(message.substr(at + 8, 10).c_str(), nullptr, 16));
  failure.what = message.size() > at + 19 ? message.substr(at + 19) : "";
  return true;
}

}  // namespace fv::office
