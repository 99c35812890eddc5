// The environment check against registries written for each case: whether a word
// processor is registered for ".doc", which Office version the user has, and how the
// checks ask the registry.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <tuple>
#include <vector>

#include "TestHost.h"
#include "controller/UnitFolivex.h"
#include "environment/Unitregistry.h"
#include "platform/posix/registry_store.h"
#include "registration.h"

namespace fv::environment {
namespace {

using platform::RegistryRoot;

constexpr const char* kV5 = "Windows Registry Editor Version 5.00\n\n";

class Environment : public ::testing::Test {
 protected:
  ~Environment() override { testing::UnregisterForTest(); }
  void Registry(const std::string& classes, const std::string& user) {
    testing::WriteStoreForTest(folder.Path(), "HKEY_CLASSES_ROOT", kV5 + classes);
    testing::WriteStoreForTest(folder.Path(), "HKEY_CURRENT_USER", kV5 + user);
  }
  testing::TempFolder folder;
  TCheckEnvironment check;
};

struct InstalledCase {
  const char* name;
  std::string classes;  // the HKEY_CLASSES_ROOT store below its header
  int expected;
};
void PrintTo(const InstalledCase& c, std::ostream* os) {
  *os << c.name;
}

const std::string kDoc = "[HKEY_CLASSES_ROOT\\.doc]\n";
const std::string kSubKey = "[HKEY_CLASSES_ROOT\\.doc\\Word.Document.8]\n";
const std::string kRootKey = "[HKEY_CLASSES_ROOT\\Word.Document.8]\n";

const std::vector<InstalledCase> kInstalled = {
    {"NoDocKey", kRootKey, 0},
    {"NamesItsSubKey", kDoc + "@=\"Word.Document.8\"\n" + kSubKey, 1},
    {"SubKeyFoundWhateverItsCase",
     kDoc + "@=\"word.document.8\"\n[HKEY_CLASSES_ROOT\\.doc\\WORD.DOCUMENT.8]\n", 1},
    {"NamedKeyOnlyAtTheRoot", kDoc + "@=\"Word.Document.8\"\n" + kRootKey, 0},
    {"NamedKeyNowhere", kDoc + "@=\"Word.Document.8\"\n", 0},
    {"NoDefaultValue", kDoc + "\"other\"=\"Word.Document.8\"\n", 1},
    {"EmptyDefaultValue", kDoc + "@=\"\"\n", 1},
    {"BackslashNamesAKeyAtTheRoot", kDoc + "@=\"\\\\Word.Document.8\"\n" + kRootKey, 1},
    {"BackslashNamesAMissingRootKey", kDoc + "@=\"\\\\Word.Document.8\"\n" + kSubKey, 0},
    {"LoneBackslashNamesTheRoot", kDoc + "@=\"\\\\\"\n", 1},
    {"DocumentTypeWithAPath", kDoc + "@=\"a\\\\b\"\n[HKEY_CLASSES_ROOT\\.doc\\a\\b]\n", 1},
    {"ReadableButNotWritable", kDoc + ";@access=read\n@=\"Word.Document.8\"\n" + kSubKey, 0},
    // The existence test asks only to read: a read-only sub-key is found.
    {"ReadOnlySubKey", kDoc + "@=\"Word.Document.8\"\n" + kSubKey + ";@access=read\n", 1},
    // An expandable string is read as it is, without expanding its variables.
    {"ExpandStringUnexpanded",
     kDoc + "@=hex(2):25,00,58,00,25,00,00,00\n[HKEY_CLASSES_ROOT\\.doc\\%X%]\n", 1},
    // Text ends at its first NUL.
    {"TextUpToItsFirstNul",
     kDoc + "@=hex(1):41,00,00,00,42,00,00,00\n[HKEY_CLASSES_ROOT\\.doc\\A]\n", 1},
    {"DwordDefaultValue", kDoc + "@=dword:00000001\n[HKEY_CLASSES_ROOT\\.doc\\1]\n", 0},
    {"EmptyBinaryDefaultValue", kDoc + "@=hex:\n", 0},
    {"MultiStringDefaultValue", kDoc + "@=hex(7):41,00,00,00,00,00\n[HKEY_CLASSES_ROOT\\.doc\\A]\n",
     0},
    // A store that cannot be read is no registration.
    {"MalformedStore", kDoc + "@=\"Word.Document.8\n" + kSubKey, 0},
};

class Installed : public Environment, public ::testing::WithParamInterface<InstalledCase> {};

TEST_P(Installed, Check) {
  Registry(GetParam().classes, "");
  ::testing::internal::CaptureStderr();  // a malformed store is reported there
  EXPECT_EQ(check.CheckInstalled(), GetParam().expected);
  ::testing::internal::GetCapturedStderr();
}

INSTANTIATE_TEST_SUITE_P(Registries, Installed, ::testing::ValuesIn(kInstalled),
                         [](const auto& param) { return std::string(param.param.name); });

struct VersionCase {
  const char* name;
  std::string user;  // the HKEY_CURRENT_USER store below its header
  int version9, version10;
};
void PrintTo(const VersionCase& c, std::ostream* os) {
  *os << c.name;
}

const std::string kOffice = "[HKEY_CURRENT_USER\\Software\\Microsoft\\Office\\";

const std::vector<VersionCase> kVersions = {
    {"None", "", 0, 0},
    {"Only10", kOffice + "10.0]\n", 0, 10},
    {"Only9", kOffice + "9.0]\n", 9, 0},
    {"Both", kOffice + "9.0]\n" + kOffice + "10.0]\n", 9, 10},
    {"Only11And8", kOffice + "11.0]\n" + kOffice + "8.0]\n", 0, 0},
    {"KeysBelowTheVersion", kOffice + "9.0\\Word\\Options]\n", 9, 0},
    {"ReadOnlyVersionKey", kOffice + "10.0]\n;@access=read\n", 0, 10},
    {"SimilarNames", kOffice + "9.00]\n" + kOffice + "10]\n", 0, 0},
};

class Versions : public Environment, public ::testing::WithParamInterface<VersionCase> {};

TEST_P(Versions, Check) {
  // The same key below the other root counts for nothing.
  Registry("[HKEY_CLASSES_ROOT\\Software\\Microsoft\\Office\\10.0]\n", GetParam().user);
  EXPECT_EQ(check.CheckVersion9(), GetParam().version9);
  EXPECT_EQ(check.CheckVersion10(), GetParam().version10);
}

INSTANTIATE_TEST_SUITE_P(Registries, Versions, ::testing::ValuesIn(kVersions),
                         [](const auto& param) { return std::string(param.param.name); });

// What the registry is asked, in order.
using Open = std::tuple<RegistryRoot, std::string, uint32_t>;
std::vector<Open> g_opens;

class Asked : public Environment {
 protected:
  Asked() {
    g_opens.clear();
    platform::store::SetOpenObserverForTest(
        [](RegistryRoot root, const std::string& path, uint32_t access) {
          g_opens.emplace_back(root, path, access);
        });
  }
  ~Asked() override { platform::store::SetOpenObserverForTest(nullptr); }
  std::vector<Open> OpensBelow(RegistryRoot root) const {
    std::vector<Open> opens;
    for (const Open& open : g_opens) {
      if (std::get<0>(open) == root) opens.push_back(open);
    }
    return opens;
  }
};

constexpr RegistryRoot kClasses = RegistryRoot::ClassesRoot;
constexpr RegistryRoot kUser = RegistryRoot::CurrentUser;

TEST_F(Asked, InstalledTestsExistenceThenOpensDocFullyThenTestsTheNamedKey) {
  Registry(kDoc + "@=\"Word.Document.8\"\n" + kSubKey, "");
  EXPECT_EQ(check.CheckInstalled(), 1);
  EXPECT_EQ(g_opens, (std::vector<Open>{{kClasses, ".doc", 0x20009},
                                        {kClasses, ".doc", 0xF003F},
                                        {kClasses, ".doc\\Word.Document.8", 0x20009}}));
  g_opens.clear();
  Registry(kDoc + "@=\"\\\\Word.Document.8\"\n" + kRootKey, "");
  EXPECT_EQ(check.CheckInstalled(), 1);
  EXPECT_EQ(g_opens.back(), Open(kClasses, "Word.Document.8", 0x20009));
  g_opens.clear();
  Registry("", "");
  EXPECT_EQ(check.CheckInstalled(), 0);
  EXPECT_EQ(g_opens, std::vector<Open>{Open(kClasses, ".doc", 0x20009)});
}

TEST_F(Asked, VersionChecksTestExistenceOnly) {
  Registry("", kOffice + "9.0]\n;@access=read\n");
  EXPECT_EQ(check.CheckVersion9(), 9);
  EXPECT_EQ(check.CheckVersion10(), 0);
  EXPECT_EQ(g_opens, (std::vector<Open>{{kUser, "Software\\Microsoft\\Office\\9.0", 0x20009},
                                        {kUser, "Software\\Microsoft\\Office\\10.0", 0x20009}}));
}

// The controller asks for 10.0 only when 9.0 is missing.
TEST_F(Asked, VersionTenIsAskedOnlyWithoutNine) {
  const struct {
    const char* user;
    std::vector<Open> asked;
  } cases[] = {
      {"9.0]\n[HKEY_CURRENT_USER\\Software\\Microsoft\\Office\\10.0]\n",
       {{kUser, "Software\\Microsoft\\Office\\9.0", 0x20009}}},
      {"10.0]\n",
       {{kUser, "Software\\Microsoft\\Office\\9.0", 0x20009},
        {kUser, "Software\\Microsoft\\Office\\10.0", 0x20009}}},
  };
  for (const auto& c : cases) {
    // Nothing is registered as the server: the engine made after the checks connects to none.
    Registry(kDoc + "@=\"Word.Document.8\"\n" + kSubKey, kOffice + c.user);
    g_opens.clear();
    controller::TFolivex folivex;
    folivex.CreateEngine(1);
    EXPECT_NE(folivex.DocEngine, nullptr) << "both checks passed";
    EXPECT_EQ(OpensBelow(kUser), c.asked) << c.user;
  }
}

}  // namespace
}  // namespace fv::environment
