// The command with the real word processor: the README's command on the sample document,
// and a batch on offices of its own. Skipped where the office server is not built.
#include <gtest/gtest.h>

#include <dirent.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "Command.h"
#include "TestHost.h"
#include "registration.h"

namespace fv::testing {
namespace {

namespace fs = std::filesystem;

constexpr const char* kSample = FOLIVEX_SOURCE_DIR "/examples/sample/sample.docx";

class OfficeCommandTest : public ::testing::Test {
 protected:
  void SetUp() override {
#ifndef FOLIVEX_OFFICE_SERVER_PATH
    GTEST_SKIP() << "the office server is not built";
#else
    if (!fs::exists(FOLIVEX_OFFICE_SERVER_PATH)) GTEST_SKIP() << "the office server is not built";
    RegisterForTest(temp_ / "registry", {FOLIVEX_OFFICE_SERVER_PATH});
#endif
  }
  void TearDown() override {
    UnregisterForTest();
  }

  CommandResult Convert(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), FOLIVEX_CONVERT_PATH);
    CommandOptions options;
    options.folder = temp_.Path();
    options.unset = {"FOLIVEX_OFFICE_PIPE", "FOLIVEX_LIBRARY"};
    options.timeoutSeconds = 500;
    auto result = RunCommand(arguments, options);
    EXPECT_FALSE(result.timedOut);
    return result;
  }

  TempFolder temp_;
};

// The processes whose command line holds `text`.
std::vector<pid_t> ProcessesWith(const std::string& text) {
  std::vector<pid_t> found;
  for (const auto& entry : fs::directory_iterator("/proc")) {
    const std::string name = entry.path().filename();
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
    std::ifstream file(entry.path() / "cmdline");
    std::string line((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (line.find(text) != std::string::npos) found.push_back(std::stoi(name));
  }
  return found;
}

TEST_F(OfficeCommandTest, ReadmeCommandConvertsTheSamplePerPage) {
  const auto result = Convert({"-o", "out", kSample});
  EXPECT_EQ(result.exitStatus, 0) << result.err;
  const std::string folder = fs::canonical(temp_.Path()).string() + "/out";
  EXPECT_EQ(result.OutLines(),
            (std::vector<std::string>{folder + "/000001.htm", folder + "/000002.htm",
                                      folder + "/000003.htm"}));
  // Each page's file holds that page's heading and none of the next page's.
  const char* headings[] = {"Folivex sample document", "Page two: a table", "Page three: a list"};
  for (int page = 0; page < 3; ++page) {
    const std::string html = ReadFile(folder + "/00000" + std::to_string(page + 1) + ".htm");
    EXPECT_NE(html.find(headings[page]), std::string::npos) << page + 1;
    if (page < 2) {
      EXPECT_EQ(html.find(headings[page + 1]), std::string::npos) << page + 1;
    }
  }
  EXPECT_NE(result.err.find("sample.docx: 3 files, pages 1-3"), std::string::npos) << result.err;
}

TEST_F(OfficeCommandTest, ABatchRunsOneOfficePerJobAndEndsIt) {
  std::vector<std::string> arguments = {"-v", "-j", "2", "-o", "out/%n"};
  for (const char* name : {"one.docx", "two.docx", "three.docx"}) {
    fs::copy_file(kSample, temp_ / name);
    arguments.push_back(name);
  }
  const auto result = Convert(arguments);
  EXPECT_EQ(result.exitStatus, 0) << result.err;
  EXPECT_EQ(result.OutLines().size(), 9u) << result.out;
  for (const char* name : {"one", "two", "three"}) {
    EXPECT_EQ(ListFiles(temp_ / ("out/" + std::string(name))).size(), 3u) << name;
  }
  // Started for the batch, one per job, and attached to by every file of that job.
  const std::string pipe = "folivex-convert-" + std::to_string(result.pid) + "-";
  for (const char* job : {"1", "2"}) {
    EXPECT_NE(result.err.find("job " + std::string(job) + ": an office answers on the pipe " +
                              pipe + job),
              std::string::npos)
        << result.err;
  }
  // Nothing of it is left: no process, no pipe.
  EXPECT_EQ(ProcessesWith(pipe), std::vector<pid_t>{});
  for (const char* job : {"1", "2"}) {
    const std::string socket = "/tmp/OSL_PIPE_" + std::to_string(getuid()) + "_" + pipe + job;
    EXPECT_FALSE(fs::exists(socket)) << socket;
  }
}

}  // namespace
}  // namespace fv::testing
