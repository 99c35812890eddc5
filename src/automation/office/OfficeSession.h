// One office as the server holds it: the bridge to it, whether the server started it (and
// must end it) or only attached to it, and the bounded calls into it.
#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "automation/HResult.h"
#include "automation/office/CallFailure.h"
#include "automation/office/DocumentOps.h"
#include "automation/office/OfficeProcess.h"
#include "automation/office/OfficeSettings.h"
#include "automation/office/UnoConnection.h"

namespace fv::office {

using automation::HRESULT;

class OfficeSession {
 public:
  // An office already listening on the settings' pipe; MK_E_UNAVAILABLE when there is none.
  static HRESULT Attach(const OfficeSettings& settings, std::shared_ptr<OfficeSession>& session);
  // A new office started on the settings' pipe, once it answers; CO_E_SERVER_EXEC_FAILURE
  // when it cannot be started or does not answer within the start time limit.
  static HRESULT Start(const OfficeSettings& settings, std::shared_ptr<OfficeSession>& session);

  ~OfficeSession();
  OfficeSession(const OfficeSession&) = delete;
  OfficeSession& operator=(const OfficeSession&) = delete;

  const OfficeSettings& Settings() const { return settings_; }
  bool Started() const { return process_ != nullptr; }
  bool Ended() const { return ended_; }
  const UnoConnection& Connection() const { return *connection_; }
  // The work with documents, done by the agent inside the office where it could be loaded.
  // Only inside Call.
  OfficeOps& Ops() const { return *ops_; }

  // Runs `body` (which talks to the office) within `limit`. An office that does not answer in
  // time is killed (RPC_E_TIMEOUT); one that is gone gives RPC_E_SERVERDIED, and so does
  // every later call. Other failures become DISP_E_EXCEPTION, E_OUTOFMEMORY, or the result
  // of a CallFailure (thrown here or carried by an exception from the office agent).
  HRESULT Call(std::chrono::milliseconds limit, const std::function<void()>& body);
  HRESULT Call(const std::function<void()>& body) { return Call(settings_.callTimeout, body); }

  // A started office is asked to terminate (briefly), then killed if need be, reaped and its
  // profile removed; an attached one keeps running and only the bridge goes.
  void End();

  // The last failure's description, for tests and logs.
  const std::string& LastError() const { return lastError_; }

 private:
  explicit OfficeSession(const OfficeSettings& settings) : settings_(settings) {}
  HRESULT WaitUntilAnswering(std::string& error);
  void KillOffice();

  OfficeSettings settings_;
  std::unique_ptr<OfficeProcess> process_;
  std::unique_ptr<UnoConnection> connection_;
  std::unique_ptr<OfficeOps> ops_;
  std::atomic<bool> dead_{false};
  std::atomic<bool> timedOut_{false};
  bool ended_ = false;
  std::string lastError_;
};

}  // namespace fv::office
