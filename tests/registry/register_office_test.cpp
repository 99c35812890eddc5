// The set-up's registration script: what it writes is what the library finds, it can be
// run again and again, and it never damages a registry it did not write.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "ScriptedServer.h"
#include "TestHost.h"
#include "platform/posix/registry_store.h"
#include "registration.h"

namespace fv::testing {
namespace {

struct ScriptRun {
  int status;
  std::string output;
};

class RegisterOffice : public ::testing::Test {
 protected:
  RegisterOffice() {
    // Saves the variables for the destructor, then points them at files not yet written.
    WriteStoreForTest(folder.Path(), "HKEY_CLASSES_ROOT", "");
    WriteStoreForTest(folder.Path(), "HKEY_CURRENT_USER", "");
    setenv("FOLIVEX_HKCR", classes.c_str(), 1);
    setenv("FOLIVEX_HKCU", user.c_str(), 1);
  }
  ~RegisterOffice() override { UnregisterForTest(); }

  static ScriptRun Script(const std::string& arguments) {
    const std::string command =
        "bash '" FOLIVEX_SOURCE_DIR "/scripts/register-office.sh' " + arguments + " 2>&1";
    ScriptRun run{-1, ""};
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return run;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) run.output.append(buffer, n);
    const int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
  }
  static bool AcceptedAs(const std::string& path, platform::RegistryRoot root) {
    const auto outcome = platform::store::ParseRegistryStore(ReadFile(path), root, path);
    EXPECT_TRUE(outcome.store) << outcome.error;
    return outcome.store.has_value();
  }

  TempFolder folder;
  const std::string classes = folder / "store/classes.reg";
  const std::string user = folder / "store/user.reg";
};

TEST_F(RegisterOffice, TheLibraryFindsTheServerItRegisters) {
  TestHost host;
  host.Initialization(host.Window());
  const std::string doc = folder.Write("x.doc", "page 1.\fpage 2.");
  TConvertRange range{1, 0, 0};

  ScriptRun run = Script("'" FOLIVEX_SCRIPTED_SERVER_PATH "'");
  ASSERT_EQ(run.status, 0) << run.output;
  EXPECT_TRUE(AcceptedAs(classes, platform::RegistryRoot::ClassesRoot));
  EXPECT_TRUE(AcceptedAs(user, platform::RegistryRoot::CurrentUser));
  scripted::Reset();
  host.LoadFile(doc.c_str(), &range);
  EXPECT_FALSE(scripted::Calls("Server.CreateInstance").empty());
  for (const Message& m : host.Messages()) EXPECT_NE(m.message, WM_CONVERT_ERROR);
  EXPECT_NE(Script("--show").output.find("The checks pass (Office 10.0)."), std::string::npos);

  run = Script("--remove");
  ASSERT_EQ(run.status, 0) << run.output;
  scripted::Reset();
  host.ClearMessages();
  EXPECT_EQ(host.LoadFile(doc.c_str(), &range), 0);
  EXPECT_EQ(host.Sequence(), std::vector<Message>{Error(100)});
  EXPECT_TRUE(scripted::CallLog().empty());
  EXPECT_NE(Script("--show").output.find("WM_CONVERT_ERROR 100"), std::string::npos);
}

TEST_F(RegisterOffice, RunsAgainToTheSameFilesAndKeepsOtherKeys) {
  const std::string others =
      "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CLASSES_ROOT\\.txt]\r\n@=\"txtfile\"\r\n"
      "\r\n[HKEY_CLASSES_ROOT\\.DOC]\r\n@=\"Other.Type\"\r\n\"kept?\"=\"no: the key is "
      "replaced\"\r\n";
  WriteStoreForTest(folder / "store", "HKEY_CLASSES_ROOT", others);
  setenv("FOLIVEX_HKCR", (folder / "store/HKEY_CLASSES_ROOT.reg").c_str(), 1);
  const std::string path = folder / "store/HKEY_CLASSES_ROOT.reg";

  ASSERT_EQ(Script("'" FOLIVEX_SCRIPTED_SERVER_PATH "'").status, 0);
  const std::string once = ReadFile(path);
  ASSERT_EQ(Script("'" FOLIVEX_SCRIPTED_SERVER_PATH "'").status, 0);
  EXPECT_EQ(ReadFile(path), once);
  const auto outcome =
      platform::store::ParseRegistryStore(once, platform::RegistryRoot::ClassesRoot, path);
  ASSERT_TRUE(outcome.store) << outcome.error;
  EXPECT_EQ(outcome.store->FindKey(".txt")->values.at("").data,
            (std::vector<uint8_t>{'t', 'x', 't', 'f', 'i', 'l', 'e', 0}));
  EXPECT_EQ(outcome.store->FindKey(".doc")->values.count("kept?"), 0u);

  ASSERT_EQ(Script("--remove").status, 0);
  EXPECT_EQ(ReadFile(path),
            "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CLASSES_ROOT\\.txt]\r\n"
            "@=\"txtfile\"\r\n");
}

TEST_F(RegisterOffice, RefusesWhatItCannotDoSafely) {
  const std::string foreign = "not a registry file\n";
  WriteStoreForTest(folder / "store", "HKEY_CURRENT_USER", foreign);
  setenv("FOLIVEX_HKCU", (folder / "store/HKEY_CURRENT_USER.reg").c_str(), 1);
  const struct {
    std::string arguments;
    const char* told;
  } cases[] = {
      {"'" FOLIVEX_SCRIPTED_SERVER_PATH "'", "not touching it"},
      {"--remove", "not touching it"},
      {"'" + folder / "missing.so'", "no server at"},
      {"--frobnicate", "unknown option"},
  };
  for (const auto& c : cases) {
    const ScriptRun run = Script(c.arguments);
    EXPECT_NE(run.status, 0) << c.arguments;
    EXPECT_NE(run.output.find(c.told), std::string::npos) << c.arguments << ": " << run.output;
    EXPECT_EQ(ReadFile(folder / "store/HKEY_CURRENT_USER.reg"), foreign);
    EXPECT_FALSE(std::filesystem::exists(classes)) << "nothing is written before the checks";
  }
}

}  // namespace
}  // namespace fv::testing
