// The exception family the engine raises and handles: every failure is an Exception; the
// silent abort (EAbort) ends the work on a file without a message of its own; an
// automation failure (EOleException) carries the failed call's text and HRESULT.
#pragma once

#include <stdexcept>
#include <string>

#include "automation/HResult.h"

namespace fv::automation {

class Exception : public std::runtime_error {
 public:
  explicit Exception(const std::string& message) : std::runtime_error(message) {}
};

class EAbort : public Exception {
 public:
  EAbort() : Exception("Operation aborted") {}
};

class EOleException : public Exception {
 public:
  EOleException(const std::string& message, HRESULT errorCode, const std::string& source,
                const std::string& helpFile, int helpContext)
      : Exception(message),
        errorCode_(errorCode),
        source_(source),
        helpFile_(helpFile),
        helpContext_(helpContext) {}
  HRESULT ErrorCode() const { return errorCode_; }
  const std::string& Source() const { return source_; }
  const std::string& HelpFile() const { return helpFile_; }
  int HelpContext() const { return helpContext_; }

 private:
  HRESULT errorCode_;
  std::string source_;
  std::string helpFile_;
  int helpContext_;
};

}  // namespace fv::automation
