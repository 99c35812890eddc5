#include "automation/office/OfficeSession.h"

#include <com/sun/star/connection/NoConnectException.hpp>
#include <com/sun/star/lang/DisposedException.hpp>
#include <signal.h>

#include <thread>

#include "automation/office/Watchdog.h"

namespace fv::office {

using namespace automation;

namespace {

constexpr auto kRetryPause = std::chrono::milliseconds(25);

}  // namespace

HRESULT OfficeSession::Attach(const OfficeSettings& settings,
                              std::shared_ptr<OfficeSession>& session) {
  session.reset();
  if (!IsValidPipeName(settings.pipe)) return E_INVALIDARG;
  std::shared_ptr<OfficeSession> s(new OfficeSession(settings));
  try {
    s->connection_ = UnoConnection::Open(settings.pipe);
  } catch (const css::uno::Exception&) {
    return MK_E_UNAVAILABLE;
  }
  // A listener that does not answer as an office does is no office to use.
  if (Failed(s->Call(settings.startTimeout, [&] {
        s->connection_->Resolve();
        s->ops_ = ConnectOps(s->connection_->Context());
      }))) {
    return MK_E_UNAVAILABLE;
  }
  session = std::move(s);
  return S_OK;
}

HRESULT OfficeSession::Start(const OfficeSettings& settings,
                             std::shared_ptr<OfficeSession>& session) {
  session.reset();
  if (!IsValidPipeName(settings.pipe)) return E_INVALIDARG;
  std::shared_ptr<OfficeSession> s(new OfficeSession(settings));
  std::string error;
  s->process_ = OfficeProcess::Start(settings, error);
  if (!s->process_ || Failed(s->WaitUntilAnswering(error))) {
    s->lastError_ = error;
    s->End();
    return CO_E_SERVER_EXEC_FAILURE;
  }
  session = std::move(s);
  return S_OK;
}

HRESULT OfficeSession::WaitUntilAnswering(std::string& error) {
  const auto until = std::chrono::steady_clock::now() + settings_.startTimeout;
  bool restarted = false;
  while (std::chrono::steady_clock::now() < until) {
    int status = 0;
    if (process_->HasExited(&status)) {
      if (status == kOfficeRestartStatus && !restarted && process_->Restart(error)) {
        restarted = true;
        continue;
      }
      error = "the office ended while starting (status " + std::to_string(status) + ")";
      return CO_E_SERVER_EXEC_FAILURE;
    }
    try {
      connection_ = UnoConnection::Open(settings_.pipe);
    } catch (const css::uno::Exception&) {
      std::this_thread::sleep_for(kRetryPause);
      continue;
    }
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        until - std::chrono::steady_clock::now());
    const HRESULT hr = Call(std::max(left, std::chrono::milliseconds(1)), [&] {
      connection_->Resolve();
      ops_ = ConnectOps(connection_->Context());
    });
    if (Succeeded(hr)) return S_OK;
    error = "the office did not answer: " + lastError_;
    return hr;
  }
  error = "the office did not start listening in time";
  return CO_E_SERVER_EXEC_FAILURE;
}

void OfficeSession::KillOffice() {
  if (process_) {
    process_->Kill();
  } else {
    const int pid = ListenerOfPipe(settings_.pipe);
    if (pid > 0) kill(pid, SIGKILL);
  }
  if (connection_) connection_->Dispose();
}

HRESULT OfficeSession::Call(std::chrono::milliseconds limit, const std::function<void()>& body) {
  if (ended_) return RPC_E_DISCONNECTED;
  if (dead_) return RPC_E_SERVERDIED;
  timedOut_ = false;
  HRESULT hr = S_OK;
  bool disposed = false;
  {
    ArmedDeadline deadline(limit, [this] {
      timedOut_ = true;
      KillOffice();
    });
    try {
      body();
    } catch (const CallFailure& failure) {
      hr = failure.result;
      lastError_ = failure.what;
    } catch (const css::lang::DisposedException& e) {
      hr = DISP_E_EXCEPTION;
      disposed = true;
      lastError_ = ToUtf8(e.Message);
    } catch (const css::uno::Exception& e) {
      CallFailure carried;
      if (DecodeFailure(ToUtf8(e.Message), carried)) {
        hr = carried.result;
        lastError_ = carried.what;
      } else {
        hr = DISP_E_EXCEPTION;
        lastError_ = ToUtf8(e.Message);
      }
    } catch (const std::bad_alloc&) {
      hr = E_OUTOFMEMORY;
      lastError_ = "out of memory";
    } catch (const std::exception& e) {
      hr = E_FAIL;
      lastError_ = e.what();
    }
  }
  if (timedOut_) {
    dead_ = true;
    lastError_ = "the office did not answer in time and was ended";
    return RPC_E_TIMEOUT;
  }
  // A disposed object may be one document; a gone office shows in its process or bridge.
  if (disposed || Failed(hr)) {
    const bool gone = (process_ && process_->HasExited()) || connection_->Gone();
    if (gone) {
      dead_ = true;
      KillOffice();
      return RPC_E_SERVERDIED;
    }
  }
  return hr;
}

void OfficeSession::End() {
  if (ended_) return;
  ended_ = true;
  if (connection_) connection_->Dispose();
  // An office of our own holds nothing worth keeping (its documents are closed or were only
  // read, its profile and temporary files are in a folder of ours): it is ended at once, and
  // the pipes and the folder it would have removed itself are removed for it.
  if (process_) process_->End(std::chrono::milliseconds(0));
  ops_.reset();
  connection_.reset();
}

OfficeSession::~OfficeSession() {
  End();
}

}  // namespace fv::office
