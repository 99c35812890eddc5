// The UNO side of the server: the process's own UNO runtime and one bridge to an office.
#pragma once

#include <com/sun/star/bridge/XBridge.hpp>
#include <com/sun/star/frame/XDesktop2.hpp>
#include <com/sun/star/uno/XComponentContext.hpp>

#include <atomic>
#include <memory>
#include <mutex>
#include <string>

namespace fv::office {

namespace uno = css::uno;

// The UNO runtime of this process, bootstrapped once from the installed office's
// fundamentalrc (a client bootstrapped without it crashes in the bridge on its first remote
// call). Throws css::uno::Exception when the runtime cannot be started.
uno::Reference<uno::XComponentContext> LocalContext();

// One bridge to the office listening on a pipe.
class UnoConnection {
 public:
  // Connects to the pipe; throws css::connection::NoConnectException when nothing listens
  // there. No call goes to the office yet.
  static std::unique_ptr<UnoConnection> Open(const std::string& pipe);
  ~UnoConnection();

  // The office's component context and desktop: remote calls, made once.
  void Resolve();
  const uno::Reference<uno::XComponentContext>& Context() const { return context_; }
  const uno::Reference<css::frame::XDesktop2>& Desktop() const { return desktop_; }

  // Tears the bridge down: calls waiting for an answer return with an exception. Safe from
  // any thread, more than once.
  void Dispose();
  // Whether the bridge has gone (torn down here, or the office closed the pipe or died).
  bool Gone() const { return gone_->load(); }

 private:
  UnoConnection() = default;
  std::mutex mutex_;
  std::shared_ptr<std::atomic<bool>> gone_ = std::make_shared<std::atomic<bool>>(false);
  uno::Reference<css::bridge::XBridge> bridge_;
  uno::Reference<uno::XComponentContext> context_;
  uno::Reference<css::frame::XDesktop2> desktop_;
};

// The process listening on a pipe of this user (found through the socket's owner), or -1.
int ListenerOfPipe(const std::string& pipe);

// UTF-8 and the office's strings.
rtl::OUString ToOUString(const std::string& utf8);
std::string ToUtf8(const rtl::OUString& text);

}  // namespace fv::office
