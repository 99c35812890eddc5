#include "automation/office/UnoConnection.h"

#include <com/sun/star/bridge/BridgeFactory.hpp>
#include <com/sun/star/connection/Connector.hpp>
#include <com/sun/star/frame/Desktop.hpp>
#include <com/sun/star/lang/DisposedException.hpp>
#include <com/sun/star/lang/XComponent.hpp>
#include <com/sun/star/lang/XEventListener.hpp>
#include <cppuhelper/bootstrap.hxx>
#include <cppuhelper/implbase1.hxx>
#include <dirent.h>
#include <rtl/bootstrap.hxx>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <set>
#include <sstream>

namespace fv::office {

using css::uno::Reference;
using css::uno::UNO_QUERY_THROW;
using rtl::OUString;

OUString ToOUString(const std::string& utf8) {
  return OUString(utf8.data(), static_cast<sal_Int32>(utf8.size()), RTL_TEXTENCODING_UTF8);
}

std::string ToUtf8(const OUString& text) {
  const rtl::OString bytes = rtl::OUStringToOString(text, RTL_TEXTENCODING_UTF8);
  return std::string(bytes.getStr(), static_cast<size_t>(bytes.getLength()));
}

namespace {

// Notes the end of a bridge, whoever ends it.
class BridgeListener : public cppu::WeakImplHelper1<css::lang::XEventListener> {
 public:
  explicit BridgeListener(std::shared_ptr<std::atomic<bool>> gone) : gone_(std::move(gone)) {}
  void SAL_CALL disposing(const css::lang::EventObject&) override { gone_->store(true); }

 private:
  std::shared_ptr<std::atomic<bool>> gone_;
};

}  // namespace

Reference<css::uno::XComponentContext> LocalContext() {
  static std::mutex mutex;
  // Kept for the life of the process: the runtime is never shut down under a live bridge.
  static Reference<css::uno::XComponentContext>* context = nullptr;
  std::lock_guard lock(mutex);
  if (!context) {
    rtl::Bootstrap::set(OUString("URE_BOOTSTRAP"),
                        OUString("vnd.sun.star.pathname:" FOLIVEX_OFFICE_PROGRAM "/fundamentalrc"));
    context = new Reference<css::uno::XComponentContext>(
        cppu::defaultBootstrap_InitialComponentContext());
  }
  return *context;
}

std::unique_ptr<UnoConnection> UnoConnection::Open(const std::string& pipe) {
  const auto local = LocalContext();
  auto connection =
      css::connection::Connector::create(local)->connect("pipe,name=" + ToOUString(pipe));
  std::unique_ptr<UnoConnection> c(new UnoConnection);
  c->bridge_ = css::bridge::BridgeFactory::create(local)->createBridge(OUString(), "urp",
                                                                       connection, nullptr);
  Reference<css::lang::XComponent>(c->bridge_, UNO_QUERY_THROW)
      ->addEventListener(new BridgeListener(c->gone_));
  return c;
}

void UnoConnection::Resolve() {
  Reference<css::bridge::XBridge> bridge;
  {
    std::lock_guard lock(mutex_);
    bridge = bridge_;
  }
  if (!bridge.is()) throw css::lang::DisposedException("the bridge to the office is gone");
  context_.set(bridge->getInstance("StarOffice.ComponentContext"), UNO_QUERY_THROW);
  desktop_ = css::frame::Desktop::create(context_);
}

void UnoConnection::Dispose() {
  Reference<css::bridge::XBridge> bridge;
  {
    std::lock_guard lock(mutex_);
    bridge = bridge_;
  }
  if (!bridge.is()) return;
  try {
    Reference<css::lang::XComponent>(bridge, UNO_QUERY_THROW)->dispose();
  } catch (const css::uno::Exception&) {
    // Already gone.
  }
}

UnoConnection::~UnoConnection() {
  desktop_.clear();
  context_.clear();
  Dispose();
}

int ListenerOfPipe(const std::string& pipe) {
  const std::string folder = access("/tmp", W_OK) == 0 ? "/tmp" : "/var/tmp";
  const std::string path = folder + "/OSL_PIPE_" + std::to_string(getuid()) + "_" + pipe;
  std::set<std::string> inodes;
  std::ifstream unix_sockets("/proc/net/unix");
  std::string line;
  std::getline(unix_sockets, line);  // header
  while (std::getline(unix_sockets, line)) {
    std::istringstream fields(line);
    std::string num, refs, protocol, flags, type, state, inode, socketPath;
    fields >> num >> refs >> protocol >> flags >> type >> state >> inode >> socketPath;
    if (socketPath == path) inodes.insert("socket:[" + inode + "]");
  }
  if (inodes.empty()) return -1;
  DIR* proc = opendir("/proc");
  if (!proc) return -1;
  int found = -1;
  while (dirent* entry = readdir(proc)) {
    const int pid = std::atoi(entry->d_name);
    if (pid <= 0 || pid == getpid()) continue;
    const std::string fdFolder = "/proc/" + std::string(entry->d_name) + "/fd";
    DIR* fds = opendir(fdFolder.c_str());
    if (!fds) continue;
    while (dirent* fd = readdir(fds)) {
      char target[64];
      const std::string link = fdFolder + "/" + fd->d_name;
      const ssize_t n = readlink(link.c_str(), target, sizeof target - 1);
      if (n <= 0) continue;
      target[n] = '\0';
      if (inodes.count(target)) {
        found = pid;
        break;
      }
    }
    closedir(fds);
    if (found > 0) break;
  }
  closedir(proc);
  return found;
}

}  // namespace fv::office
