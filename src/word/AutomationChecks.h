// The checks that every checked automation call goes through: a failed call or a null
// interface asks the user, in a message box, whether to stop, go on or debug, and raises
// the automation failure so that the nearest failure handler reports the step.
#pragma once

#include <string>

#include "automation/Exceptions.h"
#include "automation/HResult.h"

namespace fv::word {

using automation::HRESULT;

inline constexpr unsigned kCheckBoxFlags = 0x2023;  // Yes/No/Cancel, question, task-modal

// Returns `hr` when it is a success code. A failure asks the user; every answer ends the
// call with EOleException (Cancel first breaks into an attached debugger): going on
// through a call that failed is not sound.
HRESULT CheckResult(HRESULT hr, const char* callText, const char* sourceFile, int line);
// Asks the user about a failed condition; every answer raises EOleException with E_FAIL.
int ReportFailedAssertion(const char* condition, const char* sourceFile, int line);
// Shows the check's box and returns the answer: 6 Yes, 7 No, 2 Cancel.
int PromptCheckFailure(const char* caption, const char* text);
[[noreturn]] void RaiseAutomationFailure(const std::string& message, HRESULT hr,
                                         const std::string& source);

// Returns `p` when it is not null; otherwise reports "intf != 0" and raises.
template <class T>
T* CheckInterface(T* p, const char* sourceFile, int line) {
  if (!p) ReportFailedAssertion("intf != 0", sourceFile, line);
  return p;
}

}  // namespace fv::word

// A checked call: CHECKED(document->Select()) checks the HRESULT with the call's own text.
#define CHECKED(call) ::fv::word::CheckResult((call), #call, __FILE__, __LINE__)
// A checked interface: CHECKED_INTF(ptr.Get()) raises when the pointer is null.
#define CHECKED_INTF(p) ::fv::word::CheckInterface((p), __FILE__, __LINE__)
