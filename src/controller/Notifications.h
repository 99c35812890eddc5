// The codes sent to the host window with WM_CONVERT_NOTIFY and WM_CONVERT_ERROR.
#pragma once

#include <cstdint>

namespace fv {

// wParam is a 32-bit value: -1 travels as 0xFFFFFFFF on every platform.
inline constexpr uintptr_t kMinusOne = 0xFFFFFFFFu;

enum NotifyCode : uintptr_t { kNotifyFileWritten = 0, kNotifyFinished = 1 };

enum ErrorCode : uintptr_t {
  kErrorNotInstalled = 100,  // no word processor registered, or it cannot be started
  kErrorStart = 101,         // connecting, hiding or switching off the checks failed
  kErrorRelease = 102,       // emptying the clipboard or quitting failed at the end
  kErrorOpen = 103,          // the opened document cannot be found or connected
  kErrorRange = 104,         // the lower page bound lies beyond the last page
  kErrorSave = 105,          // a page document cannot be saved
  kErrorPaste = 106,         // the content cannot be pasted into the page document
  kErrorPageCount = 107,     // the page count is unavailable
  kErrorClose = 108,         // a page document cannot be closed
  kErrorReleaseWord = 109,   // letting go of the word processor failed after 103 or 107
  kErrorVersion = 110,       // neither Office 9.0 nor 10.0 is registered for the user
};

}  // namespace fv
