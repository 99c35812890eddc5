// What a host receives for one file: the messages in order, the result, the files written
// and the rewritten range, for every outcome of a Word conversion.
#include <filesystem>

#include "Conformance.h"

namespace fv::testing {
namespace {

constexpr int32_t kFail = static_cast<int32_t>(0x80004005);
constexpr uint32_t kMinus1 = 0xFFFFFFFFu;

struct Sequence {
  const char* name;
  int perPage;
  int pages;
  // The faults: member, on which call, null interface instead of a failure.
  std::vector<std::tuple<std::string, int, bool>> faults;
  std::vector<Message> (*expected)(const ConformanceTest&);
  int result;
  std::vector<int> files;  // numbers of the files on disk afterwards
  bool released = true;    // false where the word processor refused to quit
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const Sequence& s, std::ostream* os) {
  *os << s.name;
}

class Sequences : public ConformanceTest, public ::testing::WithParamInterface<Sequence> {
 public:
  static std::vector<Message> With(std::vector<Message> head, std::vector<Message> tail) {
    head.insert(head.end(), tail.begin(), tail.end());
    return head;
  }
};

const Sequence kSequences[] = {
    {"WholeDocument", 0, 3, {}, [](const ConformanceTest& t) { return t.Written({1}); }, 1, {1}},
    {"PerPage",
     1,
     3,
     {},
     [](const ConformanceTest& t) {
       return t.Written({1, 2, 3});
     },
     1,
     {1, 2, 3}},
    {"WordCannotBeStarted",
     1,
     3,
     {{"Server.CreateInstance", 1, false}, {"Server.CreateInstance", 2, false}},
     [](const ConformanceTest&) {
       return std::vector<Message>{Error(100), Error(101)};
     },
     0,
     {}},
    {"HidingWordFails",
     1,
     2,
     {{"Application.Options", 1, true}},
     // 101 alone; the next use of the word processor connects again and the file converts.
     [](const ConformanceTest& t) {
       return Sequences::With({Error(101)}, t.Written({1, 2}));
     },
     1,
     {1, 2}},
    {"PageCountUnavailable",
     1,
     3,
     {{"Range.Information", 1, false}},
     [](const ConformanceTest&) { return std::vector<Message>{Error(107)}; },
     0,
     {}},
    {"PageCountAndReleaseFail",
     1,
     3,
     {{"Range.Information", 1, false}, {"Application.Quit", 1, false}},
     [](const ConformanceTest&) {
       return std::vector<Message>{Error(107), Error(109)};
     },
     0,
     {},
     false},
    {"SavingFailsWholeDocument",
     0,
     3,
     {{"Document.SaveAs", 1, false}},
     [](const ConformanceTest&) {
       return std::vector<Message>{Error(105), Error(kMinus1)};
     },
     0,
     {}},
    {"SavingFailsAtPage2",
     1,
     3,
     {{"Document.SaveAs", 2, false}},
     [](const ConformanceTest& t) { return Sequences::With(t.Written({1}, false), {Error(105)}); },
     0,
     {1}},
    {"ClosingFailsWholeDocument",
     0,
     3,
     {{"Document.Close", 1, false}},
     [](const ConformanceTest&) {
       return std::vector<Message>{Error(108), Error(kMinus1)};
     },
     0,
     {1}},
    {"ClosingFailsAtPage2",
     1,
     3,
     {{"Document.Close", 2, false}},
     [](const ConformanceTest& t) { return Sequences::With(t.Written({1}, false), {Error(108)}); },
     0,
     {1, 2}},
    {"PastingFailsAtPage2",
     1,
     3,
     {{"Selection.Paste", 2, false}},
     // No file is written for page 2, so none is announced.
     [](const ConformanceTest& t) {
       auto m = t.Written({1}, false);
       m.push_back(Error(106));
       return Sequences::With(m, t.Written({3}));
     },
     1,
     {1, 3}},
    {"PastingFailsWholeDocument",
     0,
     3,
     {{"Selection.Paste", 1, false}},
     [](const ConformanceTest&) {
       return std::vector<Message>{Error(106), Notify(kMinus1)};
     },
     0,
     {}},
    {"DocumentCannotBeConnected",
     1,
     3,
     {{"Documents.Item", 1, false}},
     [](const ConformanceTest&) { return std::vector<Message>{Error(103)}; },
     1,
     {}},
    {"DocumentCannotBeConnectedNorReleased",
     1,
     3,
     {{"Documents.Item", 1, true}, {"Application.Quit", 1, false}},
     [](const ConformanceTest&) {
       return std::vector<Message>{Error(103), Error(109)};
     },
     0,
     {},
     false},
    {"QuittingFailsOnRelease",
     1,
     2,
     {{"Application.Quit", 1, false}},
     [](const ConformanceTest& t) {
       return Sequences::With(t.Written({1, 2}), {Error(102)});
     },
     1,
     {1, 2}},
    {"WordRefusesTheSource",
     1,
     3,
     {{"Documents.Open", 1, false}},
     [](const ConformanceTest&) { return std::vector<Message>{}; },
     0,
     {}},
    {"FailedCallOutsideTheProtectedSteps",
     1,
     3,
     {{"Selection.GoTo", 3, false}},
     [](const ConformanceTest& t) { return t.Written({1}, false); },
     0,
     {1}},
};

TEST_P(Sequences, MessagesResultAndFiles) {
  const Sequence& s = GetParam();
  for (const auto& [member, k, null] : s.faults) {
    if (null) {
      scripted::NullResult(member, k);
    } else {
      scripted::FailCall(member, k, kFail);
    }
  }
  TConvertRange range{s.perPage, 0, 0};
  const int result = host.LoadFile(Pages("a.doc", s.pages).c_str(), &range);
  EXPECT_EQ(Describe(host.Sequence()), Describe(s.expected(*this)));
  EXPECT_EQ(result, s.result);
  EXPECT_EQ(ListFiles(out), OutputFiles(s.files));
  // Unless it refused, the word processor was asked to quit: no instance is left running.
  for (const auto& instance : scripted::Instances()) EXPECT_EQ(instance.quit, s.released);
}

INSTANTIATE_TEST_SUITE_P(Outcomes, Sequences, ::testing::ValuesIn(kSequences),
                         [](const auto& p) { return std::string(p.param.name); });

using Engine = ConformanceTest;

TEST_F(Engine, WordNotRegisteredOrWrongVersion) {
  struct Case {
    bool docKey, versionKey;
    uint32_t code;
  } cases[] = {{false, true, 100}, {true, false, 110}};
  for (const Case& c : cases) {
    Registration registration;
    registration.serverPath = FOLIVEX_SCRIPTED_SERVER_PATH;
    registration.docKey = c.docKey;
    registration.versionKey = c.versionKey;
    RegisterForTest(folder / "registry", registration);
    host.ClearMessages();
    TConvertRange range{1, 0, 0};
    EXPECT_EQ(host.LoadFile(Pages("a.doc", 2).c_str(), &range), 0);
    EXPECT_EQ(host.Sequence(), std::vector<Message>{Error(c.code)});
    EXPECT_TRUE(scripted::CallLog().empty()) << "nothing may be opened";
  }
}

TEST_F(Engine, AttachesToTheRunningInstance) {
  const std::string other = Pages("other.doc", 1);
  scripted::StartRunningInstance({other});
  TConvertRange range{1, 0, 0};
  EXPECT_EQ(host.LoadFile(Source("a.doc", {"first", "second"}).c_str(), &range), 1);
  EXPECT_TRUE(scripted::Calls("Server.CreateInstance").empty());
  const auto instances = scripted::Instances();
  ASSERT_EQ(instances.size(), 1u);
  EXPECT_FALSE(instances[0].visible);
  EXPECT_FALSE(instances[0].checkSpelling);
  EXPECT_FALSE(instances[0].checkGrammar);
  EXPECT_TRUE(instances[0].quit);
  // The pages came from the document just opened, not from the one open before.
  EXPECT_NE(ReadFile(JoinPath(out, "000001.htm")).find("first"), std::string::npos);
  EXPECT_NE(ReadFile(JoinPath(out, "000002.htm")).find("second"), std::string::npos);
}

TEST_F(Engine, AbandonedFileIsCleanedUpAndTheNextStartsAfresh) {
  scripted::FailCall("Document.SaveAs", 2, kFail);
  TConvertRange range{1, 0, 0};
  EXPECT_EQ(host.LoadFile(Pages("a.doc", 3).c_str(), &range), 0);
  EXPECT_TRUE(scripted::Instances().back().quit);
  EXPECT_FALSE(scripted::ClipboardHoldsCopy());
  host.ClearMessages();
  range = {1, 0, 0};
  EXPECT_EQ(host.LoadFile(Pages("b.doc", 2).c_str(), &range), 1);
  EXPECT_EQ(host.Sequence(), Written({1, 2}));
}

TEST_F(Engine, FailedCheckShowsOneBoxAndItsStepsCode) {
  scripted::FailCall("Document.SaveAs", 1, kFail);
  TConvertRange range{1, 0, 0};
  host.LoadFile(Pages("a.doc", 2).c_str(), &range);
  EXPECT_EQ(answerer.Boxes().size(), 1u);
  EXPECT_EQ(host.Sequence(), std::vector<Message>{Error(105)});
}

TEST_F(Engine, PathIsValidOnlyDuringTheMessage) {
  // The host copies the path inside its handler; the text it points at is the one written.
  TConvertRange range{1, 0, 0};
  ASSERT_EQ(host.LoadFile(Pages("a.doc", 2).c_str(), &range), 1);
  ASSERT_EQ(host.Messages().size(), 3u);
  EXPECT_NE(host.Messages()[0].lParam, 0);
  EXPECT_EQ(host.Messages()[0].path, JoinPath(out, "000001.htm"));
  EXPECT_NE(ReadFile(host.Messages()[1].path).find("page 2."), std::string::npos);
}

TEST_F(Engine, PrefixWithAFolderDelimiterWritesNothingElsewhere) {
  host.SetFirstChar("../escape");
  TConvertRange range{1, 0, 0};
  EXPECT_EQ(host.LoadFile(Pages("a.doc", 1).c_str(), &range), 0);
  EXPECT_EQ(host.Sequence(), std::vector<Message>{Error(105)});
  EXPECT_TRUE(ListFiles(folder / "out").empty());
  EXPECT_FALSE(std::filesystem::exists(folder / "escape000001.htm"));
}

}  // namespace
}  // namespace fv::testing
