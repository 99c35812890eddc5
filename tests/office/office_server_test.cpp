// The office server as the library loads it (its shared object, through its two entry
// points), with a real office: starting, attaching, quitting, the calls the engine makes,
// and an office that dies, hangs or cannot start.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <filesystem>
#include <fstream>

#include "OfficeTesting.h"
#include "automation/ServerEntry.h"
#include "folivex_window.h"

namespace fv::testing {
namespace {

namespace fs = std::filesystem;
using namespace automation;
using Clock = std::chrono::steady_clock;

class OfficeServerTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    UseOfficeTestEnvironment();
    handle_ = dlopen(FOLIVEX_OFFICE_SERVER_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(handle_, nullptr) << dlerror();
    create_ =
        reinterpret_cast<FolivexCreateInstanceFn>(dlsym(handle_, FOLIVEX_SERVER_CREATE_INSTANCE));
    active_ = reinterpret_cast<FolivexGetActiveObjectFn>(
        dlsym(handle_, FOLIVEX_SERVER_GET_ACTIVE_OBJECT));
  }

  void TearDown() override {
    // Nothing an application of a test started may outlive it.
    EXPECT_TRUE(StartedOffices().empty());
    EXPECT_TRUE(LeftProfileCopies().empty());
    if (OpenClipboard(nullptr)) {
      EmptyClipboard();
      CloseClipboard();
    }
  }

  static ComPtr<Application> Start() {
    ComPtr<Application> app;
    EXPECT_EQ(create_(app.Out()), S_OK);
    return app;
  }

  static ComPtr<Document> Open(Application* app, const std::string& path, HRESULT* result) {
    ComPtr<Documents> documents;
    EXPECT_EQ(app->get_Documents(documents.Out()), S_OK);
    OpenArguments open;
    open.fileName = Variant::String(path);
    ComPtr<Document> document;
    *result = documents->Open(open, document.Out());
    return document;
  }

  static ComPtr<Document> Item1(Application* app, HRESULT* result = nullptr) {
    ComPtr<Documents> documents;
    EXPECT_EQ(app->get_Documents(documents.Out()), S_OK);
    ComPtr<Document> document;
    const HRESULT hr = documents->Item(Variant::Int(1), document.Out());
    if (result) *result = hr;
    return document;
  }

  // What Documents.Add answers.
  static HRESULT AddDocument(Application* app) {
    ComPtr<Documents> documents;
    EXPECT_EQ(app->get_Documents(documents.Out()), S_OK);
    if (!documents) return E_POINTER;
    ComPtr<Document> added;
    return documents->Add(Variant::Omitted(), Variant::Omitted(), Variant::Omitted(),
                          Variant::Empty(), added.Out());
  }

  static ComPtr<Selection> SelectionOf(Application* app) {
    ComPtr<Selection> selection;
    EXPECT_EQ(app->get_Selection(selection.Out()), S_OK);
    return selection;
  }

  static void Quit(Application* app) {
    EXPECT_EQ(app->Quit(Variant::Omitted(), Variant::Omitted(), Variant::Omitted()), S_OK);
  }

  static std::string Fixture(const char* name) { return OfficeFixtures() + "/" + name; }

  static inline void* handle_ = nullptr;
  static inline FolivexCreateInstanceFn create_ = nullptr;
  static inline FolivexGetActiveObjectFn active_ = nullptr;
};

TEST_F(OfficeServerTest, StartsItsOwnOfficeAndQuitEndsItLeavingNothing) {
  ComPtr<Application> none;
  EXPECT_EQ(active_(none.Out()), MK_E_UNAVAILABLE);
  EXPECT_FALSE(none);

  auto app = Start();
  ASSERT_TRUE(app);
  ASSERT_EQ(StartedOffices().size(), 1u);
  // While it runs it is the running instance; quitting an application that only attached
  // to it leaves it running.
  ComPtr<Application> attached;
  ASSERT_EQ(active_(attached.Out()), S_OK);
  Quit(attached.Get());
  EXPECT_EQ(StartedOffices().size(), 1u);

  Quit(app.Get());
  EXPECT_TRUE(StartedOffices().empty());
  EXPECT_TRUE(LeftProfileCopies().empty());
  // Quitting again succeeds; anything else is refused.
  Quit(app.Get());
  ComPtr<Documents> documents;
  EXPECT_EQ(app->get_Documents(documents.Out()), RPC_E_DISCONNECTED);
}

TEST_F(OfficeServerTest, ServesTheEngineCallsForOnePage) {
  auto app = Start();
  HRESULT hr;
  auto source = Open(app.Get(), Fixture("tables.docx"), &hr);
  ASSERT_EQ(hr, S_OK);
  ComPtr<Range> whole;
  ASSERT_EQ(source->Range(Variant::Omitted(), Variant::Omitted(), whole.Out()), S_OK);
  Variant pages;
  ASSERT_EQ(whole->get_Information(wdNumberOfPagesInDocument, &pages), S_OK);
  ASSERT_EQ(pages.Type(), VT_I4);
  ASSERT_GE(pages.IntValue(), 5);
  int32_t end = 0;
  EXPECT_EQ(whole->get_End(&end), S_OK);

  // Page 2 as the engine delimits it.
  auto selection = SelectionOf(app.Get());
  ComPtr<Range> at;
  ASSERT_EQ(selection->GoTo(Variant::Int(wdGoToPage), Variant::Int(wdGoToAbsolute), Variant::Int(2),
                            Variant::Empty(), at.Out()),
            S_OK);
  ComPtr<Range> range;
  ASSERT_EQ(selection->get_Range(range.Out()), S_OK);
  int32_t start = -1;
  EXPECT_EQ(range->get_Start(&start), S_OK);
  ASSERT_EQ(selection->GoTo(Variant::Int(wdGoToPage), Variant::Int(wdGoToAbsolute), Variant::Int(3),
                            Variant::Empty(), at.Out()),
            S_OK);
  int32_t moved = 0;
  EXPECT_EQ(selection->MoveLeft(Variant::Int(wdCharacter), Variant::Int(1), Variant::Int(wdExtend),
                                &moved),
            S_OK);
  EXPECT_EQ(moved, 1);
  ASSERT_EQ(selection->get_Range(range.Out()), S_OK);
  int32_t pageEnd = -1;
  EXPECT_EQ(range->get_End(&pageEnd), S_OK);
  EXPECT_LT(start, pageEnd);
  EXPECT_LE(pageEnd, end);
  ComPtr<Range> page;
  ASSERT_EQ(source->Range(Variant::Int(start), Variant::Int(pageEnd), page.Out()), S_OK);
  ASSERT_EQ(page->Copy(), S_OK);

  // The page document: new, item 1, a borderless centred frame table, the paste, the save.
  ASSERT_EQ(AddDocument(app.Get()), S_OK);
  auto item1 = Item1(app.Get());
  ASSERT_TRUE(item1);
  ASSERT_EQ(item1->Select(), S_OK);
  ComPtr<Tables> tables;
  ASSERT_EQ(item1->get_Tables(tables.Out()), S_OK);
  ComPtr<Range> here;
  ASSERT_EQ(SelectionOf(app.Get())->get_Range(here.Out()), S_OK);
  ComPtr<Table> frame;
  ASSERT_EQ(tables->Add(here.Get(), 1, 1, Variant::Int(1), Variant::Int(0), frame.Out()), S_OK);
  for (int32_t border : {wdBorderTop, wdBorderLeft, wdBorderRight, wdBorderBottom}) {
    ComPtr<Borders> borders;
    ASSERT_EQ(frame->get_Borders(borders.Out()), S_OK);
    ComPtr<Border> one;
    ASSERT_EQ(borders->Item(border, one.Out()), S_OK);
    EXPECT_EQ(one->put_LineStyle(wdLineStyleNone), S_OK);
  }
  ASSERT_EQ(SelectionOf(app.Get())->Paste(), S_OK);
  ComPtr<Tables> selected;
  ASSERT_EQ(SelectionOf(app.Get())->get_Tables(selected.Out()), S_OK);
  ComPtr<Table> first;
  ASSERT_EQ(selected->Item(1, first.Out()), S_OK);
  ComPtr<Rows> rows;
  ASSERT_EQ(first->get_Rows(rows.Out()), S_OK);
  EXPECT_EQ(rows->put_Alignment(wdAlignRowCenter), S_OK);
  const std::string file = OfficeTempFolder() + "/page2.htm";
  SaveAsArguments save;
  save.fileName = Variant::String(file);
  save.fileFormat = Variant::Int(wdFormatHTML);
  ASSERT_EQ(item1->SaveAs(save), S_OK);
  ASSERT_TRUE(fs::exists(file));
  EXPECT_EQ(item1->Close(Variant::Empty(), Variant::Empty(), Variant::Empty()), S_OK);
  fs::remove(file);

  // Item 1 is the source again, and the page's text was not the first page's.
  auto again = Item1(app.Get());
  ComPtr<Range> sourceWhole;
  ASSERT_EQ(again->Range(Variant::Omitted(), Variant::Omitted(), sourceWhole.Out()), S_OK);
  int32_t sourceEnd = 0;
  EXPECT_EQ(sourceWhole->get_End(&sourceEnd), S_OK);
  EXPECT_EQ(sourceEnd, end);
  Quit(app.Get());
}

// Whether the office process has the agent library loaded.
bool OfficeRunsTheAgent(pid_t office) {
  std::ifstream maps("/proc/" + std::to_string(office) + "/maps");
  std::string line;
  while (std::getline(maps, line)) {
    if (line.find("libfolivex-office-agent.so") != std::string::npos) return true;
  }
  return false;
}

TEST_F(OfficeServerTest, DocumentWorkRunsInsideTheOfficeUnlessTurnedOff) {
  for (bool agent : {true, false}) {
    ScopedEnv use("FOLIVEX_OFFICE_AGENT", agent ? "1" : "0");
    auto app = Start();
    HRESULT hr;
    auto source = Open(app.Get(), Fixture("one-page.docx"), &hr);
    ASSERT_EQ(hr, S_OK);
    const auto offices = StartedOffices();
    ASSERT_EQ(offices.size(), 1u);
    EXPECT_EQ(OfficeRunsTheAgent(offices[0]), agent);
    // Either way the copy works.
    ComPtr<Range> whole;
    ASSERT_EQ(source->Range(Variant::Omitted(), Variant::Omitted(), whole.Out()), S_OK);
    EXPECT_EQ(whole->Copy(), S_OK);
    Quit(app.Get());
  }
}

TEST_F(OfficeServerTest, APasteWithNothingCopiedFails) {
  auto app = Start();
  ASSERT_EQ(AddDocument(app.Get()), S_OK);
  EXPECT_TRUE(Failed(SelectionOf(app.Get())->Paste()));
  Quit(app.Get());
}

TEST_F(OfficeServerTest, DocumentsThatCannotBeReadFailAtOnce) {
  auto app = Start();
  for (const std::string& path : {Fixture("password.doc"), Fixture("truncated.docx"),
                                  OfficeTempFolder() + "/no-such-file.doc"}) {
    const auto started = Clock::now();
    HRESULT hr;
    auto document = Open(app.Get(), path, &hr);
    EXPECT_TRUE(Failed(hr)) << path;
    EXPECT_FALSE(document) << path;
    EXPECT_LT(Clock::now() - started, std::chrono::seconds(20)) << path;
    HRESULT item;
    Item1(app.Get(), &item);
    EXPECT_EQ(item, DISP_E_BADINDEX) << path;  // nothing was opened
  }
  // The office still serves.
  HRESULT hr;
  EXPECT_TRUE(Open(app.Get(), Fixture("one-page.docx"), &hr));
  EXPECT_EQ(hr, S_OK);
  Quit(app.Get());
}

TEST_F(OfficeServerTest, AnOfficeThatStopsAnsweringIsEndedAtTheTimeLimit) {
  ScopedEnv limit("FOLIVEX_OFFICE_TIMEOUT", "3");
  auto app = Start();
  HRESULT hr;
  auto source = Open(app.Get(), Fixture("tables.docx"), &hr);
  ASSERT_EQ(hr, S_OK);
  const auto offices = StartedOffices();
  ASSERT_EQ(offices.size(), 1u);
  kill(offices[0], SIGSTOP);
  ComPtr<Range> whole;
  ASSERT_EQ(source->Range(Variant::Omitted(), Variant::Omitted(), whole.Out()), S_OK);
  const auto started = Clock::now();
  EXPECT_EQ(whole->Copy(), RPC_E_TIMEOUT);
  const auto took = Clock::now() - started;
  EXPECT_GE(took, std::chrono::seconds(3));
  EXPECT_LT(took, std::chrono::seconds(15));
  // Every later call fails at once; quitting succeeds and leaves nothing.
  EXPECT_EQ(AddDocument(app.Get()), RPC_E_SERVERDIED);
  Quit(app.Get());
}

TEST_F(OfficeServerTest, AnOfficeKilledInUseFailsTheCall) {
  auto app = Start();
  HRESULT hr;
  auto source = Open(app.Get(), Fixture("tables.docx"), &hr);
  ASSERT_EQ(hr, S_OK);
  for (pid_t office : StartedOffices()) kill(office, SIGKILL);
  ComPtr<Range> whole;
  ASSERT_EQ(source->Range(Variant::Omitted(), Variant::Omitted(), whole.Out()), S_OK);
  EXPECT_EQ(whole->Copy(), RPC_E_SERVERDIED);
  EXPECT_EQ(source->Close(Variant::Empty(), Variant::Empty(), Variant::Empty()), RPC_E_SERVERDIED);
  Quit(app.Get());
}

TEST_F(OfficeServerTest, AnOfficeThatCannotStartIsReportedQuickly) {
  for (const char* office : {"/no/such/soffice.bin", "/bin/false"}) {
    ScopedEnv program("FOLIVEX_SOFFICE", office);
    ScopedEnv limit("FOLIVEX_OFFICE_START_TIMEOUT", "10");
    const auto started = Clock::now();
    ComPtr<Application> app;
    EXPECT_EQ(create_(app.Out()), CO_E_SERVER_EXEC_FAILURE) << office;
    EXPECT_FALSE(app);
    EXPECT_LT(Clock::now() - started, std::chrono::seconds(12)) << office;
  }
}

TEST_F(OfficeServerTest, AnAttachedOfficeKeepsRunningWithOurDocumentsClosed) {
  const std::string pipe = "folivex-test-shared-" + std::to_string(getpid());
  SharedOffice shared(pipe);
  ASSERT_TRUE(shared.WaitReady(120));
  ScopedEnv named("FOLIVEX_OFFICE_PIPE", pipe);
  ComPtr<Application> app;
  ASSERT_EQ(active_(app.Out()), S_OK);
  HRESULT hr;
  ASSERT_TRUE(Open(app.Get(), Fixture("one-page.docx"), &hr));
  ASSERT_TRUE(Open(app.Get(), Fixture("rich-text.doc"), &hr));
  EXPECT_EQ(OpenDocumentsOfOffice(pipe), 2);
  Quit(app.Get());
  EXPECT_TRUE(shared.Running());
  EXPECT_EQ(OpenDocumentsOfOffice(pipe), 0);
}

}  // namespace
}  // namespace fv::testing
