#include "word/AutomationChecks.h"

#include <cstdio>
#include <string>

#include "platform/debugger.h"
#include "platform/message_box.h"
#include "platform/system_messages.h"

namespace fv::word {
namespace {

// printf-style formatting into a text that grows as needed: never cut, never overflowed.
template <class... Args>
std::string Format(const char* format, Args... args) {
  const int size = std::snprintf(nullptr, 0, format, args...);
  std::string text(size > 0 ? static_cast<size_t>(size) : 0, '\0');
  std::snprintf(text.data(), text.size() + 1, format, args...);
  return text;
}

const char* OrEmpty(const char* text) {
  return text ? text : "";
}

}  // namespace

HRESULT CheckResult(HRESULT hr, const char* callText, const char* sourceFile, int line) {
  if (hr >= 0) return hr;
  const std::string file = Format("%s", OrEmpty(sourceFile));
  std::string text;
  if (auto system = platform::SystemMessageText(hr)) {
    text = Format("'%s': %s @ %s/%d", OrEmpty(callText), system->c_str(), file.c_str(), line);
  } else {
    text = Format("(%s) Error: %lX (%ld) @ %s/%d", OrEmpty(callText),
                  static_cast<unsigned long>(static_cast<uint32_t>(hr)), static_cast<long>(hr),
                  file.c_str(), line);
  }
  const int answer = PromptCheckFailure("HRCHECK: ", text.c_str());
  if (answer == platform::kAnswerCancel) platform::BreakIntoDebugger();
  RaiseAutomationFailure(text, hr, file);
}

int ReportFailedAssertion(const char* condition, const char* sourceFile, int line) {
  const std::string text = Format("%s @ %s/%d", OrEmpty(condition), OrEmpty(sourceFile), line);
  PromptCheckFailure("_ASSERTE: ", text.c_str());
  RaiseAutomationFailure(Format("%s failed - %s/%d", OrEmpty(condition), OrEmpty(sourceFile), line),
                         automation::E_FAIL, Format("%s", OrEmpty(sourceFile)));
}

int PromptCheckFailure(const char* caption, const char* text) {
  const std::string box =
      Format("%s\nPress [Y]es to terminate, [N]o to continue and [C]ancel to Debug", OrEmpty(text));
  return platform::ShowMessageBox(OrEmpty(caption), box, kCheckBoxFlags);
}

void RaiseAutomationFailure(const std::string& message, HRESULT hr, const std::string& source) {
  throw automation::EOleException(message, hr, source, "", 0);
}

}  // namespace fv::word
