// The command as a person and a script run it: its options, what it prints, its exit
// status, its batches and their workers, against the scripted word processor.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <regex>

#include "Command.h"
#include "TestHost.h"
#include "registration.h"

namespace fv::testing {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

class CommandTest : public ::testing::Test {
 protected:
  void SetUp() override { RegisterScripted({"scripted"}); }
  void TearDown() override { UnregisterForTest(); }

  void RegisterScripted(Registration registration) {
    if (registration.serverPath == "scripted")
      registration.serverPath = FOLIVEX_SCRIPTED_SERVER_PATH;
    RegisterForTest(temp_ / "registry", registration);
  }

  // A document of the scripted word processor: pages separated by form feeds.
  std::string Document(const std::string& name, const std::vector<std::string>& pages) {
    std::string text;
    for (std::size_t i = 0; i < pages.size(); ++i) text += (i ? "\f" : "") + pages[i];
    fs::create_directories(fs::path(temp_ / name).parent_path());
    return temp_.Write(name, text);
  }

  // Runs the command in the test's folder. The scripted server needs no office, so none is
  // started for a batch unless a test asks for that.
  CommandResult Convert(std::vector<std::string> arguments, CommandOptions options = {}) {
    arguments.insert(arguments.begin(), {FOLIVEX_CONVERT_PATH, "--office=per-file"});
    if (options.folder.empty()) options.folder = temp_.Path();
    options.unset.insert(options.unset.end(), {"FOLIVEX_OFFICE_PIPE", "FOLIVEX_LIBRARY"});
    return RunCommand(arguments, options);
  }

  std::vector<json> JsonLines(const CommandResult& result) {
    std::vector<json> objects;
    for (const auto& line : result.OutLines()) {
      objects.push_back(json::parse(line));  // throws, failing the test, on anything else
    }
    return objects;
  }

  TempFolder temp_;
};

TEST_F(CommandTest, HelpAndVersion) {
  const auto help = Convert({"--help"});
  EXPECT_EQ(help.exitStatus, 0);
  EXPECT_EQ(help.out.rfind("Usage: folivex-convert", 0), 0u) << help.out;
  for (const char* option : {"--output", "--prefix", "--start", "--per-page", "--whole", "--pages",
                             "--colors", "--jobs", "--json", "--quiet", "--verbose"}) {
    EXPECT_NE(help.out.find(option), std::string::npos) << option;
  }
  const auto version = Convert({"--version"});
  EXPECT_EQ(version.exitStatus, 0);
  EXPECT_EQ(version.out, "folivex-convert (Folivex) " FOLIVEX_VERSION "\n");
}

TEST_F(CommandTest, UsageErrorsExitTwoBeforeConvertingAnything) {
  Document("a.doc", {"one"});
  Document("sub/a.doc", {"one"});
  struct Case {
    std::vector<std::string> arguments;
    std::string says;
  };
  const Case cases[] = {
      {{}, "no input file"},
      {{"-o"}, "needs a value"},
      {{"--bogus", "a.doc"}, "unknown option '--bogus'"},
      {{"--pages", "0", "a.doc"}, "--pages"},
      {{"--pages", "2-x", "a.doc"}, "--pages"},
      {{"--whole", "--pages", "2", "a.doc"}, "--pages"},
      {{"--start", "1e3", "a.doc"}, "--start"},
      {{"--jobs", "0", "a.doc"}, "--jobs"},
      {{"--colors", "1,2,3", "a.doc"}, "--colors"},
      {{"--colors", "#12345g,1,2,3", "a.doc"}, "--colors"},
      {{"--office", "shared", "a.doc"}, "--office"},
      {{"-p", "x/y", "a.doc"}, "may not hold a '/'"},
      {{"-o", "out/%q", "a.doc"}, "--output"},
      // Both would write out/000001.htm: the second would overwrite the first.
      {{"-o", "out", "a.doc", "sub/a.doc"}, "would write the same files"},
      {{"-o", "out/%n", "a.doc", "sub/a.doc"}, "would write the same files"},
  };
  for (const Case& c : cases) {
    std::string shown;
    for (const auto& a : c.arguments) shown += a + " ";
    const auto result = Convert(c.arguments);
    EXPECT_EQ(result.exitStatus, 2) << shown;
    EXPECT_EQ(result.out, "") << shown;
    EXPECT_NE(result.err.find(c.says), std::string::npos) << shown << "\n" << result.err;
    EXPECT_NE(result.err.find("Try 'folivex-convert --help'"), std::string::npos) << shown;
    EXPECT_FALSE(fs::exists(temp_ / "out")) << shown;
  }
  // One office cannot serve several jobs.
  CommandOptions shared;
  shared.env["FOLIVEX_OFFICE_PIPE"] = "someone-elses";
  auto arguments = std::vector<std::string>{FOLIVEX_CONVERT_PATH, "-j", "2", "a.doc"};
  shared.folder = temp_.Path();
  const auto result = RunCommand(arguments, shared);
  EXPECT_EQ(result.exitStatus, 2);
  EXPECT_NE(result.err.find("FOLIVEX_OFFICE_PIPE"), std::string::npos) << result.err;
}

TEST_F(CommandTest, PrintsEveryFileAsWrittenThenASummary) {
  Document("report.doc", {"first page", "second page", "third page"});
  const auto result = Convert({"-o", "out", "report.doc"});
  EXPECT_EQ(result.exitStatus, 0) << result.err;
  const std::string out = fs::canonical(temp_.Path()).string() + "/out/";
  EXPECT_EQ(result.OutLines(),
            (std::vector<std::string>{out + "000001.htm", out + "000002.htm", out + "000003.htm"}));
  EXPECT_EQ(ListFiles(temp_ / "out"),
            (std::vector<std::string>{"000001.htm", "000002.htm", "000003.htm"}));
  EXPECT_NE(ReadFile(out + "000002.htm").find("second page"), std::string::npos);
  ASSERT_EQ(result.ErrLines().size(), 1u) << result.err;
  EXPECT_EQ(result.ErrLines()[0].rfind("report.doc: 3 files, pages 1-3, ", 0), 0u) << result.err;

  const auto quiet = Convert({"-q", "-o", "quiet", "report.doc"});
  EXPECT_EQ(quiet.exitStatus, 0);
  EXPECT_EQ(quiet.out + quiet.err, "");
  EXPECT_EQ(ListFiles(temp_ / "quiet").size(), 3u);

  const auto verbose = Convert({"-v", "-o", "verbose", "--whole", "report.doc"});
  EXPECT_EQ(verbose.exitStatus, 0);
  EXPECT_EQ(verbose.OutLines().size(), 1u) << verbose.out;
  EXPECT_NE(verbose.err.find("report.doc: WM_CONVERT_NOTIFY 1\n"), std::string::npos)
      << verbose.err;
  EXPECT_NE(verbose.err.find("1 file (the whole document)"), std::string::npos) << verbose.err;
  EXPECT_EQ(ListFiles(temp_ / "verbose"), std::vector<std::string>{"000001.htm"});
}

TEST_F(CommandTest, JsonObjectsMatchTheMessagesAndTheFiles) {
  Document("report.doc", {"one", "two", "three", "four"});
  // The bounds in either order: the library puts them in order and the record says so.
  const auto result =
      Convert({"--json", "-o", "out", "-p", "p", "-n", "10", "--pages", "3-2", "report.doc"});
  EXPECT_EQ(result.exitStatus, 0) << result.err;
  EXPECT_EQ(result.err, "");
  const auto objects = JsonLines(result);
  ASSERT_EQ(objects.size(), 4u) << result.out;
  const std::string folder = fs::canonical(temp_.Path()).string() + "/out";
  const std::string pages[] = {"two", "three"};
  for (int i = 0; i < 2; ++i) {
    const json& m = objects[i];
    EXPECT_EQ(m["type"], "message");
    EXPECT_EQ(m["input"], "report.doc");
    EXPECT_EQ(m["message"], "WM_CONVERT_NOTIFY");
    EXPECT_EQ(m["number"], 2025);
    EXPECT_EQ(m["code"], 0);
    EXPECT_EQ(m["page"], i + 2);
    EXPECT_EQ(m["written"], true);
    // Page i is numbered start + i - 1.
    EXPECT_EQ(m["path"], folder + "/p0000" + std::to_string(11 + i) + ".htm");
    EXPECT_NE(ReadFile(m["path"]).find(pages[i]), std::string::npos);
  }
  EXPECT_EQ(objects[2]["message"], "WM_CONVERT_NOTIFY");
  EXPECT_EQ(objects[2]["code"], 1);
  const json& input = objects[3];
  EXPECT_EQ(input["type"], "input");
  EXPECT_EQ(input["outcome"], "converted");
  EXPECT_EQ(input["result"], 1);
  EXPECT_EQ(input["range"], json({{"PerPage", 1}, {"FromPage", 2}, {"ToPage", 3}}));
  EXPECT_EQ(input["files"], json({objects[0]["path"], objects[1]["path"]}));
  EXPECT_EQ(input["pages"], json({2, 3}));
  EXPECT_EQ(ListFiles(folder), (std::vector<std::string>{"p000011.htm", "p000012.htm"}));
}

TEST_F(CommandTest, JsonReportsAFailureWithItsCodeAndMeaning) {
  Document("short.doc", {"one", "two"});
  const auto result = Convert({"--json", "-o", "out", "--pages", "5-9", "short.doc"});
  EXPECT_EQ(result.exitStatus, 1);
  const auto objects = JsonLines(result);
  ASSERT_EQ(objects.size(), 3u) << result.out;
  EXPECT_EQ(objects[0]["message"], "WM_CONVERT_ERROR");
  EXPECT_EQ(objects[0]["number"], 2026);
  EXPECT_EQ(objects[0]["code"], 104);
  EXPECT_NE(objects[0]["meaning"].get<std::string>().find("beyond"), std::string::npos);
  EXPECT_NE(objects[0]["advice"].get<std::string>().find("--pages"), std::string::npos);
  EXPECT_EQ(objects[1]["message"], "WM_CONVERT_NOTIFY");
  EXPECT_EQ(objects[1]["code"], -1);
  EXPECT_EQ(objects[2]["outcome"], "failed");
  EXPECT_EQ(objects[2]["result"], 0);
  EXPECT_EQ(objects[2]["errors"], json({104}));
  // The record as the library left it: the lower bound beyond the end, not cut.
  EXPECT_EQ(objects[2]["range"], json({{"PerPage", 1}, {"FromPage", 5}, {"ToPage", 9}}));
  EXPECT_EQ(ListFiles(temp_ / "out"), std::vector<std::string>{});
}

TEST_F(CommandTest, EveryErrorCodeIsExplainedWithWhatToDo) {
  Document("report.doc", {"one"});
  struct Case {
    Registration registration;
    std::vector<std::string> codes;
    std::string advice;
  };
  const Case cases[] = {
      // No word processor registered for ".doc" at all.
      {{"scripted", false, true}, {"100"}, "register-office.sh"},
      // ".doc" is registered but its server is not: it cannot be started.
      {{"", true, true}, {"100", "101"}, "register-office.sh"},
      {{"scripted", true, false}, {"110"}, "register-office.sh"},
  };
  for (const Case& c : cases) {
    RegisterScripted(c.registration);
    const auto result = Convert({"-o", "out", "report.doc"});
    EXPECT_EQ(result.exitStatus, 1) << result.err;
    EXPECT_EQ(result.out, "");
    for (const auto& code : c.codes) {
      EXPECT_NE(result.err.find("report.doc: error " + code + ": "), std::string::npos)
          << result.err;
    }
    EXPECT_NE(result.err.find(c.advice), std::string::npos) << result.err;
    EXPECT_NE(result.err.find("report.doc: failed: error " + c.codes[0]), std::string::npos)
        << result.err;
  }
}

TEST_F(CommandTest, MissingAndPdfInputsAreReportedByName) {
  Document("report.doc", {"one", "two"});
  temp_.Write("scan.pdf", "%PDF-1.4 not a Word document");
  fs::create_directories(temp_ / "folder.doc");
  const auto result =
      Convert({"-o", "out/%n", "missing.doc", "scan.pdf", "folder.doc", "report.doc"});
  EXPECT_EQ(result.exitStatus, 1);
  EXPECT_NE(result.err.find("folivex-convert: missing.doc: no such file"), std::string::npos)
      << result.err;
  EXPECT_NE(result.err.find("folivex-convert: folder.doc: a folder, not a file"), std::string::npos)
      << result.err;
  EXPECT_NE(result.err.find("scan.pdf: a PDF file"), std::string::npos) << result.err;
  EXPECT_EQ(result.OutLines().size(), 2u) << result.out;  // report.doc's pages only
  EXPECT_EQ(ListFiles(temp_ / "out/scan"), std::vector<std::string>{});

  // A PDF alone converts as far as the library goes: accepted, nothing written, status 0.
  const auto pdf = Convert({"--json", "-o", "pdf", "scan.pdf"});
  EXPECT_EQ(pdf.exitStatus, 0);
  const auto objects = JsonLines(pdf);
  ASSERT_EQ(objects.size(), 1u);
  EXPECT_EQ(objects[0]["outcome"], "skipped");
  EXPECT_EQ(objects[0]["result"], 1);
  EXPECT_EQ(objects[0]["files"], json::array());
}

TEST_F(CommandTest, AnInputsKindDependsOnItsOwnNameOnly) {
  // A loaded library takes every file after a Word document for one: the command must not
  // let the text file after the document be converted, nor the one after the PDF.
  Document("report.doc", {"one"});
  Document("notes.txt", {"plain text"});
  temp_.Write("scan.pdf", "%PDF");
  Document("more.txt", {"more text"});
  const auto result =
      Convert({"--json", "-o", "out/%n", "report.doc", "notes.txt", "scan.pdf", "more.txt"});
  EXPECT_EQ(result.exitStatus, 0) << result.err;
  std::vector<std::string> outcomes;
  for (const json& object : JsonLines(result)) {
    if (object["type"] == "input") {
      outcomes.push_back(object["input"].get<std::string>() + " " +
                         object["outcome"].get<std::string>() + " " +
                         object["why"].get<std::string>());
    }
  }
  EXPECT_EQ(
      outcomes,
      (std::vector<std::string>{
          "report.doc converted ", "notes.txt skipped not a Word document (its name holds no .doc)",
          "scan.pdf skipped a PDF file, which the library accepts and does not convert",
          "more.txt skipped not a Word document (its name holds no .doc)"}));
  EXPECT_EQ(ListFiles(temp_ / "out/notes"), std::vector<std::string>{});
  EXPECT_EQ(ListFiles(temp_ / "out/more"), std::vector<std::string>{});
}

// Every file below `folder`, by its path below it, with its contents.
std::map<std::string, std::string> Tree(const fs::path& folder) {
  std::map<std::string, std::string> tree;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    if (entry.is_regular_file()) {
      tree[fs::relative(entry.path(), folder).string()] = ReadFile(entry.path().string());
    }
  }
  return tree;
}

TEST_F(CommandTest, TwoJobsReportInInputOrderAndWriteWhatOneJobWrites) {
  std::vector<std::string> inputs;
  for (int i = 0; i < 8; ++i) {
    std::vector<std::string> pages;
    for (int p = 0; p <= i % 4; ++p)
      pages.push_back("doc " + std::to_string(i) + " page " + std::to_string(p + 1));
    inputs.push_back("doc" + std::to_string(i) + ".doc");
    Document(inputs.back(), pages);
  }
  inputs.insert(inputs.begin() + 3, "missing.doc");
  temp_.Write("scan.pdf", "%PDF");
  inputs.insert(inputs.begin() + 6, "scan.pdf");

  auto run = [&](const std::string& jobs, const std::string& folder, bool asJson) {
    std::vector<std::string> arguments = {"-j", jobs, "-o", folder + "/%n"};
    if (asJson) arguments.push_back("--json");
    arguments.insert(arguments.end(), inputs.begin(), inputs.end());
    return Convert(arguments);
  };
  const auto one = run("1", "one", false), two = run("2", "two", false);
  EXPECT_EQ(one.exitStatus, 1);  // the missing input
  EXPECT_EQ(two.exitStatus, 1);
  EXPECT_EQ(std::regex_replace(two.out, std::regex("/two/"), "/one/"), one.out);
  const std::regex seconds("[0-9]+\\.[0-9]+ s");
  EXPECT_EQ(std::regex_replace(two.err, seconds, "T"), std::regex_replace(one.err, seconds, "T"));
  EXPECT_EQ(Tree(temp_ / "two"), Tree(temp_ / "one"));
  EXPECT_EQ(Tree(temp_ / "one").size(), 20u);  // 1+2+3+4+1+2+3+4 pages

  const auto jsonOne = run("1", "json-one", true), jsonTwo = run("3", "json-two", true);
  auto normalised = [](const CommandResult& result, const std::string& folder) {
    std::vector<json> objects;
    for (const auto& line : result.OutLines()) {
      json object = json::parse(std::regex_replace(line, std::regex("/" + folder + "/"), "/X/"));
      object.erase("seconds");
      objects.push_back(object);
    }
    return objects;
  };
  const auto a = normalised(jsonOne, "json-one"), b = normalised(jsonTwo, "json-two");
  EXPECT_EQ(a, b);
  std::vector<int> order;
  for (const json& object : b) {
    if (object["type"] == "input") order.push_back(object["index"]);
  }
  EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
}

// The command with the stand-in library of fake_library.cpp.
class FaultyHostTest : public CommandTest {
 protected:
  CommandResult ConvertWithFake(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), {FOLIVEX_CONVERT_PATH, "--office=per-file"});
    CommandOptions options;
    options.folder = temp_.Path();
    options.env["FOLIVEX_LIBRARY"] = FOLIVEX_FAKE_LIBRARY_PATH;
    options.timeoutSeconds = 60;
    return RunCommand(arguments, options);
  }
};

TEST_F(FaultyHostTest, AWorkerThatDiesFailsItsInputAndTheBatchGoesOn) {
  for (const char* name : {"first.doc", "crash.doc", "last.doc"}) temp_.Write(name, "x");
  const auto result =
      ConvertWithFake({"-j", "1", "-o", "out/%n", "first.doc", "crash.doc", "last.doc"});
  EXPECT_EQ(result.exitStatus, 1);
  EXPECT_NE(result.err.find("crash.doc: failed: the worker converting it ended by signal 9"),
            std::string::npos)
      << result.err;
  EXPECT_EQ(ListFiles(temp_ / "out/first"), std::vector<std::string>{"000001.htm"});
  EXPECT_EQ(ListFiles(temp_ / "out/last"), std::vector<std::string>{"000001.htm"});
  ASSERT_EQ(result.OutLines().size(), 2u) << result.out;
  EXPECT_NE(result.OutLines()[1].find("/out/last/"), std::string::npos);
}

TEST_F(FaultyHostTest, AnInputThatTakesTooLongIsStoppedAndTheBatchGoesOn) {
  for (const char* name : {"hang.doc", "next.doc"}) temp_.Write(name, "x");
  const auto result = ConvertWithFake({"--timeout", "1", "-o", "out/%n", "hang.doc", "next.doc"});
  EXPECT_FALSE(result.timedOut);
  EXPECT_EQ(result.exitStatus, 1);
  EXPECT_NE(result.err.find("hang.doc: failed: took longer than 1 s (--timeout)"),
            std::string::npos)
      << result.err;
  EXPECT_EQ(ListFiles(temp_ / "out/next"), std::vector<std::string>{"000001.htm"});
}

}  // namespace
}  // namespace fv::testing
