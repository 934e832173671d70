// The edit history and the chip clipboard, driven through the editor's keys
// and gestures on the headless front end and checked on the saved bytes.
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "editor/chip_clipboard.h"
#include "editor/edit_history.h"
#include "editor/editor_document.h"
#include "editor_fixture.h"
#include "foundation/settings.h"
#include "foundation/texts.h"
#include "platform/platform.h"
#include "program/block_program.h"
#include "program/program_file.h"

namespace editor_test {
namespace {

using Cells = std::vector<Cell>;

class EditHistoryTest : public EditorTest {
 protected:
  void SetUp() override {
    EditorTest::SetUp();
    StartEditor();
  }
  // The .bhb bytes of the program as a save would write them now, after a
  // frame has read what the chips on screen show.
  std::string Bytes() {
    Frame();
    return FormatBlockProgram(m_scene->Program());
  }
  void Ctrl(int vk, bool shift = false) {
    Hold(VK_CONTROL, true);
    Hold(VK_SHIFT, shift);
    Key(vk);
    Hold(VK_SHIFT, false);
    Hold(VK_CONTROL, false);
    Frame();
  }
  void RightSweep(std::initializer_list<POINT> points) {
    RightDown(*points.begin());
    Frame();
    for (POINT p : points) {
      MoveTo(p);
      Frame();
    }
    RightUp(*(points.end() - 1));
    Frame();
  }
  // Runs the action and checks that it is one step: undo gives the bytes and
  // the selection from before it, redo those from after it.
  template <typename Act>
  void ExpectOneStep(const char* what, Act act) {
    SCOPED_TRACE(what);
    const std::string before = Bytes();
    const Cells selectionBefore = Selected();
    const std::size_t steps = m_scene->History().UndoCount();
    act();
    const std::string after = Bytes();
    const Cells selectionAfter = Selected();
    ASSERT_NE(before, after);
    EXPECT_EQ(m_scene->History().UndoCount(), steps + 1);
    Ctrl('Z');
    EXPECT_EQ(Bytes(), before);
    EXPECT_EQ(Selected(), selectionBefore);
    Ctrl('Y');
    EXPECT_EQ(Bytes(), after);
    EXPECT_EQ(Selected(), selectionAfter);
    Ctrl('Z');
    Ctrl('Z', true);  // Ctrl+Shift+Z redoes too
    EXPECT_EQ(Bytes(), after);
  }
  void SetProperties(const Cells& cells, const std::string& key, const std::string& value) {
    CEditorDocument::CAction action = m_scene->Document().Begin(EditKind::kSetProperties);
    for (Cell c : cells) {
      action.SetBoxProperty(c.x, c.y, key, value);
    }
  }
  std::string Title() { return platform::GetWindowText(); }
  // A Shift+click: adds the chip to the selection.
  void ClickWith(POINT p) {
    Hold(VK_SHIFT, true);
    Click(p);
    Hold(VK_SHIFT, false);
  }
};

TEST_F(EditHistoryTest, EveryActionKindIsOneStepThatUndoAndRedoRestoreByteForByte) {
  ExpectOneStep("place", [&] { Place({1, 1}, kWalk); });
  Place({2, 1}, kWalk);
  Place({3, 1}, kIf);
  ExpectOneStep("sweep", [&] {
    // Right, back (reversed), then on: one sweep, several arrows.
    RightSweep({CellPoint({1, 1}), CellPoint({2, 1}), CellPoint({1, 1}), CellPoint({2, 1}),
                CellPoint({3, 1})});
  });
  Click(CellPoint({1, 1}));
  ClickWith(CellPoint({2, 1}));
  ExpectOneStep("properties", [&] { SetProperties(Selected(), "speed", "7"); });
  ExpectOneStep("move", [&] { Drag(CellPoint({1, 1}), CellPoint({1, 3})); });
  ExpectOneStep("copy", [&] {
    Hold(VK_CONTROL, true);
    Drag(CellPoint({1, 3}), CellPoint({1, 5}));
    Hold(VK_CONTROL, false);
  });
  ExpectOneStep("delete", [&] { Key(VK_DELETE); });
  Ctrl('A');
  EXPECT_EQ(Selected().size(), 3u);
  ExpectOneStep("cut", [&] { Ctrl('X'); });
  MoveTo(CellPoint({4, 4}));
  ExpectOneStep("paste", [&] { Ctrl('V'); });
}

TEST_F(EditHistoryTest, TwoHundredRandomActionsUndoToTheFirstBytesAndRedoToTheLast) {
  std::mt19937 random(20261207);
  auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
  const std::string first = Bytes();
  int steps = 0;
  while (steps < 200) {
    const unsigned long revision = m_scene->Program().Revision();
    const Cell a{pick(6), pick(6)};
    const Cell b{pick(6), pick(6)};
    switch (pick(5)) {
      case 0:
        Place(a, pick(2) == 0 ? kWalk : kIf);
        break;
      case 1:
        m_scene->Selection().Clear();
        m_scene->Selection().Select(a);
        Key(VK_DELETE);
        break;
      case 2:
        m_scene->Document()
            .Begin(EditKind::kDropChips)
            .DropChips(a, b, pick(2) == 0 ? DropMode::kMove : DropMode::kCopy);
        break;
      case 3: {
        Cell previous{-2, -2};
        CEditorDocument::CAction action = m_scene->Document().Begin(EditKind::kSweepArrow);
        action.SweepArrow(&previous, a);
        action.SweepArrow(&previous, Cell{a.x + 1, a.y});
        break;
      }
      default:
        SetProperties({a}, "speed", std::to_string(pick(100)));
        break;
    }
    Frame();
    if (m_scene->Program().Revision() != revision) {
      ++steps;
    }
  }
  const std::string last = Bytes();
  ASSERT_EQ(m_scene->History().UndoCount(), 200u);
  for (int i = 0; i < 200; ++i) {
    Ctrl('Z');
  }
  EXPECT_EQ(Bytes(), first);
  EXPECT_TRUE(Messages().empty());
  Ctrl('Z');  // one too many
  EXPECT_EQ(Messages(), (std::vector<std::string>{text::kNothingToUndo}));
  for (int i = 0; i < 200; ++i) {
    Ctrl('Y');
  }
  EXPECT_EQ(Bytes(), last);
  Ctrl('Y');
  EXPECT_EQ(Messages(), (std::vector<std::string>{text::kNothingToUndo, text::kNothingToRedo}));
}

TEST_F(EditHistoryTest, TheModifiedMarkFollowsTheHistoryToTheSavedState) {
  Place({0, 0}, kWalk);
  Place({1, 0}, kWalk);
  Settle();
  Place({2, 0}, kWalk);
  EXPECT_EQ(Title(), "PELU BLOCK - [newfile]*");
  Ctrl('Z');  // back to the save
  EXPECT_EQ(Title(), "PELU BLOCK - [newfile]");
  EXPECT_FALSE(m_scene->HasUnsavedChanges());
  Ctrl('Z');  // before it
  EXPECT_EQ(Title(), "PELU BLOCK - [newfile]*");
  Ctrl('Y');
  EXPECT_EQ(Title(), "PELU BLOCK - [newfile]");
  Ctrl('Y');  // away from it again
  EXPECT_EQ(Title(), "PELU BLOCK - [newfile]*");
  EXPECT_TRUE(m_scene->HasUnsavedChanges());

  // A new step after an undo to the save is a change, even though the
  // revision count went back.
  Ctrl('Z');
  Place({5, 5}, kIf);
  EXPECT_TRUE(m_scene->HasUnsavedChanges());
  EXPECT_FALSE(m_scene->History().CanRedo());
  Ctrl('Z');
  EXPECT_FALSE(m_scene->HasUnsavedChanges());
  // No question on Escape: straight back to the title.
  Key(VK_ESCAPE);
  EXPECT_TRUE(m_scene->requests.empty());
  EXPECT_EQ(m_sceneChanges.size(), 1u);
}

TEST_F(EditHistoryTest, NewStartsAFreshHistoryAndEditKeysWaitForGestures) {
  Place({0, 0}, kWalk);
  Place({1, 0}, kWalk);
  // During a chip drag, a rubber band and a sweep the keys do nothing.
  LeftDown(CellPoint({0, 0}));
  Frame();
  Ctrl('Z');
  EXPECT_EQ(Id({1, 0}), kWalk);
  LeftUp(CellPoint({0, 0}));
  Frame();
  LeftDown(CellPoint({4, 4}));
  Frame();
  Ctrl('Z');
  EXPECT_EQ(Id({1, 0}), kWalk);
  Key(VK_ESCAPE);
  LeftUp(CellPoint({4, 4}));
  RightDown(CellPoint({0, 0}));
  Frame();
  Ctrl('Z');
  EXPECT_EQ(Id({1, 0}), kWalk);
  RightUp(CellPoint({0, 0}));
  Frame();
  EXPECT_EQ(m_scene->History().UndoCount(), 2u);

  m_scene->NewProgram();
  EXPECT_FALSE(m_scene->History().CanUndo());
  Place({3, 3}, kWalk);
  // Entering the editor again loads the catalogue anew and a new program.
  ASSERT_EQ(m_scene->Enter(0), 1);
  EXPECT_FALSE(m_scene->History().CanUndo());
  Ctrl('Z');
  EXPECT_EQ(Id({3, 3}), "(empty)");
}

TEST_F(EditHistoryTest, UndoScrollsToTheCellsItChanged) {
  Place({19, 19}, kWalk);
  m_scene->ScrollView().ScrollBy(-100000, -100000);
  Ctrl('Z');
  const POINT at = CellTopLeft({19, 19});
  const GridGeometry& g = m_scene->ScrollView().Geometry();
  EXPECT_GE(at.x, 0);
  EXPECT_GE(at.y, 0);
  EXPECT_LE(at.x + g.chipWidth, g.screenWidth);
  EXPECT_LE(at.y + g.chipHeight, g.screenHeight);
}

TEST_F(EditHistoryTest, PasteGoesFromOneEditorToAnotherThroughTheClipboard) {
  Place({2, 2}, kWalk, "right");
  Place({3, 2}, kWalk, "lower");
  Place({3, 3}, kIf);
  Place({4, 3}, kWalk);  // not copied: the arrow into it is not either
  SetProperties({{3, 3}}, "true", text::kGlyphUp);
  SetProperties({{2, 2}}, "speed", "5");
  Click(CellPoint({2, 2}));
  ClickWith(CellPoint({3, 2}));
  ClickWith(CellPoint({3, 3}));
  SetProperties({{3, 3}}, "false", text::kGlyphRight);
  Ctrl('C');
  const std::string text = platform::GetClipboardText();
  EXPECT_EQ(text.substr(0, text.find('\r')), "PELU BLOCK chips 1 2 2");

  // Another editor on the same front end pastes it into its own program.
  RecordingEditorScene second;
  ASSERT_EQ(second.Enter(0), 1);
  platform::headless::SetCursor(CellPoint({0, 0}).x, CellPoint({0, 0}).y);
  ASSERT_TRUE(second.PasteClipboard());
  const CBlockProgram& pasted = second.Program();
  EXPECT_EQ(pasted.BoxProperty(0, 0, "speed"), "5");
  EXPECT_EQ(pasted.BoxProperty(0, 0, "to"), "right");
  EXPECT_EQ(pasted.BoxProperty(1, 0, "to"), "lower");
  EXPECT_EQ(pasted.BoxProperty(1, 1, "id"), kIf);
  EXPECT_EQ(pasted.BoxProperty(1, 1, "true"), text::kGlyphUp);
  EXPECT_EQ(pasted.BoxProperty(1, 1, "false"), "");  // led to a chip left behind
  EXPECT_EQ(second.SelectedCells(), (Cells{{0, 0}, {1, 0}, {1, 1}}));
  EXPECT_TRUE(second.HasUnsavedChanges());
  ASSERT_TRUE(second.SaveProgram("pasted.bhb"));
  EXPECT_NE(m_dir.ReadFile("pasted.bhb").find("<box 1 1 if>"), std::string::npos);
  second.History().Undo();
  EXPECT_FALSE(second.Program().HasBox(0, 0));
}

TEST_F(EditHistoryTest, RefusedPastesChangeNothing) {
  Place({0, 0}, kWalk);
  Place({1, 0}, kWalk);
  Click(CellPoint({0, 0}));
  ClickWith(CellPoint({1, 0}));
  Ctrl('C');
  const std::string before = Bytes();

  MoveTo(CellPoint({1, 0}));  // onto a chip that is not pasted
  Ctrl('V');
  m_scene->ScrollView().ScrollBy(100000, 0);  // the second chip would leave the grid
  MoveTo(CellPoint({19, 0}));
  Ctrl('V');
  EXPECT_EQ(Bytes(), before);
  EXPECT_EQ(Messages(), (std::vector<std::string>{text::kPasteOnChips, text::kPasteOutside}));

  platform::SetClipboardText("hello");
  MoveTo(CellPoint({10, 10}));
  Ctrl('V');
  EXPECT_EQ(Bytes(), before);
  EXPECT_EQ(Messages().size(), 2u);
  EXPECT_EQ(m_scene->History().UndoCount(), 2u);
}

// ---- The clipboard text ------------------------------------------------------

TEST(ChipClipboardTest, ReadsTheGroupAndRefusesEveryBrokenText) {
  const std::string good =
      "PELU BLOCK chips 1 2 1\r\n<box 0 0 walk>\r\nspeed=3\r\nto=right\r\n</box>\r\n"
      "<box 1 0 unknown>\r\n</box>\r\n";
  const std::optional<ChipGroup> group = ParseChipGroup(good);
  ASSERT_TRUE(group);
  EXPECT_EQ(group->width, 2);
  ASSERT_EQ(group->chips.size(), 2u);
  EXPECT_EQ(group->chips[0].properties, (std::vector<std::pair<std::string, std::string>>{
                                            {"id", "walk"}, {"speed", "3"}, {"to", "right"}}));
  EXPECT_EQ(group->chips[1].offset, (Cell{1, 0}));
  EXPECT_TRUE(ParseChipGroup("PELU BLOCK chips 1 1 1\n<box 0 0 x>\n</box>\n"));

  const std::string bad[] = {
      "",
      "hello",
      good.substr(0, good.size() - 9),                              // cut inside a box
      "PELU BLOCK chips 1 2 1\r\n",                                 // no box
      "PELU BLOCK chips 2 1 1\r\n<box 0 0 a>\r\n</box>\r\n",        // another version
      "PELU BLOCK chips 1 1 1\r\n<box 1 0 a>\r\n</box>\r\n",        // outside the group
      "PELU BLOCK chips 1 1 1\r\n<box -1 0 a>\r\n</box>\r\n",       // negative
      "PELU BLOCK chips 1 9999999 1\r\n<box 0 0 a>\r\n</box>\r\n",  // enormous
      "PELU BLOCK chips 1 5000 1\r\n<box 0 0 a>\r\n</box>\r\n",     // beyond any grid
      "PELU BLOCK chips 1 0 1\r\n",
      "PELU BLOCK chips 1 2 1\r\n<box 0 0 a>\r\n</box>\r\n<box 0 0 b>\r\n</box>\r\n",
      "PELU BLOCK chips 1 1 1\r\n<box 0 0 a>\r\njunk\r\n</box>\r\n",
      "PELU BLOCK chips 1 1 1\r\n<box 0 0 a>\r\nid=b\r\n</box>\r\n",
      "PELU BLOCK chips 1 1 1\r\n<box 0 0 a>\r\n</box>\r\ntrailing\r\n",
      std::string("PELU BLOCK chips 1 1 1\r\n<box 0 0 a>\r\nk=") + '\0' + "\r\n</box>\r\n",
      "PELU BLOCK chips 1 1 1\r\n<box 0 0 \x82>\r\n</box>\r\n",  // a lead byte alone
      "PELU BLOCK chips 1 1 1\r\n<box 0  0 a>\r\n</box>\r\n",
  };
  for (const std::string& text : bad) {
    EXPECT_FALSE(ParseChipGroup(text)) << text;
  }
  std::string huge = good;
  huge.resize(kMaxClipboardBytes + 1, '\n');
  EXPECT_FALSE(ParseChipGroup(huge));
}

// ---- The bound ------------------------------------------------------------------

TEST(EditHistoryBoundTest, DropsTheOldestStepsBeyondTheLimits) {
  Settings = SettingsData{};
  CChipCatalogue* none = nullptr;
  CEditorDocument document(none);
  CEditHistory history(document, CEditHistory::Limits{3, std::size_t{1} << 20});
  for (int x = 0; x < 5; ++x) {
    document.Begin(EditKind::kPlaceChip).AddBox(x, 0, "walk");
  }
  EXPECT_EQ(history.StepCount(), 3u);
  while (history.Undo()) {
  }
  // The two oldest are gone for good.
  EXPECT_TRUE(document.Program().HasBox(0, 0));
  EXPECT_TRUE(document.Program().HasBox(1, 0));
  EXPECT_FALSE(document.Program().HasBox(2, 0));

  CEditorDocument other(none);
  CEditHistory small(other, CEditHistory::Limits{1000, 4096});
  for (int x = 0; x < 10; ++x) {
    CEditorDocument::CAction action = other.Begin(EditKind::kPlaceChip);
    action.AddBox(x, 1, "walk");
    action.SetBoxProperty(x, 1, "note", std::string(200, 'n'));
  }
  // Each delete records a whole box; the oldest steps make room for them.
  for (int x = 0; x < 10; ++x) {
    other.Selection().Clear();
    other.Selection().Select(Cell{x, 1});
    other.Begin(EditKind::kDeleteSelection).DeleteSelection();
  }
  EXPECT_LE(small.RecordedBytes(), 4096u);
  EXPECT_LT(small.StepCount(), 20u);
  ASSERT_TRUE(small.Undo());
  EXPECT_EQ(other.Program().BoxProperty(9, 1, "note"), std::string(200, 'n'));
}

}  // namespace
}  // namespace editor_test
