// The checker in the editor, through the headless front end: the marks on
// the back surface after each change and after an open, the hover text, F8's
// order, the count, and the large grid that waits for the program to rest.
#include <string>
#include <vector>

#include "check/program_check.h"
#include "editor/check_marks.h"
#include "editor_fixture.h"
#include "foundation/settings.h"
#include "foundation/texts.h"

namespace editor_test {
namespace {

using Texts = std::vector<std::string>;

constexpr char kBlank[] = "blank";  // no properties: never a property finding

class CheckMarksTest : public EditorTest {
 protected:
  // A point over no cell: the margin left of the first column.
  POINT Away() { return POINT{2, CellPoint(Cell{0, 0}).y}; }

  // The pixel in the middle of where a cell's mark is drawn.
  POINT MarkPoint(Cell cell) {
    const POINT p = CellTopLeft(cell);
    return POINT{p.x + 80 - 3 - kMarkSize / 2, p.y + 3 + kMarkSize / 2};
  }
  bool MarkedWith(Cell cell, Rgb colour) {
    const POINT p = MarkPoint(cell);
    return PixelIs(p.x, p.y, colour);
  }

  // The start chip leads right into (1, 0); (1, 0) points down into
  // nothing (a warning), (3, 3) is not reached (a warning), and (2, 2) is a
  // walk whose speed is no number (an error) that nothing reaches.
  void PlaceFlawedProgram() {
    Place(Cell{0, 0}, kBlank, "right");
    Place(Cell{1, 0}, kBlank, "lower");
    Place(Cell{3, 3}, kBlank);
    Place(Cell{2, 2}, kWalk);
    m_scene->Document().Begin(EditKind::kSetProperties).SetBoxProperty(2, 2, "speed", "fast");
  }

  std::vector<FindingCode> Codes() {
    std::vector<FindingCode> codes;
    for (const Finding& f : m_scene->CheckMarks().Findings()) {
      codes.push_back(f.code);
    }
    return codes;
  }
};

TEST_F(CheckMarksTest, ChipsWithFindingsCarryTheirSeverityMarkAndEditsUpdateIt) {
  StartEditor();
  MoveTo(Away());
  Frame();
  // A new program: its empty start cell is an error, marked on the cell.
  EXPECT_EQ(Codes(), std::vector<FindingCode>{FindingCode::kEmptyStart});
  EXPECT_TRUE(MarkedWith(Cell{0, 0}, kMarkError));

  PlaceFlawedProgram();
  Frame();
  EXPECT_FALSE(MarkedWith(Cell{0, 0}, kMarkError));
  EXPECT_FALSE(MarkedWith(Cell{0, 0}, kMarkWarning));
  EXPECT_TRUE(MarkedWith(Cell{0, 0}, kChip));
  EXPECT_TRUE(MarkedWith(Cell{1, 0}, kMarkWarning));
  EXPECT_TRUE(MarkedWith(Cell{3, 3}, kMarkWarning));
  // The worst finding decides: the walk is both unreachable and wrong.
  EXPECT_TRUE(MarkedWith(Cell{2, 2}, kMarkError));
  EXPECT_EQ(CountColour(RECT{0, 0, 800, 600}, kMarkError), kMarkSize * kMarkSize);
  EXPECT_EQ(CountColour(RECT{0, 0, 800, 600}, kMarkWarning), 2 * kMarkSize * kMarkSize);
  EXPECT_EQ(m_scene->CheckMarks().ErrorCount(), 1u);
  EXPECT_EQ(m_scene->CheckMarks().WarningCount(), 3u);

  // A fixed speed leaves the walk unreachable only; an arrow from (1, 0)
  // into it reaches it and mends the arrow into nothing too.
  m_scene->Document().Begin(EditKind::kSetProperties).SetBoxProperty(2, 2, "speed", "3");
  Frame();
  EXPECT_TRUE(MarkedWith(Cell{2, 2}, kMarkWarning));
  Place(Cell{1, 1}, kBlank, "right");
  Place(Cell{2, 1}, kBlank, "lower");
  Frame();
  EXPECT_TRUE(MarkedWith(Cell{1, 0}, kChip));
  EXPECT_TRUE(MarkedWith(Cell{2, 2}, kChip));
  EXPECT_TRUE(MarkedWith(Cell{3, 3}, kMarkWarning));
  EXPECT_EQ(Codes(), std::vector<FindingCode>{FindingCode::kUnreachableChip});

  // A drag carries the chip and its mark with it.
  Drag(CellPoint(Cell{3, 3}), CellPoint(Cell{4, 4}));
  Frame();
  EXPECT_EQ(Id(Cell{4, 4}), kBlank);
  EXPECT_TRUE(MarkedWith(Cell{4, 4}, kMarkWarning));
  EXPECT_EQ(Id(Cell{3, 3}), "(empty)");
  EXPECT_EQ(Codes(), std::vector<FindingCode>{FindingCode::kUnreachableChip});
}

TEST_F(CheckMarksTest, RestingOnAMarkedChipShowsItsTextsOncePerRest) {
  StartEditor();
  PlaceFlawedProgram();
  MoveTo(Away());
  Frame();
  MoveTo(CellPoint(Cell{0, 0}));  // no finding on the start chip
  Frame();
  Wait(CCheckMarks::kHoverRestMs);
  Frame();
  EXPECT_TRUE(Messages().empty());

  MoveTo(CellPoint(Cell{2, 2}));
  Frame();
  Wait(CCheckMarks::kHoverRestMs - 1);
  Frame();
  EXPECT_TRUE(Messages().empty());
  Wait(1);
  Frame();
  // Both findings of the walk, in the checker's order.
  EXPECT_EQ(Messages(), (Texts{text::kCheckUnreachable, text::kCheckBadNumber}));
  Wait(1000);
  Frame();
  EXPECT_EQ(Messages().size(), 2u);

  // Away and back is another rest.
  MoveTo(Away());
  Frame();
  MoveTo(CellPoint(Cell{3, 3}));
  Frame();
  Wait(CCheckMarks::kHoverRestMs);
  Frame();
  EXPECT_EQ(Messages(),
            (Texts{text::kCheckUnreachable, text::kCheckBadNumber, text::kCheckUnreachable}));
}

TEST_F(CheckMarksTest, F8WalksTheFindingsInOrderSelectingEachChipAndScrollingToIt) {
  StartEditor();
  PlaceFlawedProgram();
  Place(Cell{15, 15}, kBlank);  // outside the first screen
  MoveTo(Away());
  Frame();
  struct Step {
    Cell cell;
    const char* text;
  };
  const std::vector<Step> walk = {
      {Cell{1, 0}, text::kCheckArrowIntoEmpty},
      {Cell{2, 2}, text::kCheckUnreachable},
      {Cell{2, 2}, text::kCheckBadNumber},
      {Cell{3, 3}, text::kCheckUnreachable},
      {Cell{15, 15}, text::kCheckUnreachable},
      {Cell{1, 0}, text::kCheckArrowIntoEmpty},  // from the first again
  };
  for (const Step& step : walk) {
    Key(VK_F8);
    Frame();
    ASSERT_EQ(Selected(), std::vector<Cell>{step.cell});
    EXPECT_EQ(Messages().back(), step.text);
    // The chip is on the screen.
    const POINT p = CellTopLeft(step.cell);
    EXPECT_TRUE(p.x >= 0 && p.y >= 0 && p.x + 80 <= 800 && p.y + 50 <= 600)
        << step.cell.x << "," << step.cell.y << " at " << p.x << "," << p.y;
  }
  EXPECT_EQ(m_scene->ScrollView().GetScroll(), (POINT{0, 0}));

  // Mending the finding just visited goes on from its place: the next one
  // after (1, 0) is the walk's.
  m_scene->Document().Begin(EditKind::kSetProperties).SetBoxProperty(1, 0, "to", "");
  Key(VK_F8);
  EXPECT_EQ(Selected(), (std::vector<Cell>{Cell{2, 2}}));
}

TEST_F(CheckMarksTest, AnOpenedFileShowsTheLinesTheReaderSkippedUntilItIsSaved) {
  StartEditor();
  m_dir.WriteFile("junk.bhb",
                  "junk before\r\n"
                  "<box 0 0 blank>\r\n</box>\r\n"
                  "<box 99 0 blank>\r\n</box>\r\n");
  ASSERT_TRUE(m_scene->LoadProgram(m_dir.Path() + "/junk.bhb"));
  MoveTo(Away());
  Frame();
  EXPECT_EQ(Codes(),
            (std::vector<FindingCode>{FindingCode::kLineOutsideBox, FindingCode::kBoxOutsideGrid}));
  // The line outside any box has no cell: F8 shows its text and selects
  // nothing; the box outside the grid has no chip to select either.
  Key(VK_F8);
  EXPECT_EQ(Messages().back(), text::kCheckLineOutside);
  EXPECT_TRUE(Selected().empty());
  Key(VK_F8);
  EXPECT_EQ(Messages().back(), text::kCheckBoxOutsideGrid);
  EXPECT_TRUE(Selected().empty());

  ASSERT_TRUE(m_scene->SaveProgram(m_dir.Path() + "/saved.bhb"));
  Frame();
  EXPECT_TRUE(Codes().empty());
  // New forgets a report as well.
  ASSERT_TRUE(m_scene->LoadProgram(m_dir.Path() + "/junk.bhb"));
  Frame();
  EXPECT_EQ(Codes().size(), 2u);
  m_scene->NewProgram();
  Frame();
  EXPECT_EQ(Codes(), std::vector<FindingCode>{FindingCode::kEmptyStart});
}

TEST_F(CheckMarksTest, ALargeGridIsCheckedAgainOnlyOnceItsProgramRests) {
  Settings.MaxChipNumX = 300;
  Settings.MaxChipNumY = 300;
  StartEditor();
  MoveTo(Away());
  Frame();
  // A new program is checked at once, whatever its size.
  EXPECT_EQ(Codes(), std::vector<FindingCode>{FindingCode::kEmptyStart});
  Place(Cell{0, 0}, kBlank);
  Frame();
  EXPECT_EQ(Codes(), std::vector<FindingCode>{FindingCode::kEmptyStart});
  Wait(CCheckMarks::kSettleMs - 1);
  Frame();
  EXPECT_EQ(Codes(), std::vector<FindingCode>{FindingCode::kEmptyStart});
  // Another edit before the rest is over starts the wait again.
  Place(Cell{1, 1}, kBlank);
  Wait(CCheckMarks::kSettleMs - 1);
  Frame();
  Wait(CCheckMarks::kSettleMs - 1);
  Frame();
  EXPECT_EQ(Codes(), std::vector<FindingCode>{FindingCode::kEmptyStart});
  Wait(1);
  Frame();
  EXPECT_EQ(Codes(), std::vector<FindingCode>{FindingCode::kUnreachableChip});
}

TEST_F(CheckMarksTest, TheCountIsDrawnOnlyWhileThereAreFindings) {
  StartEditor();
  MoveTo(Away());
  Place(Cell{0, 0}, kBlank);
  Frame();
  ASSERT_TRUE(m_scene->CheckMarks().Findings().empty());
  // The corner where the count goes, above the horizontal bar and left of
  // the vertical one.
  const RECT corner{500, 600 - 34, 780, 600 - 16};
  const int before = CountColour(corner, Rgb{0xFF, 0xFF, 0xFF});
  Place(Cell{5, 5}, kBlank);
  Frame();
  EXPECT_GT(CountColour(corner, Rgb{0xFF, 0xFF, 0xFF}), before + 20);
}

}  // namespace
}  // namespace editor_test
