// The editor's popup menu: where it opens, which row a click picks, what each
// row hands to the editor, and how it goes away.
#include <filesystem>
#include <string>
#include <vector>

#include "foundation/texts.h"
#include "window_fixture.h"

namespace editor_test {
namespace {

using Requests = std::vector<OverlayRequest>;

class MenuWindowTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    StartLiveEditor();
  }

  // Opens the menu at a screen point; its corner is read back from its first row.
  void OpenMenuAt(POINT p) {
    m_scene->OpenMenu(p.x, p.y);
    m_corner = Corner("list-row0");
    ASSERT_NE(m_corner.x, -1);
    m_scene->requests.clear();
  }
  POINT RowPoint(int row) {
    return POINT{m_corner.x + 20, m_corner.y + row * kListRowHeight + kListRowHeight / 2};
  }
  bool MenuOpen() { return m_scene->Overlay() != nullptr && Object("list-row0") != nullptr; }
  bool AnyRowLeft() { return Object("list-row0") || Object("list-row3") || Object("list-row5"); }

  POINT m_corner;
};

TEST_F(MenuWindowTest, TheListOpensAtThePointShiftedToFitTheScreen) {
  const int w = kListRowWidth;
  const int h6 = 6 * kListRowHeight;
  const struct {
    POINT click, corner;
  } cases[] = {
      {{300, 200}, {300, 200}},
      {{800 - w, 600 - h6}, {800 - w, 600 - h6}},  // fits exactly
      {{800 - w + 1, 100}, {800 - w, 100}},
      {{100, 600 - h6 + 1}, {100, 600 - h6}},
  };
  for (const auto& c : cases) {
    OpenMenuAt(c.click);
    EXPECT_EQ(m_corner, c.corner) << c.click.x << "," << c.click.y;
    EXPECT_EQ(Corner("list-row5"), (POINT{c.corner.x, c.corner.y + 5 * kListRowHeight}));
    Key(VK_ESCAPE);
  }
}

TEST_F(MenuWindowTest, EachRowHandsItsCommandToTheEditor) {
  WriteSettingIni("StorageCardPath=card/robot.r\r\n");
  std::filesystem::create_directory(m_dir.Path() + "/card");
  m_dialog.Cancel();  // open
  m_dialog.Cancel();  // save, which has no file yet and asks for one
  m_dialog.Cancel();  // save as
  const Requests expected[] = {{{"command", {kActionOpen}}},
                               {{"command", {kActionSave}}},
                               {{"command", {kActionSaveAs}}},
                               {{"command", {kActionTransfer}}},
                               {}};
  for (int row = 1; row <= 5; ++row) {
    OpenMenuAt(POINT{100, 100});
    Click(RowPoint(row));
    EXPECT_FALSE(MenuOpen()) << row;
    EXPECT_EQ(m_scene->requests, expected[row - 1]) << "row " << row;
  }
  EXPECT_TRUE(m_dialog.Exhausted());
  EXPECT_EQ(LastMessage(), text::kCardDone);

  // New, on a program without unsaved changes, asks nothing.
  Place({1, 1}, kWalk);
  Settle();
  OpenMenuAt(POINT{100, 100});
  Click(RowPoint(0));
  EXPECT_TRUE(m_scene->requests.empty());
  EXPECT_FALSE(m_scene->Program().HasBox(1, 1));
}

TEST_F(MenuWindowTest, TheRowIsTheOneUnderThePressWhereverTheReleaseComes) {
  m_dialog.Cancel();
  m_dialog.Cancel();
  // The view is scrolled: the press point is kept as a world point.
  m_scene->ScrollView().ScrollBy(120, 70);
  OpenMenuAt(POINT{200, 150});
  LeftDown(RowPoint(1));
  Wait(400);
  LeftUp(RowPoint(4));  // elsewhere within 500 ms: the pressed row
  Frame();
  EXPECT_EQ(m_scene->requests, (Requests{{"command", {kActionOpen}}}));

  OpenMenuAt(POINT{200, 150});
  LeftDown(RowPoint(2));
  Wait(500);
  LeftUp(RowPoint(3));  // elsewhere after 500 ms: nothing, the menu stays
  LeftUp(RowPoint(2));  // a release without a press
  Frame();
  EXPECT_TRUE(MenuOpen());
  EXPECT_TRUE(m_scene->requests.empty());

  LeftDown(RowPoint(3));
  Wait(3000);
  LeftUp(RowPoint(3));  // at the press point after any time: the row
  Frame();
  EXPECT_FALSE(MenuOpen());
  EXPECT_EQ(m_scene->requests, (Requests{{"command", {kActionSaveAs}}}));
}

TEST_F(MenuWindowTest, TheRowUnderThePointerIsHighlightedAndEscapeEnterOrAClickOnNoRowCloseIt) {
  for (int key : {VK_ESCAPE, VK_RETURN}) {
    OpenMenuAt(POINT{799, 599});  // moved to fit the screen
    EXPECT_EQ(m_corner, (POINT{800 - kListRowWidth, 600 - 6 * kListRowHeight}));
    MoveTo(RowPoint(3));
    Frame();
    EXPECT_EQ(Sprite("list-row3"), "property-row-listbox-hover");
    EXPECT_EQ(Sprite("list-row2"), "property-row-listbox");
    Key(key);
    EXPECT_FALSE(AnyRowLeft());
    Frame();
    EXPECT_TRUE(m_scene->requests.empty());
    EXPECT_EQ(CountColour(RECT{0, 0, 800, 600}, kListRow), 0);  // the editor drew itself
    EXPECT_TRUE(m_sceneChanges.empty());                        // Escape went to the menu
  }
  // The line just below the last row is inside the list but on no row.
  Place({0, 0}, kWalk);
  OpenMenuAt(POINT{200, 150});
  const POINT border{m_corner.x + 5, m_corner.y + 6 * kListRowHeight};
  ClickAt(border);
  EXPECT_FALSE(MenuOpen());
  OpenMenuAt(POINT{200, 150});
  ClickAt(POINT{border.x, border.y + 1});  // outside
  EXPECT_FALSE(AnyRowLeft());
  Frames(2);
  EXPECT_EQ(MessageCount(), 0);
  EXPECT_TRUE(m_scene->Program().HasBox(0, 0));
  EXPECT_TRUE(m_scene->requests.empty());

  // Rows of no height could not be told apart: without the row sprite the
  // menu refuses to open.
  g_registry->Clear();
  m_scene->OpenMenu(200, 150);
  EXPECT_EQ(m_scene->Overlay(), nullptr);
}

}  // namespace
}  // namespace editor_test
