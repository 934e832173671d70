// The checker on small programs: one program per kind of finding, checked on
// the kind, the cell and the line of the box; a program without findings;
// reachability as the generator writes; the lines that the reader skipped.
#include "check/program_check.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "check_fixture.h"

namespace {

using namespace check_test;

struct Expected {
  FindingCode code;
  int x;
  int y;
  int line;
  int detail;
};

std::vector<Expected> Summary(const std::vector<Finding>& findings) {
  std::vector<Expected> out;
  for (const Finding& f : findings) {
    out.push_back(Expected{f.code, f.cell.x, f.cell.y, f.line, f.detail});
  }
  return out;
}

bool operator==(const Expected& a, const Expected& b) {
  return a.code == b.code && a.x == b.x && a.y == b.y && a.line == b.line && a.detail == b.detail;
}

void PrintTo(const Expected& e, std::ostream* os) {
  *os << "{code " << static_cast<int>(e.code) << ", cell (" << e.x << ", " << e.y << "), line "
      << e.line << ", detail " << e.detail << "}";
}

std::vector<Finding> Check(const ReadProgram& read) {
  return CheckProgram(*read.program, &read.report);
}

// A start chip that leads right into the chips under test.
const std::string kStart = "<box 0 0 nop>\nto=right\n</box>\n";

// A complete program: a move, a branch whose true exit leads down into a
// loop and whose false exit leads right, a loop that goes round through
// the chip above it and leaves to the right.
const std::string kClean = kStart +                                                   // lines 1-3
                           "<box 1 0 move>\ndist=10\nspeed=fast\nto=right\n</box>\n"  // 4-8
                           "<box 2 0 if>\ncond=dist\nvalue=5\nthen=" +
                           kDown + "\nelse=" + kRight +
                           "\n</box>\n"               // 9-14
                           "<box 3 0 nop>\n</box>\n"  // 15-16
                           "<box 2 1 loop>\ntimes=3\nagain=" +
                           kLeft + "\nleave=" + kRight +
                           "\n</box>\n"                         // 17-21
                           "<box 1 1 nop>\nto=lower\n</box>\n"  // 22-24
                           "<box 1 2 nop>\nto=right\n</box>\n"  // 25-27
                           "<box 2 2 nop>\nto=upper\n</box>\n"  // 28-30
                           "<box 3 1 nop>\n</box>\n";           // 31-32

TEST(CheckProgramTest, ACompleteProgramAndTheShippedKindsOfChipsHaveNoFinding) {
  ReadProgram read(kClean);
  EXPECT_EQ(Summary(Check(read)), std::vector<Expected>{});
  // The same without a report: no lines are known, and none are needed.
  EXPECT_TRUE(CheckProgram(*read.program).empty());
}

TEST(CheckProgramTest, EachKindOfGridFindingIsOnItsCellAndTheLineOfItsBox) {
  struct Case {
    const char* name;
    std::string bhb;
    std::vector<Expected> expected;
  };
  const auto arrow = static_cast<int>(Connection::kArrow);
  const auto branchTrue = static_cast<int>(Connection::kBranchTrue);
  const auto branchFalse = static_cast<int>(Connection::kBranchFalse);
  const auto loopTrue = static_cast<int>(Connection::kLoopTrue);
  const auto loopFalse = static_cast<int>(Connection::kLoopFalse);
  const std::string branch = "<box 1 0 if>\ncond=dist\nvalue=5\n";
  const std::vector<Case> cases = {
      {"empty start",
       "<box 1 0 nop>\n</box>\n",
       {{FindingCode::kEmptyStart, 0, 0, 0, 0}, {FindingCode::kUnreachableChip, 1, 0, 1, 0}}},
      {"a chip that nothing leads into",
       kStart + "<box 1 0 nop>\n</box>\n<box 3 3 nop>\n</box>\n",
       {{FindingCode::kUnreachableChip, 3, 3, 6, 0}}},
      {"arrow into an empty cell",
       kStart + "<box 1 0 nop>\nto=lower\n</box>\n",
       {{FindingCode::kArrowIntoEmptyCell, 1, 0, 4, arrow}}},
      {"arrow off the grid",
       "<box 0 0 nop>\nto=upper\n</box>\n",
       {{FindingCode::kArrowOffGrid, 0, 0, 1, arrow}}},
      {"arrow that is no direction",
       "<box 0 0 nop>\nto=" + kRight + "\n</box>\n",
       {{FindingCode::kBadArrow, 0, 0, 1, arrow}}},
      {"branch without its false exit",
       kStart + branch + "then=" + kRight + "\n</box>\n<box 2 0 nop>\n</box>\n",
       {{FindingCode::kExitNotSet, 1, 0, 4, branchFalse}}},
      {"branch exits as words and into nothing",
       kStart + branch + "then=right\nelse=" + kDown + "\n</box>\n",
       {{FindingCode::kExitNotGlyph, 1, 0, 4, branchTrue},
        {FindingCode::kArrowIntoEmptyCell, 1, 0, 4, branchFalse}}},
      {"loop exits",
       kStart + "<box 1 0 loop>\ntimes=2\nagain=" + kUp + "\n</box>\n",
       {{FindingCode::kArrowOffGrid, 1, 0, 4, loopTrue},
        {FindingCode::kExitNotSet, 1, 0, 4, loopFalse}}},
      {"unknown chip",
       kStart + "<box 1 0 fly>\nheight=3\n</box>\n",
       {{FindingCode::kUnknownChip, 1, 0, 4, 0}}},
      {"property values",
       kStart + "<box 1 0 move>\ndist=ten\nspeed=Fast\n</box>\n"
                "<box 1 1 move>\ndist=-2.5\nspeed=slow\n</box>\n",
       {{FindingCode::kBadNumber, 1, 0, 4, 1},
        {FindingCode::kBadOption, 1, 0, 4, 2},
        {FindingCode::kUnreachableChip, 1, 1, 8, 0}}},
      {"an absent property is no value either",
       kStart + "<box 1 0 move>\nspeed=slow\n</box>\n",
       {{FindingCode::kBadNumber, 1, 0, 4, 1}}},
      {"branch condition and its dependent property",
       kStart + "<box 1 0 if>\ncond=light\nvalue=x\nthen=" + kRight + "\nelse=" + kRight +
           "\n</box>\n<box 2 0 nop>\n</box>\n" + "<box 1 1 if>\ncond=bump\nvalue=5\nthen=" + kUp +
           "\nelse=" + kUp + "\n</box>\n",
       {{FindingCode::kBadCondition, 1, 0, 4, 1},
        {FindingCode::kUnreachableChip, 1, 1, 12, 0},
        {FindingCode::kBadOption, 1, 1, 12, 2}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ReadProgram read(c.bhb);
    EXPECT_EQ(Summary(Check(read)), c.expected);
  }
}

TEST(CheckProgramTest, ReachabilityFollowsWhatTheGeneratorWrites) {
  // Two chips that nothing reaches both lead into (4, 1): it is labelled, so
  // its chain is compiled, but the start never jumps there.
  ReadProgram labelled(kStart +
                       "<box 1 0 nop>\n</box>\n"
                       "<box 3 1 nop>\nto=right\n</box>\n"
                       "<box 4 0 nop>\nto=lower\n</box>\n"
                       "<box 4 1 nop>\nto=lower\n</box>\n"
                       "<box 4 2 nop>\n</box>\n");
  EXPECT_EQ(Summary(Check(labelled)), (std::vector<Expected>{
                                          {FindingCode::kUnreachableChip, 4, 0, 9, 0},
                                          {FindingCode::kUnreachableChip, 3, 1, 6, 0},
                                          {FindingCode::kDeadChip, 4, 1, 12, 0},
                                          {FindingCode::kDeadChip, 4, 2, 15, 0},
                                      }));

  // A branch template with one *e follows only the true exit: the chip on
  // the false exit is never written, though its exit is well set.
  const std::string branch = kStart + "<box 1 0 if>\ncond=dist\nvalue=5\nthen=" + kRight +
                             "\nelse=" + kDown + "\n</box>\n<box 2 0 nop>\n</box>\n" +
                             "<box 1 1 nop>\n</box>\n";
  EXPECT_EQ(Summary(Check(ReadProgram(branch, "IF:*1\\*e"))),
            (std::vector<Expected>{{FindingCode::kUnreachableChip, 1, 1, 12, 0}}));
  // A loop follows its leave exit at the second *e and goes round at the
  // third: with two, the repeat exit's chip is never written.
  const std::string loop = kStart + "<box 1 0 loop>\ntimes=2\nagain=" + kDown +
                           "\nleave=" + kRight +
                           "\n</box>\n<box 2 0 nop>\n</box>\n<box 1 1 nop>\n</box>\n";
  EXPECT_TRUE(Check(ReadProgram(loop)).empty());
  CChipCatalogue shortLoop;
  shortLoop.Parse("<define nop>\ncode=\n</define>\n<define loop>\ncode=LOOP:*e:3*e\n</define>\n");
  auto program = ParseBlockProgram(&shortLoop, loop, TestSettings());
  const std::vector<Finding> findings = CheckProgram(*program);
  ASSERT_EQ(findings.size(), 1u);
  EXPECT_EQ(findings[0].code, FindingCode::kUnreachableChip);
  EXPECT_EQ(findings[0].cell, (GridCell{1, 1}));

  // A ring that nothing enters is never written, nor what hangs off it.
  ReadProgram ring(kStart +
                   "<box 1 0 nop>\n</box>\n"
                   "<box 2 2 nop>\nto=right\n</box>\n<box 3 2 nop>\nto=lower\n</box>\n"
                   "<box 3 3 nop>\nto=left\n</box>\n<box 2 3 nop>\nto=upper\n</box>\n");
  const std::vector<Finding> ringFindings = Check(ring);
  EXPECT_EQ(std::count_if(ringFindings.begin(), ringFindings.end(),
                          [](const Finding& f) { return f.code == FindingCode::kUnreachableChip; }),
            4);
}

TEST(CheckProgramTest, TheProgramAndItsCatalogueAreLeftAsTheyWere) {
  ReadProgram read(kStart + "<box 1 0 move>\nspeed=slow\n</box>\n");
  const std::string before = FormatBlockProgram(*read.program);
  const unsigned long revision = read.program->Revision();
  const auto attributes = read.catalogue.Find("move")->Attributes();
  ASSERT_FALSE(Check(read).empty());
  EXPECT_EQ(FormatBlockProgram(*read.program), before);  // no absent key was added
  EXPECT_EQ(read.program->Revision(), revision);
  EXPECT_EQ(read.catalogue.Find("move")->Attributes(), attributes);
}

TEST(CheckProgramTest, TheTextsOfEveryFindingAreShortAndNamed) {
  std::vector<std::string> names;
  for (int code = 0; code <= static_cast<int>(FindingCode::kMoreSkippedLines); ++code) {
    Finding f{static_cast<FindingCode>(code), 2, true, GridCell{0, 0}, 1, 3};
    SCOPED_TRACE(f.CodeName());
    EXPECT_FALSE(std::string(f.JapaneseText()).empty());
    const std::string english = f.EnglishText();
    EXPECT_FALSE(english.empty());
    EXPECT_LT(english.size(), 100u);
    EXPECT_EQ(english.find('\n'), std::string::npos);
    names.emplace_back(f.CodeName());
  }
  std::sort(names.begin(), names.end());
  EXPECT_EQ(std::adjacent_find(names.begin(), names.end()), names.end());  // stable and distinct
  EXPECT_EQ(Finding{FindingCode::kUnreachableChip}.GetSeverity(), Severity::kWarning);
  EXPECT_EQ(Finding{FindingCode::kExitNotSet}.GetSeverity(), Severity::kError);
  EXPECT_EQ((Finding{FindingCode::kBadNumber, 2}.EnglishText()), "property 2 is not a number");
  EXPECT_EQ((Finding{FindingCode::kExitNotSet, static_cast<std::uint8_t>(Connection::kBranchFalse)}
                 .EnglishText()),
            "the false exit is not set; the program ends there");
}

TEST(CheckProgramTest, TheLinesThatTheReaderSkippedAreFindingsWithTheirLines) {
  ReadProgram read(
      "junk before\n"                      // 1: outside every box
      "\n"                                 // 2: blank lines are layout
      "<box 0 0 nop>\nto=right\n</box>\n"  // 3-5
      "<box 9 0 move>\ndist=1\n</box>\n"   // 6-8: outside the grid, dropped with its lines
      "<box 1 0>\n"                        // 9: no chip name
      "<box 1 0 nop>\n"                    // 10: never closed
      "no equals sign\n"                   // 11
      "<box 2 0 nop>\n"                    // 12: swallowed by the open box
      "speed=slow\n"                       // 13: goes into (1, 0)
      "</box>\n"                           // 14
      "</box>\n"                           // 15: a stray closing tag
      "<general>\nauthor=me\nstray\n"      // 16-18, never closed
  );
  const std::vector<Finding> findings = Check(read);
  std::vector<Expected> file;
  for (const Finding& f : findings) {
    if (f.code >= FindingCode::kBoxOutsideGrid) {
      file.push_back(
          Expected{f.code, f.hasCell ? f.cell.x : -1, f.hasCell ? f.cell.y : -1, f.line, f.detail});
    }
  }
  EXPECT_EQ(file, (std::vector<Expected>{
                      {FindingCode::kLineOutsideBox, -1, -1, 1, 0},
                      {FindingCode::kBoxOutsideGrid, 9, 0, 6, 0},
                      {FindingCode::kMalformedTag, -1, -1, 9, 0},
                      {FindingCode::kNotAProperty, -1, -1, 11, 0},
                      {FindingCode::kTagInsideBox, 1, 0, 12, 0},
                      {FindingCode::kLineOutsideBox, -1, -1, 15, 0},
                      {FindingCode::kNotAProperty, -1, -1, 18, 0},
                      {FindingCode::kUnclosedGeneral, -1, -1, 16, 0},
                  }));
  // What was read is what the reader without a report reads.
  EXPECT_EQ(read.program->GetBoxProperty(1, 0, "speed"), "slow");
  EXPECT_FALSE(read.program->HasBox(2, 0));
  EXPECT_EQ(read.report.BoxLine(1, 0), 10);
  EXPECT_EQ(read.report.BoxLine(2, 0), 0);

  ReadProgram unclosed("<box 0 0 nop>\nto=right\n</box>\n<box 1 0 nop>\nto=left");
  const std::vector<Finding> end = Check(unclosed);
  ASSERT_FALSE(end.empty());
  EXPECT_EQ(Summary({end.back()}),
            (std::vector<Expected>{{FindingCode::kUnclosedBox, 1, 0, 4, 0}}));
}

TEST(CheckProgramTest, TheReportChangesNothingThatIsRead) {
  const std::vector<std::string> texts = {
      kClean,
      "<box 1 1 a>\r\nno equals\r\n=empty key\r\nid=renamed\r\n</box>\r\n<box 0",
      "x\n<general>\nk=x=y\n<box 0 0 a>\n</general>\n<box 2 2 b>\nq=1\r2\n",
      std::string("<box 0 0 a>\nn=a\0b\n</box>\n</box>\n<box -1 0 z>\nto=left\n</box>\n", 60),
  };
  for (const std::string& text : texts) {
    ReadProgram withReport(text);
    CChipCatalogue catalogue;
    auto plain = ParseBlockProgram(&catalogue, text, TestSettings());
    EXPECT_EQ(FormatBlockProgram(*withReport.program), FormatBlockProgram(*plain));
  }
}

TEST(CheckProgramTest, AFileOfJunkListsABoundedNumberOfLinesAndCountsTheRest) {
  std::string junk;
  const std::size_t lines = CReadReport::kMaxListed + 5;
  for (std::size_t i = 0; i < lines; ++i) {
    junk += "x\n";
  }
  ReadProgram read(junk);
  const std::vector<Finding> findings = Check(read);
  // The empty start, the listed lines and one count of the rest.
  ASSERT_EQ(findings.size(), 1 + CReadReport::kMaxListed + 1);
  EXPECT_EQ(findings.back().code, FindingCode::kMoreSkippedLines);
  EXPECT_EQ(findings.back().count, 5u);
  EXPECT_EQ(findings.back().EnglishText(), "5 more skipped lines are not listed");
}

TEST(CheckProgramTest, SortByLinePutsTheFileInOrderAndKeepsTheOrderWithinALine) {
  ReadProgram read(
      "<box 1 0 move>\ndist=x\nspeed=x\n</box>\njunk\n<box 0 0 nop>\nto=right\n</box>\n");
  std::vector<Finding> findings = Check(read);
  SortByLine(findings);
  std::vector<int> lines;
  for (const Finding& f : findings) {
    lines.push_back(f.line);
  }
  EXPECT_EQ(lines, (std::vector<int>{1, 1, 5}));
  EXPECT_EQ(findings[0].code, FindingCode::kBadNumber);
  EXPECT_EQ(findings[1].code, FindingCode::kBadOption);
}

}  // namespace
