// The registry as the library sees it on POSIX systems: store files found through the
// environment, read afresh on every open, with read-only keys and malformed files.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "TestHost.h"
#include "platform/registry.h"
#include "registration.h"

namespace fv::platform {
namespace {

using testing::TempFolder;
using testing::WriteStoreForTest;

constexpr const char* kV5 = "Windows Registry Editor Version 5.00\n\n";

// Points both roots at files of the test's own, and puts the environment back afterwards.
class RegistryFiles : public ::testing::Test {
 protected:
  ~RegistryFiles() override { testing::UnregisterForTest(); }

  void Classes(const std::string& body) {
    WriteStoreForTest(folder.Path(), "HKEY_CLASSES_ROOT", kV5 + body);
  }
  static std::optional<std::string> DefaultText(RegistryKey& key) {
    auto value = key.QueryValue("");
    if (!value) return std::nullopt;
    return std::string(value->data.begin(), value->data.end());
  }

  TempFolder folder;
};

TEST_F(RegistryFiles, MissingFilesAreEmptyRoots) {
  WriteStoreForTest(folder.Path(), "HKEY_CLASSES_ROOT", "");
  setenv("FOLIVEX_HKCR", (folder / "none.reg").c_str(), 1);
  setenv("FOLIVEX_HKCU", (folder / "no-folder/none.reg").c_str(), 1);
  for (RegistryRoot root : {RegistryRoot::ClassesRoot, RegistryRoot::CurrentUser}) {
    auto rootKey = OpenRegistryKey(root, "", KEY_ALL_ACCESS);
    ASSERT_NE(rootKey, nullptr);
    EXPECT_FALSE(rootKey->QueryValue(""));
    EXPECT_EQ(OpenRegistryKey(root, ".doc", KEY_READ_EXISTENCE), nullptr);
  }
}

TEST_F(RegistryFiles, EveryOpenReadsTheFileAsItIsNow) {
  Classes("[HKEY_CLASSES_ROOT\\.doc]\n@=\"A\"\n");
  auto doc = OpenRegistryKey(RegistryRoot::ClassesRoot, ".DOC", KEY_QUERY_VALUE);
  ASSERT_NE(doc, nullptr);
  EXPECT_EQ(DefaultText(*doc), std::string("A\0", 2));
  // Rewritten at once, to the same size: an open key sees the new value, new opens too.
  Classes("[HKEY_CLASSES_ROOT\\.doc]\n@=\"B\"\n");
  EXPECT_EQ(DefaultText(*doc), std::string("B\0", 2));
  EXPECT_EQ(doc->OpenSubKey("b", KEY_READ_EXISTENCE), nullptr);
  Classes("[HKEY_CLASSES_ROOT\\.doc]\n@=\"B\"\n[HKEY_CLASSES_ROOT\\.doc\\B]\n");
  EXPECT_NE(doc->OpenSubKey("b", KEY_READ_EXISTENCE), nullptr);
  Classes("[HKEY_CLASSES_ROOT\\other]\n");
  EXPECT_FALSE(DefaultText(*doc));  // the key has gone
  EXPECT_EQ(doc->OpenSubKey("", KEY_READ_EXISTENCE), nullptr);
}

TEST_F(RegistryFiles, PathsAreRelativeAndCaseInsensitive) {
  Classes("[HKEY_CLASSES_ROOT\\.doc\\Word.Document.8]\n[HKEY_CLASSES_ROOT\\Word.Document.8]\n");
  auto doc = OpenRegistryKey(RegistryRoot::ClassesRoot, ".doc", KEY_READ_EXISTENCE);
  ASSERT_NE(doc, nullptr);
  const struct {
    const char* path;
    bool found;
  } cases[] = {{"", true},  // the key itself
               {"word.document.8", true},
               {"WORD.DOCUMENT.8\\", false},
               {"\\Word.Document.8", false},  // rooted names are the accessor's business
               {"Word.Document.8\\\\", false},
               {"Missing", false}};
  for (const auto& c : cases) {
    EXPECT_EQ(doc->OpenSubKey(c.path, KEY_READ_EXISTENCE) != nullptr, c.found) << c.path;
  }
  EXPECT_NE(OpenRegistryKey(RegistryRoot::ClassesRoot, ".DOC\\WORD.document.8", 0), nullptr);
}

TEST_F(RegistryFiles, ReadOnlyKeysRefuseEveryWriteRight) {
  Classes("[HKEY_CLASSES_ROOT\\.doc]\n;@access=read\n@=\"W\"\n[HKEY_CLASSES_ROOT\\.doc\\W]\n");
  const struct {
    uint32_t access;
    bool granted;
  } cases[] = {{KEY_READ_EXISTENCE, true},
               {KEY_QUERY_VALUE, true},
               {0x20019, true},     // KEY_READ
               {0x02000000, true},  // MAXIMUM_ALLOWED: what may be had
               {KEY_ALL_ACCESS, false},
               {0x0002, false},       // KEY_SET_VALUE
               {0x0004, false},       // KEY_CREATE_SUB_KEY
               {0x10000, false},      // DELETE
               {0x20006, false},      // KEY_WRITE
               {0x40000000, false},   // GENERIC_WRITE
               {0x10000000, false}};  // GENERIC_ALL
  for (const auto& c : cases) {
    EXPECT_EQ(OpenRegistryKey(RegistryRoot::ClassesRoot, ".doc", c.access) != nullptr, c.granted)
        << std::hex << c.access;
  }
  auto doc = OpenRegistryKey(RegistryRoot::ClassesRoot, ".doc", KEY_QUERY_VALUE);
  ASSERT_NE(doc, nullptr);
  EXPECT_EQ(doc->OpenSubKey("", KEY_ALL_ACCESS), nullptr);
  // The mark is the key's alone: its sub-key may be written.
  EXPECT_NE(doc->OpenSubKey("W", KEY_ALL_ACCESS), nullptr);
}

TEST_F(RegistryFiles, MalformedFileIsAnEmptyRootToldOncePerContent) {
  const std::string good = "[HKEY_CLASSES_ROOT\\.doc]\n";
  auto opens = [] {
    ::testing::internal::CaptureStderr();
    const bool found = OpenRegistryKey(RegistryRoot::ClassesRoot, ".doc", 0) != nullptr;
    OpenRegistryKey(RegistryRoot::ClassesRoot, ".doc", 0);
    return std::make_pair(found, ::testing::internal::GetCapturedStderr());
  };
  Classes(good + "@=hex:0\n");
  auto [found, told] = opens();
  EXPECT_FALSE(found);
  const std::string file = folder / "HKEY_CLASSES_ROOT.reg";
  EXPECT_EQ(told, "folivex: rejected " + file +
                      ":4: expected a byte of two hex digits, found '0'; the registry root is "
                      "read as empty\n");
  std::tie(found, told) = opens();
  EXPECT_EQ(told, "") << "the same content is not reported again";
  Classes(good + "@=hex:1\n");
  std::tie(found, told) = opens();
  EXPECT_NE(told.find(":4: expected a byte"), std::string::npos) << told;
  Classes(good);
  std::tie(found, told) = opens();
  EXPECT_TRUE(found);
  EXPECT_EQ(told, "");
}

TEST_F(RegistryFiles, UnreadableFileIsAnEmptyRootToldOnce) {
  Classes("");
  std::filesystem::create_directories(folder / "dir.reg");
  setenv("FOLIVEX_HKCR", (folder / "dir.reg").c_str(), 1);
  ::testing::internal::CaptureStderr();
  EXPECT_NE(OpenRegistryKey(RegistryRoot::ClassesRoot, "", 0), nullptr);
  EXPECT_NE(OpenRegistryKey(RegistryRoot::ClassesRoot, "", 0), nullptr);
  const std::string told = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(told, "folivex: cannot read the registry store " + (folder / "dir.reg") +
                      ": not a regular file; the registry root is read as empty\n");
}

TEST_F(RegistryFiles, PerUserFilesWhenNoVariableNamesOne) {
  const std::string config = folder / "config";
  std::filesystem::create_directories(config + "/folivex");
  std::ofstream(config + "/folivex/HKEY_CURRENT_USER.reg")
      << kV5 << "[HKEY_CURRENT_USER\\Software\\Microsoft\\Office\\10.0]\n";
  std::filesystem::create_directories(folder / "home/.config/folivex");
  std::ofstream(folder / "home/.config/folivex/HKEY_CURRENT_USER.reg")
      << kV5 << "[HKEY_CURRENT_USER\\Software\\Microsoft\\Office\\9.0]\n";
  WriteStoreForTest(folder.Path(), "HKEY_CURRENT_USER", "");  // saves the variable
  unsetenv("FOLIVEX_HKCU");
  const char* oldHome = std::getenv("HOME");
  const char* oldConfig = std::getenv("XDG_CONFIG_HOME");
  const std::string savedHome = oldHome ? oldHome : "";
  const std::string savedConfig = oldConfig ? oldConfig : "";
  setenv("HOME", (folder / "home").c_str(), 1);
  auto exists = [](const char* version) {
    return OpenRegistryKey(RegistryRoot::CurrentUser,
                           std::string("Software\\Microsoft\\Office\\") + version,
                           KEY_READ_EXISTENCE) != nullptr;
  };
  setenv("XDG_CONFIG_HOME", config.c_str(), 1);
  EXPECT_TRUE(exists("10.0"));
  EXPECT_FALSE(exists("9.0"));
  for (const char* unusable : {"", "relative/config"}) {
    setenv("XDG_CONFIG_HOME", unusable, 1);
    EXPECT_TRUE(exists("9.0")) << unusable;
    EXPECT_FALSE(exists("10.0"));
  }
  oldHome ? setenv("HOME", savedHome.c_str(), 1) : unsetenv("HOME");
  oldConfig ? setenv("XDG_CONFIG_HOME", savedConfig.c_str(), 1) : unsetenv("XDG_CONFIG_HOME");
}

}  // namespace
}  // namespace fv::platform
