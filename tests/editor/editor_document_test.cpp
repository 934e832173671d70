// The editor document: every gesture edits through one action of its kind,
// nothing changes the program between actions, and drawing changes nothing
// that Save would write.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "catalogue/chip_catalogue.h"
#include "document_observer.h"
#include "editor/editor_document.h"
#include "editor_fixture.h"
#include "foundation/settings.h"
#include "program/block_program.h"
#include "program/program_file.h"
#include "program/program_settings.h"

namespace editor_test {
namespace {

using Actions = std::vector<SeenAction>;

class EditorDocumentTest : public EditorTest {
 protected:
  void SetUp() override {
    EditorTest::SetUp();
    StartEditor();
  }
  void TearDown() override {
    m_scene->Document().RemoveObserver(&m_observer);
    EditorTest::TearDown();
  }
  // Watches the document from here on.
  void Watch() {
    m_scene->Document().AddObserver(&m_observer);
    m_observer.Remember(m_scene->Document());
    m_observer.actions.clear();
  }
  std::string Saved() { return FormatBlockProgram(m_scene->Program()); }

  CountingObserver m_observer;
};

TEST_F(EditorDocumentTest, EveryGestureEditsThroughOneActionOfItsKind) {
  Place({0, 0}, kWalk);
  Place({3, 0}, kWalk);
  Watch();

  // Presses that change nothing open no action.
  Click(CellPoint({6, 6}, -15, -15));  // a margin
  Click(CellPoint({0, 0}));            // selects
  EXPECT_TRUE(m_observer.actions.empty());

  Drag(CellPoint({0, 0}), CellPoint({2, 0}));
  EXPECT_EQ(m_observer.actions, (Actions{{EditKind::kDropChips, true}}));
  ASSERT_EQ(Id({2, 0}), kWalk);

  // A sweep runs one step a frame while it is on a chip; one of them drew
  // the arrow.
  m_observer.actions.clear();
  RightDown(CellPoint({2, 0}));
  Frame();
  MoveTo(CellPoint({3, 0}));
  Frame();
  RightUp(CellPoint({3, 0}));
  Frame();
  EXPECT_EQ(To({2, 0}), "right");
  EXPECT_EQ(m_observer.Count(EditKind::kSweepArrow, true), 1);
  EXPECT_EQ(m_observer.Count(EditKind::kSweepArrow, true) +
                m_observer.Count(EditKind::kSweepArrow, false),
            static_cast<int>(m_observer.actions.size()));

  m_observer.actions.clear();
  Click(CellPoint({3, 0}));
  Key(VK_DELETE);
  EXPECT_EQ(m_observer.actions, (Actions{{EditKind::kDeleteSelection, true}}));
  EXPECT_EQ(To({2, 0}), "");  // the arrow into the deleted chip went with it

  // New and open replace the program, each as one action.
  m_observer.actions.clear();
  m_dir.WriteFile("one.bhb", "<box 1 1 walk>\r\nspeed=4\r\n</box>\r\n");
  ASSERT_TRUE(m_scene->LoadProgram("one.bhb"));
  EXPECT_FALSE(m_scene->LoadProgram("missing.bhb"));
  m_scene->NewProgram();
  EXPECT_EQ(m_observer.actions,
            (Actions{{EditKind::kReplaceProgram, true}, {EditKind::kReplaceProgram, true}}));
  EXPECT_TRUE(m_scene->SelectedCells().empty());

  Frames(3);
  EXPECT_FALSE(m_observer.ChangedOutsideActions(m_scene->Document()));
}

TEST_F(EditorDocumentTest, OnlyTheDesignsReadOfShownChipsAddsKeysAndDrawingAddsNone) {
  // Chips without an arrow, without exits and without the property that
  // their summary names: the picture shows every one of those keys.
  Place({0, 0}, kWalk);
  Place({1, 0}, kIf);
  Place({2, 0}, kLoop);
  Place({0, 1}, kWalk, "right");
  Place({1, 1}, kWalk);
  m_scene->Selection().Select({1, 1});
  const std::string before = Saved();
  const unsigned long revision = m_scene->Program().Revision();
  EXPECT_EQ(before.find("to=\r\n"), std::string::npos);

  // The editor's frame reads the shown keys as the design does, so a chip
  // that was on screen is saved with its empty lines, as it always was.
  Frame();
  const std::string shown = Saved();
  EXPECT_NE(shown, before);
  std::size_t emptyArrows = 0;
  for (std::size_t at = shown.find("\nto=\r\n"); at != std::string::npos;
       at = shown.find("\nto=\r\n", at + 1)) {
    ++emptyArrows;
  }
  EXPECT_EQ(emptyArrows, 4u) << shown;  // every chip but the one with its arrow
  EXPECT_EQ(m_scene->Program().Revision(), revision);

  // Anything drawn after that (hover frames, more frames, a picture of the
  // program) changes nothing at all.
  MoveTo(CellPoint({1, 0}));
  Frame();
  Frames(3);
  Hold(VK_CONTROL, true);
  Key('P');
  Hold(VK_CONTROL, false);
  EXPECT_EQ(Saved(), shown);
  EXPECT_EQ(m_scene->Program().Revision(), revision);
}

// The document alone: actions that nest are one, and the question about
// unsaved changes follows the revision, not the presses.
TEST(EditorDocumentUnitTest, NestedActionsAreOneAndUnsavedFollowsTheRevision) {
  CChipCatalogue catalogue;
  CEditorDocument document(&catalogue);
  CountingObserver observer;
  document.AddObserver(&observer);
  observer.Remember(document);
  EXPECT_FALSE(document.HasUnsavedChanges());
  {
    CEditorDocument::CAction outer = document.Begin(EditKind::kPlaceChip);
    outer.AddBox(1, 1, "walk");
    EXPECT_TRUE(document.InAction());
    document.Begin(EditKind::kSetProperties).SetBoxProperty(1, 1, "speed", "3");
    EXPECT_TRUE(observer.actions.empty());
  }
  EXPECT_FALSE(document.InAction());
  EXPECT_EQ(observer.actions, (Actions{{EditKind::kPlaceChip, true}}));
  EXPECT_TRUE(document.HasUnsavedChanges());
  document.MarkSaved();
  EXPECT_FALSE(document.HasUnsavedChanges());

  // Writing the value it has is no change.
  document.Begin(EditKind::kSetProperties).SetBoxProperty(1, 1, "speed", "3");
  EXPECT_EQ(observer.actions.back(), (SeenAction{EditKind::kSetProperties, false}));
  EXPECT_FALSE(document.HasUnsavedChanges());

  // A replaced program is unsaved until marked, whatever its revision.
  document.Selection().Select({1, 1});
  auto program = std::make_unique<CBlockProgram>();
  program->Init(&catalogue, ProgramSettingsFrom(Settings));
  document.Begin(EditKind::kReplaceProgram).ReplaceProgram(std::move(program));
  EXPECT_TRUE(document.HasUnsavedChanges());
  EXPECT_TRUE(document.Selection().IsEmpty());
  EXPECT_FALSE(document.Program().HasBox(1, 1));
  EXPECT_EQ(observer.actions.back(), (SeenAction{EditKind::kReplaceProgram, true}));
  document.RemoveObserver(&observer);
}

}  // namespace
}  // namespace editor_test
