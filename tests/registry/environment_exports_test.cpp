// The environment check as a host sees it through the exports: a registry without a word
// processor for ".doc" gets WM_CONVERT_ERROR 100 alone, one without Office 9.0 or 10.0 gets
// 110 alone; nothing is opened and FV_LoadFile returns 0.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "ScriptedServer.h"
#include "TestHost.h"
#include "registration.h"

namespace fv::testing {
namespace {

constexpr const char* kV5 = "Windows Registry Editor Version 5.00\n\n";
constexpr const char* kMissing = "<no file>";

struct Case {
  const char* name;
  std::string classes;  // the HKEY_CLASSES_ROOT store below its header, or kMissing
  std::string user;     // the HKEY_CURRENT_USER store below its header, or kMissing
  std::vector<Message> expected;
};
void PrintTo(const Case& c, std::ostream* os) {
  *os << c.name;
}

// Word.Application leads to the scripted server in every case that has a classes store,
// so that a check letting the file through would reach it.
const std::string kServer = std::string("[HKEY_CLASSES_ROOT\\Word.Application\\CLSID]\n") +
                            "@=\"{000209FF-0000-0000-C000-000000000046}\"\n" +
                            "[HKEY_CLASSES_ROOT\\CLSID\\{000209FF-0000-0000-C000-000000000046}" +
                            "\\InprocServer32]\n@=\"" + FOLIVEX_SCRIPTED_SERVER_PATH + "\"\n";
const std::string kDoc = "[HKEY_CLASSES_ROOT\\.doc]\n@=\"Word.Document.8\"\n";
const std::string kDocSubKey = "[HKEY_CLASSES_ROOT\\.doc\\Word.Document.8]\n";
const std::string kOffice = "[HKEY_CURRENT_USER\\Software\\Microsoft\\Office\\";

const std::vector<Case> kCases = {
    {"NothingRegistered", kMissing, kMissing, {Error(100)}},
    {"NoDocKey", kServer, kOffice + "10.0]\n", {Error(100)}},
    {"DocNamesAKeyItLacks",
     kServer + kDoc + "[HKEY_CLASSES_ROOT\\Word.Document.8]\n",
     kOffice + "10.0]\n",
     {Error(100)}},
    {"DocReadOnly",
     kServer + "[HKEY_CLASSES_ROOT\\.doc]\n;@access=read\n@=\"Word.Document.8\"\n" + kDocSubKey,
     kOffice + "9.0]\n",
     {Error(100)}},
    {"MalformedClassesStore",
     kServer + kDoc + kDocSubKey + "@=hex:0\n",
     kOffice + "9.0]\n",
     {Error(100)}},
    {"NoUserStore", kServer + kDoc + kDocSubKey, kMissing, {Error(110)}},
    {"Only11And8",
     kServer + kDoc + kDocSubKey,
     kOffice + "11.0]\n" + kOffice + "8.0]\n",
     {Error(110)}},
};

class EnvironmentThroughExports : public ::testing::TestWithParam<Case> {
 protected:
  EnvironmentThroughExports() {
    scripted::Reset();
    host.Initialization(host.Window());
  }
  ~EnvironmentThroughExports() override { UnregisterForTest(); }

  void Store(const std::string& root, const std::string& body) {
    WriteStoreForTest(folder / "registry", root, kV5 + body);
    if (body == kMissing) {
      const char* variable = root == "HKEY_CLASSES_ROOT" ? "FOLIVEX_HKCR" : "FOLIVEX_HKCU";
      setenv(variable, (folder / "registry/absent.reg").c_str(), 1);
    }
  }
  int LoadDoc() {
    TConvertRange range{1, 0, 0};
    return host.LoadFile(folder.Write("x.doc", "page 1.\fpage 2.").c_str(), &range);
  }

  TempFolder folder;
  TestHost host;
};

TEST_P(EnvironmentThroughExports, OneNotificationAndNothingOpened) {
  const Case& c = GetParam();
  Store("HKEY_CLASSES_ROOT", c.classes);
  Store("HKEY_CURRENT_USER", c.user);
  ::testing::internal::CaptureStderr();  // the malformed store is reported there
  EXPECT_EQ(LoadDoc(), 0);
  ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(Describe(host.Sequence()), Describe(c.expected));
  EXPECT_EQ(scripted::CallLog(), std::vector<std::string>{}) << "nothing may be opened";
}

INSTANTIATE_TEST_SUITE_P(Registries, EnvironmentThroughExports, ::testing::ValuesIn(kCases),
                         [](const auto& param) { return std::string(param.param.name); });

// The cases above are worth something only if a passing registry reaches the server.
TEST_F(EnvironmentThroughExports, PassingChecksReachTheServer) {
  for (const char* version : {"9.0]\n", "10.0]\n"}) {
    scripted::Reset();
    host.ClearMessages();
    Store("HKEY_CLASSES_ROOT", kServer + kDoc + kDocSubKey);
    Store("HKEY_CURRENT_USER", kOffice + version);
    LoadDoc();
    EXPECT_FALSE(scripted::CallLog().empty()) << version;
    for (const Message& m : host.Messages()) {
      EXPECT_FALSE(m.message == WM_CONVERT_ERROR && (m.wParam == 100 || m.wParam == 110))
          << Describe(host.Messages());
    }
  }
}

}  // namespace
}  // namespace fv::testing
