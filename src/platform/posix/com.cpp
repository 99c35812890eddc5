// The POSIX component runtime: a per-thread apartment count, and servers found by their
// registration and loaded as shared objects.
#include "platform/com.h"

#include <dlfcn.h>

#include <map>
#include <string>

#include "automation/ServerEntry.h"
#include "platform/registry.h"

namespace fv::platform {
namespace {

using automation::HRESULT;

thread_local int t_apartments = 0;

std::optional<std::string> DefaultString(RegistryRoot root, const std::string& path) {
  auto key = OpenRegistryKey(root, path, KEY_QUERY_VALUE);
  if (!key) return std::nullopt;
  auto value = key->QueryValue("");
  if (!value || (value->type != REG_SZ && value->type != REG_EXPAND_SZ)) return std::nullopt;
  std::string text(value->data.begin(), value->data.end());
  return text.substr(0, text.find('\0'));
}

// The shared object registered for `progId`, loaded once and kept for the life of the
// process (a server may run threads of its own, which unloading would cut off).
void* ServerSymbol(const std::string& progId, const char* symbol, HRESULT& hr) {
  static std::map<std::string, void*> loaded;
  auto clsid = DefaultString(RegistryRoot::ClassesRoot, progId + "\\CLSID");
  auto path =
      clsid ? DefaultString(RegistryRoot::ClassesRoot, "CLSID\\" + *clsid + "\\InprocServer32")
            : std::nullopt;
  if (!path || path->empty()) {
    hr = automation::REGDB_E_CLASSNOTREG;
    return nullptr;
  }
  void*& handle = loaded[*path];
  if (!handle) handle = dlopen(path->c_str(), RTLD_NOW | RTLD_LOCAL);
  void* fn = handle ? dlsym(handle, symbol) : nullptr;
  hr = fn ? automation::S_OK : automation::CO_E_SERVER_EXEC_FAILURE;
  return fn;
}

}  // namespace

void ComInitialize() {
  ++t_apartments;
}

void ComUninitialize() {
  if (t_apartments > 0) --t_apartments;
}

HRESULT GetActiveObject(const std::string& progId, automation::Application** app) {
  *app = nullptr;
  HRESULT hr;
  auto fn = reinterpret_cast<FolivexGetActiveObjectFn>(
      ServerSymbol(progId, FOLIVEX_SERVER_GET_ACTIVE_OBJECT, hr));
  return fn ? fn(app) : hr;
}

HRESULT CreateInstance(const std::string& progId, automation::Application** app) {
  *app = nullptr;
  HRESULT hr;
  auto fn = reinterpret_cast<FolivexCreateInstanceFn>(
      ServerSymbol(progId, FOLIVEX_SERVER_CREATE_INSTANCE, hr));
  return fn ? fn(app) : hr;
}

}  // namespace fv::platform
