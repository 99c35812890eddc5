// libFuzzer target of the registry store parser: any bytes must be accepted or rejected
// with a message naming a line, never crash, hang or read out of bounds; an accepted store
// must hold together (every key's parent exists, texts end in a NUL).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/posix/registry_store.h"

namespace {

using fv::platform::RegistryRoot;
namespace store = fv::platform::store;

void Require(bool condition) {
  if (!condition) std::abort();
}

void CheckAccepted(const store::RegistryStore& parsed) {
  Require(parsed.FindKey("") != nullptr);
  for (const auto& [path, key] : parsed.Keys()) {
    Require(parsed.FindKey(path) == &key);
    Require(path.size() <= store::kMaxKeyPathBytes);
    const size_t cut = path.rfind('\\');
    if (!path.empty()) Require(parsed.FindKey(cut == std::string::npos ? "" : path.substr(0, cut)));
    for (const auto& [name, value] : key.values) {
      Require(name == store::FoldName(name));
      const bool text = value.type == fv::platform::REG_SZ ||
                        value.type == fv::platform::REG_EXPAND_SZ || value.type == 7;
      if (text) Require(!value.data.empty() && value.data.back() == 0);
      Require(value.data.size() <= store::kMaxValueBytes + 1);
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  for (RegistryRoot root : {RegistryRoot::ClassesRoot, RegistryRoot::CurrentUser}) {
    const auto outcome = store::ParseRegistryStore(bytes, root, "fuzz.reg");
    if (outcome.store) {
      Require(outcome.error.empty());
      CheckAccepted(*outcome.store);
    } else {
      Require(outcome.errorLine >= 1 && outcome.errorLine <= size + 1);
      Require(outcome.error.rfind("fuzz.reg:" + std::to_string(outcome.errorLine) + ": ", 0) == 0);
    }
  }
  return 0;
}
