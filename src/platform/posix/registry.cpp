// The registry on POSIX systems: one store file per root, read on every open so that a
// registration made meanwhile counts at once. The library only reads the files.
//
// Where the files are: FOLIVEX_HKCR and FOLIVEX_HKCU name them; otherwise they are
// HKEY_CLASSES_ROOT.reg and HKEY_CURRENT_USER.reg in $XDG_CONFIG_HOME/folivex (else
// ~/.config/folivex). A missing file is an empty root; an unreadable or malformed one too,
// and that is said once on stderr for each content of the file.
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <atomic>
#include <mutex>
#include <string>

#include "platform/posix/registry_store.h"
#include "platform/registry.h"

namespace fv::platform {
namespace {

using store::RegistryStore;
using store::StoredKey;

// Rights that change a key or its security: a key marked read-only refuses every one.
// MAXIMUM_ALLOWED asks for whatever may be had and so never fails on them.
constexpr uint32_t kWriteRights = 0x0002          // KEY_SET_VALUE
                                  | 0x0004        // KEY_CREATE_SUB_KEY
                                  | 0x0020        // KEY_CREATE_LINK
                                  | 0x10000       // DELETE
                                  | 0x40000       // WRITE_DAC
                                  | 0x80000       // WRITE_OWNER
                                  | 0x10000000u   // GENERIC_ALL
                                  | 0x40000000u;  // GENERIC_WRITE

std::string HomeFolder() {
  if (const char* home = std::getenv("HOME"); home && *home) return home;
  struct passwd entry;
  struct passwd* found = nullptr;
  char buffer[4096];
  if (getpwuid_r(getuid(), &entry, buffer, sizeof buffer, &found) == 0 && found && found->pw_dir) {
    return found->pw_dir;
  }
  return "";
}

std::string StoreFilePath(RegistryRoot root) {
  const char* variable = root == RegistryRoot::ClassesRoot ? "FOLIVEX_HKCR" : "FOLIVEX_HKCU";
  if (const char* path = std::getenv(variable); path && *path) return path;
  std::string folder;
  if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && config[0] == '/') {
    folder = config;
  } else {
    const std::string home = HomeFolder();
    if (home.empty()) return "";
    folder = home + "/.config";
  }
  return folder + "/folivex/" + store::RootName(root) + ".reg";
}

enum class ReadResult { Read, Missing, Failed };

// Reads a whole regular file of at most the store's size limit into `bytes`; on failure
// `why` says what went wrong.
ReadResult ReadStoreFile(const std::string& path, std::string& bytes, std::string& why) {
  if (path.empty()) return ReadResult::Missing;
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    if (errno == ENOENT || errno == ENOTDIR) return ReadResult::Missing;
    why = std::strerror(errno);
    return ReadResult::Failed;
  }
  struct stat st;
  ReadResult result = ReadResult::Read;
  if (fstat(fd, &st) != 0) {
    why = std::strerror(errno);
    result = ReadResult::Failed;
  } else if (!S_ISREG(st.st_mode)) {
    why = "not a regular file";
    result = ReadResult::Failed;
  } else {
    char chunk[65536];
    for (;;) {
      const ssize_t n = read(fd, chunk, sizeof chunk);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) {
        why = std::strerror(errno);
        result = ReadResult::Failed;
        break;
      }
      if (n == 0) break;
      bytes.append(chunk, static_cast<size_t>(n));
      if (bytes.size() > store::kMaxFileBytes) {
        why = "larger than 16 MiB";
        result = ReadResult::Failed;
        break;
      }
    }
  }
  close(fd);
  return result;
}

// The last content seen of one root's file, kept only to parse and complain once per
// change; every open still reads the file.
struct RootCache {
  std::string path;
  std::string bytes;
  std::shared_ptr<const RegistryStore> store;
  std::string lastComplaint;
};

void ComplainOnce(RootCache& cache, const std::string& complaint) {
  if (complaint == cache.lastComplaint) return;
  cache.lastComplaint = complaint;
  std::fprintf(stderr, "folivex: %s; the registry root is read as empty\n", complaint.c_str());
}

std::shared_ptr<const RegistryStore> EmptyStore() {
  static const auto empty = std::make_shared<const RegistryStore>();
  return empty;
}

std::shared_ptr<const RegistryStore> LoadStore(RegistryRoot root) {
  static std::mutex mutex;
  static RootCache caches[2];
  const std::lock_guard<std::mutex> lock(mutex);
  RootCache& cache = caches[root == RegistryRoot::ClassesRoot ? 0 : 1];

  const std::string path = StoreFilePath(root);
  std::string bytes, why;
  switch (ReadStoreFile(path, bytes, why)) {
    case ReadResult::Missing:
      cache = RootCache{};
      return EmptyStore();
    case ReadResult::Failed:
      cache.store.reset();
      ComplainOnce(cache, "cannot read the registry store " + path + ": " + why);
      return EmptyStore();
    case ReadResult::Read:
      break;
  }
  if (cache.store && cache.path == path && cache.bytes == bytes) return cache.store;
  auto outcome = store::ParseRegistryStore(bytes, root, path);
  cache.path = path;
  cache.bytes = std::move(bytes);
  if (!outcome.store) {
    cache.store = EmptyStore();
    ComplainOnce(cache, "rejected " + outcome.error);
    return cache.store;
  }
  cache.store = std::make_shared<const RegistryStore>(std::move(*outcome.store));
  cache.lastComplaint.clear();
  return cache.store;
}

std::atomic<store::OpenObserver> g_openObserver{nullptr};

bool AccessAllowed(const StoredKey& key, uint32_t access) {
  return !key.readOnly || (access & kWriteRights) == 0;
}

std::string JoinPath(const std::string& base, const std::string& sub) {
  if (sub.empty()) return base;
  if (base.empty()) return sub;
  return base + '\\' + sub;
}

// An open key: its root and path. Every use looks at the store as it is now, as a key
// handle sees later changes of the key it names.
class StoreKey final : public RegistryKey {
 public:
  StoreKey(RegistryRoot root, std::string path) : root_(root), path_(std::move(path)) {}

  std::unique_ptr<RegistryKey> OpenSubKey(const std::string& path, uint32_t access) override {
    // A sub-path with a leading backslash joins into an empty segment, which finds nothing.
    return OpenRegistryKey(root_, JoinPath(path_, path), access);
  }

  std::optional<RegistryValue> QueryValue(const std::string& name) override {
    const auto snapshot = LoadStore(root_);
    const StoredKey* key = snapshot->FindKey(path_);
    if (!key) return std::nullopt;
    auto it = key->values.find(store::FoldName(name));
    if (it == key->values.end()) return std::nullopt;
    return it->second;
  }

 private:
  RegistryRoot root_;
  std::string path_;
};

}  // namespace

std::unique_ptr<RegistryKey> OpenRegistryKey(RegistryRoot root, const std::string& path,
                                             uint32_t access) {
  if (auto observer = g_openObserver.load()) observer(root, path, access);
  const auto snapshot = LoadStore(root);
  const StoredKey* key = snapshot->FindKey(path);
  if (!key || !AccessAllowed(*key, access)) return nullptr;
  return std::make_unique<StoreKey>(root, path);
}

namespace store {
void SetOpenObserverForTest(OpenObserver observer) {
  g_openObserver = observer;
}
}  // namespace store

}  // namespace fv::platform
