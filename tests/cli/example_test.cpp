// The example host, built in this tree and against an installed copy of the library (found
// by its CMake package and by pkg-config), and the installed command.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "Command.h"
#include "TestHost.h"
#include "registration.h"

namespace fv::testing {
namespace {

namespace fs = std::filesystem;

class ExampleHostTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterForTest(temp_ / "registry", {FOLIVEX_SCRIPTED_SERVER_PATH});
    document_ = temp_.Write("report.doc", "first page\fsecond page\fthird page");
  }
  void TearDown() override { UnregisterForTest(); }

  // The example's output for report.doc converted into `folder`.
  void ExpectConverted(const CommandResult& result, const std::string& folder) {
    EXPECT_EQ(result.exitStatus, 0) << result.out << result.err;
    EXPECT_EQ(result.OutLines(), (std::vector<std::string>{
                                     "written " + folder + "/000001.htm",
                                     "written " + folder + "/000002.htm",
                                     "written " + folder + "/000003.htm",
                                     "finished",
                                     "result 1, range record {1, 0, 0}",
                                 }));
    EXPECT_EQ(ListFiles(folder).size(), 3u);
  }

  CommandResult Run(const std::vector<std::string>& argv, CommandOptions options = {}) {
    options.timeoutSeconds = 300;
    options.unset.push_back("LD_LIBRARY_PATH");
    auto result = RunCommand(argv, options);
    EXPECT_FALSE(result.timedOut) << argv[0];
    return result;
  }

  TempFolder temp_;
  std::string document_;
};

TEST_F(ExampleHostTest, ConvertsADocumentAndPrintsEveryMessage) {
  const std::string folder = temp_ / "out";
  ExpectConverted(Run({FOLIVEX_MINIMAL_HOST_PATH, document_, folder, FOLIVEX_LIBRARY_PATH}),
                  folder);
}

TEST_F(ExampleHostTest, BuildsAndConvertsAgainstAnInstalledCopy) {
#ifdef FOLIVEX_SANITIZED
  GTEST_SKIP() << "a host built here without the sanitizer cannot load a sanitized library";
#endif
  const std::string prefix = temp_ / "prefix";
  const auto install = Run({FOLIVEX_CMAKE, "--install", FOLIVEX_BINARY_DIR, "--prefix", prefix});
  ASSERT_EQ(install.exitStatus, 0) << install.out << install.err;
  const std::string libdir = prefix + "/" FOLIVEX_INSTALL_LIBDIR;
  for (const std::string& file :
       {libdir + "/libfolivex.so.0", libdir + "/libfolivex-window.so",
        prefix + "/include/folivex.h", prefix + "/include/folivex_window.h",
        prefix + "/bin/folivex-convert", libdir + "/cmake/folivex/folivex-config.cmake",
        libdir + "/pkgconfig/folivex.pc"}) {
    EXPECT_TRUE(fs::exists(file)) << file;
  }

  // With CMake: find_package(folivex).
  const std::string build = temp_ / "build";
  const auto configure = Run({FOLIVEX_CMAKE, "-S", FOLIVEX_SOURCE_DIR "/examples", "-B", build,
                              "-DCMAKE_PREFIX_PATH=" + prefix});
  ASSERT_EQ(configure.exitStatus, 0) << configure.out << configure.err;
  const auto built = Run({FOLIVEX_CMAKE, "--build", build});
  ASSERT_EQ(built.exitStatus, 0) << built.out << built.err;
  // The library is the installed one, found beside the windowing services.
  ExpectConverted(Run({build + "/minimal-host", document_, temp_ / "cmake-out"}),
                  temp_ / "cmake-out");

  // With pkg-config.
  CommandOptions pc;
  pc.env["PKG_CONFIG_PATH"] = libdir + "/pkgconfig";
  const auto flags = Run({FOLIVEX_PKG_CONFIG, "--cflags", "--libs", "folivex"}, pc);
  const auto library = Run({FOLIVEX_PKG_CONFIG, "--variable=library", "folivex"}, pc);
  ASSERT_EQ(flags.exitStatus, 0) << flags.err;
  ASSERT_EQ(library.exitStatus, 0) << library.err;
  std::vector<std::string> compile = {FOLIVEX_C_COMPILER,
                                      "-std=c11",
                                      "-Wall",
                                      "-Wextra",
                                      "-Wpedantic",
                                      "-Werror",
                                      "-o",
                                      temp_ / "pc-host",
                                      FOLIVEX_SOURCE_DIR "/examples/minimal_host.c"};
  std::istringstream words(flags.out);
  for (std::string word; words >> word;) compile.push_back(word);
  const auto compiled = Run(compile);
  ASSERT_EQ(compiled.exitStatus, 0) << compiled.err;
  const std::string libraryPath = library.OutLines().at(0);
  EXPECT_TRUE(fs::equivalent(libraryPath, libdir + "/libfolivex.so.0"));
  ExpectConverted(Run({temp_ / "pc-host", document_, temp_ / "pc-out", libraryPath}),
                  temp_ / "pc-out");

  // The installed command finds the installed library beside it.
  CommandOptions here;
  here.folder = temp_.Path();
  here.unset = {"FOLIVEX_LIBRARY", "FOLIVEX_OFFICE_PIPE"};
  const auto converted =
      Run({prefix + "/bin/folivex-convert", "-v", "-o", "cli-out", "report.doc"}, here);
  EXPECT_EQ(converted.exitStatus, 0) << converted.err;
  EXPECT_NE(converted.err.find("the library: " + libdir + "/libfolivex.so.0"), std::string::npos)
      << converted.err;
  EXPECT_EQ(converted.OutLines().size(), 3u) << converted.out;
  EXPECT_EQ(ListFiles(temp_ / "cli-out").size(), 3u);
}

}  // namespace
}  // namespace fv::testing
