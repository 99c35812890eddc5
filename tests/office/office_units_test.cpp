// The parts of the office server that need no office: positions, cell names, settings, the
// ready-made profile's settings and the names of the socket files an office leaves.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "automation/office/AgentProtocol.h"
#include "automation/office/CallFailure.h"
#include "automation/office/CellNames.h"
#include "automation/office/FrameCell.h"
#include "automation/office/OfficeProcess.h"
#include "automation/office/OfficeSettings.h"
#include "automation/office/ProfileTemplate.h"
#include "automation/office/RtfText.h"
#include "automation/office/TransferContent.h"

namespace fv::office {
namespace {

namespace fs = std::filesystem;

TEST(OfficePositions, PageStartAndTheCharacterBeforeTheNextPageDelimitOnePage) {
  // The engine takes page i from the start of page i to the end it finds one character to
  // the left of page i + 1's start: both must map to the boundaries of page i.
  for (int32_t page = 1; page <= 5; ++page) {
    const int32_t start = PositionOfBoundary(page - 1);
    const int32_t nextStart = PositionOfBoundary(page);
    EXPECT_EQ(BoundaryAt(start), page - 1);
    EXPECT_EQ(BoundaryAt(nextStart - 1), page);
    EXPECT_EQ(BoundaryAt(nextStart), page);
  }
  EXPECT_EQ(BoundaryAt(-3), 0);
}

TEST(OfficeCellNames, ParsesAndMovesToAnotherRow) {
  struct Case {
    const char* name;
    bool valid;
    const char* column;
    int32_t row;
    const char* rest;
    const char* inRow7;
  } cases[] = {
      {"A1", true, "A", 1, "", "A7"},
      {"AB12", true, "AB", 12, "", "AB7"},
      {"B17.1.2", true, "B", 17, ".1.2", "B7.1.2"},
      {"A", false, "", 0, "", ""},
      {"17", false, "", 0, "", ""},
      {"A0", false, "", 0, "", ""},
      {"A1x", false, "", 0, "", ""},
      {"", false, "", 0, "", ""},
  };
  for (const auto& c : cases) {
    const auto parsed = ParseCellName(c.name);
    ASSERT_EQ(parsed.has_value(), c.valid) << c.name;
    if (!c.valid) continue;
    EXPECT_EQ(parsed->column, c.column) << c.name;
    EXPECT_EQ(parsed->row, c.row) << c.name;
    EXPECT_EQ(parsed->rest, c.rest) << c.name;
    EXPECT_EQ(CellInRow(*parsed, 7), c.inRow7) << c.name;
  }
}

// Columns run A..Z, then a..z, then two letters: the order the office names them in.
TEST(OfficeCellNames, ColumnLettersAndNumbers) {
  const std::pair<const char*, int32_t> cases[] = {{"A", 1},    {"Z", 26},   {"a", 27},
                                                   {"z", 52},   {"AA", 53},  {"Az", 104},
                                                   {"BA", 105}, {"zz", 2756}};
  for (const auto& [letters, number] : cases) {
    EXPECT_EQ(ColumnNumber(letters), number) << letters;
    EXPECT_EQ(ColumnLetters(number), letters) << number;
  }
}

// The frame's cell is written as a plain cell, whatever the office made of it; nothing else
// changes, the cells of the page's own tables least of all.
TEST(OfficeFrameCell, BecomesAPlainCell) {
  const std::string head = "<html><head><title>t</title></head><body>";
  const std::string nested = "<table><tr><th>H</th></tr><tr><td>c</td></tr></table>";
  const struct {
    std::string html;
    std::string expected;
  } cases[] = {
      {head + "<table><tr><th width=\"9\"><p>a</p></th></tr></table></body>",
       head + "<table><tr><td width=\"9\"><p>a</p></td></tr></table></body>"},
      {head + "<table><tr><th><p>a</p>" + nested + "<p>b</p></th></tr></table><p/></body>",
       head + "<table><tr><td><p>a</p>" + nested + "<p>b</p></td></tr></table><p/></body>"},
      {head + "<table><tr><th>" + nested + "</th></tr></table></body>",
       head + "<table><tr><td>" + nested + "</td></tr></table></body>"},
      // Already plain, with a heading cell in a table of the page: left alone.
      {head + "<table><tr><td>" + nested + "</td></tr></table></body>",
       head + "<table><tr><td>" + nested + "</td></tr></table></body>"},
      // No table, no body, a table that never ends, a <thead>: nothing to do.
      {head + "<p>a</p></body>", head + "<p>a</p></body>"},
      {"<table><tr><th>a</th></tr></table>", "<table><tr><th>a</th></tr></table>"},
      {head + "<table><tr><th>a", head + "<table><tr><th>a"},
      {head + "<table><thead><tr><td>a</td></tr></thead></table>",
       head + "<table><thead><tr><td>a</td></tr></thead></table>"},
  };
  for (const auto& c : cases) EXPECT_EQ(WithPlainFrameCell(c.html), c.expected) << c.html;
}

TEST(OfficeSettingsTest, TimeLimitsAndPipeNames) {
  EXPECT_EQ(ParseSeconds("90"), std::chrono::milliseconds(90000));
  EXPECT_EQ(ParseSeconds("0.5"), std::chrono::milliseconds(500));
  for (const char* bad : {"", "0", "-3", "ten", "5s", "nan", "1e99"}) {
    EXPECT_FALSE(ParseSeconds(bad).has_value()) << bad;
  }
  EXPECT_FALSE(ParseSeconds(nullptr).has_value());
  EXPECT_TRUE(IsValidPipeName("folivex-123_a.b"));
  for (const char* bad : {"", "a,b", "a;urp", "a b", "a=b"}) {
    EXPECT_FALSE(IsValidPipeName(bad)) << bad;
  }
  EXPECT_EQ(PrivatePipeName(), PrivatePipeName());
  EXPECT_NE(PrivatePipeName().find(std::to_string(getpid())), std::string::npos);
}

TEST(OfficeSettingsTest, ReadsTheEnvironment) {
  setenv("FOLIVEX_OFFICE_PIPE", "shared-pipe", 1);
  setenv("FOLIVEX_OFFICE_TIMEOUT", "7", 1);
  setenv("FOLIVEX_OFFICE_LOAD_TIMEOUT", "nonsense", 1);
  auto s = OfficeSettings::FromEnvironment();
  EXPECT_EQ(s.pipe, "shared-pipe");
  EXPECT_TRUE(s.pipeNamed);
  EXPECT_EQ(s.callTimeout, std::chrono::seconds(7));
  EXPECT_EQ(s.loadTimeout, std::chrono::seconds(120));  // a bad value keeps the default
  unsetenv("FOLIVEX_OFFICE_PIPE");
  unsetenv("FOLIVEX_OFFICE_TIMEOUT");
  unsetenv("FOLIVEX_OFFICE_LOAD_TIMEOUT");
  s = OfficeSettings::FromEnvironment();
  EXPECT_EQ(s.pipe, PrivatePipeName());
  EXPECT_FALSE(s.pipeNamed);
}

TEST(OfficeSettingsTest, ALauncherScriptIsReplacedByTheOfficeBesideIt) {
  const fs::path folder =
      fs::temp_directory_path() / ("folivex-launcher-" + std::to_string(getpid()));
  fs::create_directories(folder / "program");
  std::ofstream(folder / "program" / "soffice") << "#!/bin/sh\n";
  std::ofstream(folder / "program" / "soffice.bin") << "";
  fs::create_symlink(folder / "program" / "soffice", folder / "soffice");
  EXPECT_EQ(ResolveOfficeBinary((folder / "soffice").string()),
            fs::canonical(folder / "program" / "soffice.bin").string());
  EXPECT_EQ(ResolveOfficeBinary("/no/such/soffice"), "/no/such/soffice");
  fs::remove_all(folder);
}

TEST(OfficeProfileTest, TheReadyProfileRecordsTheVersionAndTurnsOffLocksAndBackgroundWork) {
  const std::string items = ProfileSettingsItems("7.4");
  for (const char* wanted :
       {"ooSetupLastVersion\" oor:op=\"fuse\"><value>7.4<", "UseDocumentOOoLockFile",
        "UseDocumentSystemFileLocking", "IsSpellAuto", "IsAutoCheck", "RecoveryInfo"}) {
    EXPECT_NE(items.find(wanted), std::string::npos) << wanted;
  }
  EXPECT_EQ(ProfileSettingsItems("").find("ooSetupLastVersion"), std::string::npos);
}

TEST(OfficeProfileTest, AFolderThatIsNoTemplateOfOursIsLeftAsItIs) {
  const fs::path folder =
      fs::temp_directory_path() / ("folivex-own-profile-" + std::to_string(getpid()));
  fs::create_directories(folder / "user");
  std::ofstream(folder / "user" / "registrymodifications.xcu") << "mine";
  auto settings = OfficeSettings::FromEnvironment();
  settings.profileTemplate = folder.string();
  settings.soffice = "/no/such/office";  // it must not be needed
  std::string error;
  EXPECT_TRUE(EnsureProfileTemplate(settings, error)) << error;
  std::ifstream in(folder / "user" / "registrymodifications.xcu");
  std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(content, "mine");
  fs::remove_all(folder);
}

TEST(OfficeProfileTest, AnOfficeThatCannotRunMakesNoTemplate) {
  const fs::path folder =
      fs::temp_directory_path() / ("folivex-no-profile-" + std::to_string(getpid()));
  auto settings = OfficeSettings::FromEnvironment();
  settings.profileTemplate = folder.string();
  settings.soffice = "/no/such/office";
  std::string error;
  EXPECT_FALSE(EnsureProfileTemplate(settings, error));
  EXPECT_FALSE(error.empty());
  EXPECT_FALSE(fs::exists(folder));
}

TEST(OfficeProcessTest, NamesThePipeFilesTheOfficeMakes) {
  // As the office names them: its pipe, and a digest of the profile's URL written byte by
  // byte in hexadecimal without leading zeros (seen on an office started on this profile).
  const auto files = OfficePipeFiles("/tmp/exp/prof4", "t7");
  ASSERT_EQ(files.size(), 2u);
  const std::string prefix = "/tmp/OSL_PIPE_" + std::to_string(getuid()) + "_";
  EXPECT_EQ(files[0], prefix + "t7");
  EXPECT_EQ(files[1], prefix + "SingleOfficeIPC_7bac860d319f07eba98cf8e1ea682cd");
  EXPECT_EQ(FileUrl("/a b/c%"), "file:///a%20b/c%25");
}

TEST(OfficeTransfer, ACopyKeepsEverythingAcrossItsBytes) {
  TransferContent content;
  TransferPiece text;
  text.rtf = std::string("{\\rtf1 text\0with a zero}", 24);
  text.holdsText = true;
  TransferPiece table;
  table.table = true;
  CellSplit nested;
  nested.cell = "A1";
  nested.where = CellSplit::Where::At;
  nested.paragraph = 2;
  nested.offset = -1;
  CellSplit cut;
  cut.cell = "B17.1.2";
  cut.where = CellSplit::Where::InTable;
  cut.table = 1;
  cut.row = 4;
  cut.splitRow = true;
  cut.cells = {nested};
  table.head = {cut};
  table.tail = {nested, nested};
  content.pieces = {text, table};
  content.objects = true;
  content.footnotes = {true, 7, 3};
  content.facts.path = "/a/b.doc";
  content.facts.properties = true;
  content.facts.title = "Title";
  content.facts.custom = {{"Client", "Someone"}};

  const auto back = Deserialize(Serialize(content));
  ASSERT_TRUE(back.has_value());
  ASSERT_EQ(back->pieces.size(), 2u);
  EXPECT_EQ(back->pieces[0].rtf, text.rtf);
  EXPECT_TRUE(back->pieces[0].holdsText);
  EXPECT_TRUE(back->pieces[1].table);
  ASSERT_EQ(back->pieces[1].head.size(), 1u);
  const CellSplit& h = back->pieces[1].head[0];
  EXPECT_EQ(h.cell, "B17.1.2");
  EXPECT_EQ(h.where, CellSplit::Where::InTable);
  EXPECT_EQ(h.row, 4);
  ASSERT_EQ(h.cells.size(), 1u);
  EXPECT_EQ(h.cells[0].offset, -1);
  EXPECT_EQ(back->pieces[1].tail.size(), 2u);
  EXPECT_TRUE(back->objects);
  EXPECT_EQ(back->footnotes.first, 7);
  EXPECT_FALSE(back->endnotes.known);
  EXPECT_EQ(back->facts.path, "/a/b.doc");
  EXPECT_EQ(back->facts.custom, content.facts.custom);
}

TEST(OfficeTransfer, BytesThatAreNoCopyAreRefused) {
  const std::string bytes = Serialize(TransferContent());
  EXPECT_TRUE(Deserialize(bytes).has_value());
  EXPECT_FALSE(Deserialize("").has_value());
  EXPECT_FALSE(Deserialize(bytes.substr(0, bytes.size() - 1)).has_value());
  EXPECT_FALSE(Deserialize(bytes + "x").has_value());
  std::string wrongFormat = bytes;
  wrongFormat[0] ^= 1;
  EXPECT_FALSE(Deserialize(wrongFormat).has_value());
}

TEST(OfficeRichText, OnlyTheStylesTheTextUsesAreKept) {
  const std::string head = "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}";
  const std::string sheet =
      "{\\stylesheet{\\s0\\snext0 Normal;}"
      "{\\s1\\sbasedon3\\snext0 Heading 1;}"
      "{\\s2\\sbasedon0 Unused \\{braced\\};}"
      "{\\s3\\sbasedon0 Base of heading;}"
      "{\\*\\cs4\\slink1 Heading 1 Char;}"
      "{\\*\\cs5 Unused character style;}"
      "{\\s6\\sb120\\sa240 Another unused;}}";
  const std::string body = "\\sectd\\pard\\plain\\s1\\sb120 Title\\par\\pard\\s0 text}";
  const std::string pruned = WithUsedStylesOnly(head + sheet + body);
  EXPECT_EQ(pruned.substr(0, head.size()), head);
  EXPECT_EQ(pruned.substr(pruned.size() - body.size()), body);
  for (const char* kept : {"Normal;", "Heading 1;", "Base of heading;"}) {
    EXPECT_NE(pruned.find(kept), std::string::npos) << kept;
  }
  for (const char* gone : {"Unused", "Another unused", "Heading 1 Char"}) {
    EXPECT_EQ(pruned.find(gone), std::string::npos) << gone;
  }
  // The character style linked to a used style stays when the text uses it.
  EXPECT_NE(WithUsedStylesOnly(head + sheet + "\\sectd{\\cs4 x}}").find("Heading 1 Char"),
            std::string::npos);
  // Text without a style sheet, or with one that does not close, is left as it is.
  for (const std::string& same : {head + body, head + "{\\stylesheet{\\s0 Normal;}" + body}) {
    EXPECT_EQ(WithUsedStylesOnly(same), same);
  }
}

TEST(OfficeRichText, TextIsMadeInsertable) {
  const std::string marks =
      "{\\*\\bkmkstart __Fieldmark__5_1}{\\*\\bkmkend __Fieldmark__5_1}"
      "{\\field{\\*\\fldinst FORMCHECKBOX}}{\\*\\bkmkstart Keep}{\\*\\bkmkend Keep}";
  const std::string text = InsertableRtf(marks, false);
  EXPECT_EQ(text.find("__Fieldmark__"), std::string::npos);
  EXPECT_NE(text.find("FORMCHECKBOX"), std::string::npos);
  EXPECT_NE(text.find("bkmkstart Keep"), std::string::npos);
  EXPECT_EQ(InsertableRtf("{\\rtf1 \\trowd x}", true), "{\\rtf1 \\pard\\plain\\par\n\\trowd x}");
  EXPECT_EQ(InsertableRtf("{\\rtf1 \\trowd x}", false), "{\\rtf1 \\trowd x}");
}

TEST(OfficeAgentProtocol, FailuresAndTableFormatsCrossTheBridge) {
  CallFailure failure;
  ASSERT_TRUE(DecodeFailure("at the agent: " + EncodeFailure({automation::E_ACCESSDENIED, "why"}),
                            failure));
  EXPECT_EQ(failure.result, automation::E_ACCESSDENIED);
  EXPECT_EQ(failure.what, "why");
  EXPECT_FALSE(DecodeFailure("Binary URP bridge disposed", failure));

  TableFormat centred;
  centred.borders[0] = 0;
  centred.alignment = 1;
  const auto formats = DecodeFormats(EncodeFormats({{5, centred}, {9, TableFormat()}}));
  ASSERT_EQ(formats.size(), 2u);
  EXPECT_EQ(formats[0].first, 5);
  EXPECT_EQ(formats[0].second.borders[0], 0);
  EXPECT_EQ(formats[0].second.borders[1], -1);
  EXPECT_EQ(formats[0].second.alignment, 1);
  EXPECT_TRUE(formats[1].second.Empty());
  EXPECT_FALSE(formats[0].second.Empty());
}

}  // namespace
}  // namespace fv::office
