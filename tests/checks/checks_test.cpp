// The automation call checks: the texts of their boxes, the exception they raise, and
// where the answer comes from.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "automation/Exceptions.h"
#include "folivex_window.h"
#include "word/AutomationChecks.h"

namespace {

using fv::automation::EOleException;
using fv::word::CheckResult;
using fv::word::ReportFailedAssertion;

struct Box {
  std::string text, caption;
  UINT flags;
};

// Answers every box with `answer` and remembers what it showed.
class AnsweringHook {
 public:
  explicit AnsweringHook(int answer) : answer_(answer) {
    fvw_SetMessageBoxHook(&AnsweringHook::Answer, this);
  }
  ~AnsweringHook() { fvw_SetMessageBoxHook(nullptr, nullptr); }
  std::vector<Box> boxes;

 private:
  static int Answer(const char* text, const char* caption, UINT flags, void* self) {
    auto* hook = static_cast<AnsweringHook*>(self);
    hook->boxes.push_back({text, caption, flags});
    return hook->answer_;
  }
  int answer_;
};

constexpr const char* kPrompt =
    "\nPress [Y]es to terminate, [N]o to continue and [C]ancel to Debug";

TEST(CheckResult, SuccessCodesPassWithoutABox) {
  AnsweringHook hook(IDYES);
  EXPECT_EQ(CheckResult(0, "Documents.Open(...)", "open.cpp", 10), 0);
  EXPECT_EQ(CheckResult(1, "Documents.Open(...)", "open.cpp", 10), 1);  // S_FALSE
  EXPECT_TRUE(hook.boxes.empty());
}

TEST(CheckResult, BoxTextWithAndWithoutASystemMessage) {
  struct Case {
    int32_t hr;
    std::string text;
  } cases[] = {
      // E_FAIL has a system text: the call in quotes, the text, "@", file, "/", line.
      {static_cast<int32_t>(0x80004005), "'doc->SaveAs(args)': Unspecified error\r\n @ x.cpp/42"},
      // A code without one: the call in parentheses, hex without prefix, signed decimal.
      {static_cast<int32_t>(0x800A1066),
       "(doc->SaveAs(args)) Error: 800A1066 (-2146824090) @ x.cpp/42"},
  };
  for (const Case& c : cases) {
    AnsweringHook hook(IDYES);
    try {
      CheckResult(c.hr, "doc->SaveAs(args)", "x.cpp", 42);
      ADD_FAILURE() << "no exception for " << std::hex << c.hr;
    } catch (const EOleException& e) {
      EXPECT_EQ(e.what(), c.text);
      EXPECT_EQ(e.ErrorCode(), c.hr);
      EXPECT_EQ(e.Source(), "x.cpp");
      EXPECT_EQ(e.HelpFile(), "");
      EXPECT_EQ(e.HelpContext(), 0);
    }
    ASSERT_EQ(hook.boxes.size(), 1u);
    EXPECT_EQ(hook.boxes[0].caption, "HRCHECK: ");
    EXPECT_EQ(hook.boxes[0].text, c.text + kPrompt);
    EXPECT_EQ(hook.boxes[0].flags, 0x2023u);
  }
}

TEST(CheckResult, EveryAnswerEndsTheCall) {
  // Going on after a failed call would use a result that is not there: No and Cancel end
  // the step as Yes does (Cancel breaks only into an attached debugger, and none is).
  for (int answer : {IDYES, IDNO, IDCANCEL}) {
    AnsweringHook hook(answer);
    EXPECT_THROW(CheckResult(static_cast<int32_t>(0x80020009), "call", "f.cpp", 1), EOleException)
        << "answer " << answer;
    EXPECT_EQ(hook.boxes.size(), 1u);
  }
}

TEST(ReportFailedAssertion, NullInterface) {
  for (int answer : {IDYES, IDNO, IDCANCEL}) {
    AnsweringHook hook(answer);
    try {
      ReportFailedAssertion("intf != 0", "word.cpp", 7);
      ADD_FAILURE() << "no exception for answer " << answer;
    } catch (const EOleException& e) {
      EXPECT_STREQ(e.what(), "intf != 0 failed - word.cpp/7");
      EXPECT_EQ(e.ErrorCode(), static_cast<int32_t>(0x80004005));
      EXPECT_EQ(e.Source(), "word.cpp");
    }
    ASSERT_EQ(hook.boxes.size(), 1u);
    EXPECT_EQ(hook.boxes[0].caption, "_ASSERTE: ");
    EXPECT_EQ(hook.boxes[0].text, std::string("intf != 0 @ word.cpp/7") + kPrompt);
  }
}

TEST(CheckResult, LongTextsAreNeverCut) {
  AnsweringHook hook(IDYES);
  const std::string call(2000, 'c');
  try {
    CheckResult(static_cast<int32_t>(0x800A1066), call.c_str(), "f.cpp", 3);
  } catch (const EOleException& e) {
    EXPECT_EQ(std::string(e.what()), "(" + call + ") Error: 800A1066 (-2146824090) @ f.cpp/3");
  }
}

TEST(MessageBox, AnswerComesFromHookThenVariableThenDefault) {
  // With stdin not a terminal and without a hook or the variable, the answer is Yes at once.
  const int savedStdin = dup(STDIN_FILENO);
  const int devNull = open("/dev/null", O_RDONLY);
  dup2(devNull, STDIN_FILENO);
  unsetenv("FOLIVEX_CHECK_ANSWER");
  EXPECT_EQ(MessageBoxA(nullptr, "text", "caption", 0x2023), IDYES);

  setenv("FOLIVEX_CHECK_ANSWER", "no", 1);
  EXPECT_EQ(MessageBoxA(nullptr, "text", "caption", 0x2023), IDNO);
  setenv("FOLIVEX_CHECK_ANSWER", "cancel", 1);
  EXPECT_EQ(MessageBoxA(nullptr, "text", "caption", 0x2023), IDCANCEL);
  {
    AnsweringHook hook(IDNO);
    setenv("FOLIVEX_CHECK_ANSWER", "cancel", 1);
    EXPECT_EQ(MessageBoxA(nullptr, "text", "caption", 0x2023), IDNO);
  }
  setenv("FOLIVEX_CHECK_ANSWER", "maybe", 1);  // not an answer: the default
  EXPECT_EQ(MessageBoxA(nullptr, "text", "caption", 0x2023), IDYES);
  unsetenv("FOLIVEX_CHECK_ANSWER");
  dup2(savedStdin, STDIN_FILENO);
  close(savedStdin);
  close(devNull);
}

}  // namespace
