// The editor's popup menu: where it opens, which row a click picks, what
// each row hands to the editor, and how it goes away.
#include <filesystem>
#include <string>
#include <vector>

#include "app/texts.h"
#include "command_fixture.h"
#include "program/block_program.h"
#include "windows/menu_window.h"

namespace editor_test {
namespace {

using Requests = std::vector<OverlayRequest>;

class MenuWindowTest : public CommandTest {
 protected:
  void SetUp() override {
    CommandTest::SetUp();
    StartLiveEditor();
  }

  // Opens the menu at a screen point; the list's corner is then read back
  // from its first row.
  void OpenMenuAt(POINT p) {
    m_scene->OpenMenu(p.x, p.y);
    ASSERT_NE(Object("list-row0"), nullptr);
    m_left = static_cast<int>(Object("list-row0")->x);
    m_top = static_cast<int>(Object("list-row0")->y);
    m_scene->requests.clear();
  }
  POINT RowPoint(int row, int dx = 20, int dy = kListRowHeight / 2) {
    return POINT{m_left + dx, m_top + row * kListRowHeight + dy};
  }
  bool MenuOpen() { return m_scene->Overlay() != nullptr && Object("list-row0") != nullptr; }
  bool AnyRowObjectLeft() {
    for (int row = 0; row < CMenuWindow::kRows; ++row) {
      if (Object("list-row" + std::to_string(row)) != nullptr) {
        return true;
      }
    }
    return false;
  }

  int m_left = 0;
  int m_top = 0;
};

TEST_F(MenuWindowTest, ARightClickOnAnEmptySpotOpensTheListThereWithItsSixRows) {
  RightDown(POINT{300, 200});
  RightUp(POINT{300, 200});
  Frame();
  ASSERT_TRUE(MenuOpen());
  for (int row = 0; row < CMenuWindow::kRows; ++row) {
    const CScreenObject* object = Object("list-row" + std::to_string(row));
    ASSERT_NE(object, nullptr) << row;
    EXPECT_EQ(object->x, 300);
    EXPECT_EQ(object->y, 200 + row * kListRowHeight);
  }
  Frame();
  // Corners, away from the entry texts.
  EXPECT_TRUE(PixelIs(300 + kListRowWidth - 1, 200, kListRow));
  EXPECT_TRUE(PixelIs(300, 200 + 6 * kListRowHeight - 1, kListRow));
  EXPECT_FALSE(PixelIs(300 + kListRowWidth, 200, kListRow));
}

TEST_F(MenuWindowTest, TheListIsShiftedLeftAndUpToFitTheScreen) {
  struct Case {
    POINT click;
    POINT corner;
  };
  const int w = kListRowWidth;
  const int h6 = 6 * kListRowHeight;
  const Case cases[] = {
      {{0, 0}, {0, 0}},
      {{800 - w, 600 - h6}, {800 - w, 600 - h6}},  // fits exactly
      {{800 - w + 1, 100}, {800 - w, 100}},
      {{100, 600 - h6 + 1}, {100, 600 - h6}},
      {{799, 599}, {800 - w, 600 - h6}},
  };
  for (const Case& c : cases) {
    OpenMenuAt(c.click);
    EXPECT_EQ((POINT{m_left, m_top}), c.corner) << c.click.x << "," << c.click.y;
    Key(VK_ESCAPE);
    EXPECT_FALSE(AnyRowObjectLeft());
  }
}

TEST_F(MenuWindowTest, EachRowHandsItsCommandToTheEditor) {
  m_extraSettings = "StorageCardPath=card/robot.r\r\n";
  WriteSettingIni(m_extraSettings);
  std::filesystem::create_directory(m_dir.Path() + "/card");
  m_dialog.Cancel();  // open
  m_dialog.Cancel();  // save, which has no file yet and asks for one
  m_dialog.Cancel();  // save as
  struct Case {
    int row;
    Requests requests;
  };
  const Case cases[] = {
      {1, {{"command", {kActionOpen}}}},
      {2, {{"command", {kActionSave}}}},
      {3, {{"command", {kActionSaveAs}}}},
      {4, {{"command", {kActionTransfer}}}},
      {5, {}},
  };
  for (const Case& c : cases) {
    OpenMenuAt(POINT{100, 100});
    Click(RowPoint(c.row));
    EXPECT_FALSE(MenuOpen()) << c.row;
    EXPECT_EQ(m_scene->requests, c.requests) << "row " << c.row;
  }
  EXPECT_TRUE(m_dialog.Exhausted());
  EXPECT_FALSE(m_dir.ReadFile("out.r").empty());  // the transfer writes it first
  EXPECT_EQ(LastMessage(), text::kCardDone);
  EXPECT_EQ(m_dir.ReadFile("card/robot.r"), m_dir.ReadFile("out.r"));

  // New, on a program without unsaved changes, asks nothing.
  Place({1, 1}, kWalk);
  platform::SetWindowText("PELU BLOCK - [x.bhb]");
  OpenMenuAt(POINT{100, 100});
  Click(RowPoint(0));
  EXPECT_TRUE(m_scene->requests.empty());
  EXPECT_FALSE(m_scene->Program().HasBox(1, 1));
  EXPECT_EQ(platform::GetWindowText(), "PELU BLOCK - [newfile]");
}

TEST_F(MenuWindowTest, TheRowIsTheOneUnderThePressWhereverTheReleaseComes) {
  m_dialog.Cancel();
  m_dialog.Cancel();
  // The view is scrolled: the press point is kept as a world point.
  m_scene->ScrollView().ScrollBy(120, 70);
  OpenMenuAt(POINT{200, 150});

  // Released on another row within 500 ms: the pressed row.
  LeftDown(RowPoint(1));
  Wait(400);
  LeftUp(RowPoint(4));
  Frame();
  EXPECT_EQ(m_scene->requests, (Requests{{"command", {kActionOpen}}}));

  // Released elsewhere after 500 ms: nothing, and the menu stays.
  OpenMenuAt(POINT{200, 150});
  LeftDown(RowPoint(2));
  Wait(500);
  LeftUp(RowPoint(3));
  Frame();
  EXPECT_TRUE(MenuOpen());
  EXPECT_TRUE(m_scene->requests.empty());

  // Released at the press point after any time: the row.
  LeftDown(RowPoint(3));
  Wait(3000);
  LeftUp(RowPoint(3));
  Frame();
  EXPECT_FALSE(MenuOpen());
  EXPECT_EQ(m_scene->requests, (Requests{{"command", {kActionSaveAs}}}));

  // A release without a press in the menu selects nothing.
  OpenMenuAt(POINT{200, 150});
  LeftUp(RowPoint(2));
  Frame();
  EXPECT_TRUE(MenuOpen());
  EXPECT_TRUE(m_dialog.Exhausted());
}

TEST_F(MenuWindowTest, TheEdgesOfTheListAndAPressOutsideIt) {
  Place({0, 0}, kWalk);
  OpenMenuAt(POINT{200, 150});
  // The column just right of the rows still belongs to the list.
  LeftDown(POINT{m_left + kListRowWidth, m_top + 5});
  LeftUp(POINT{m_left + kListRowWidth, m_top + 5});
  EXPECT_FALSE(MenuOpen());
  Frame();
  EXPECT_FALSE(m_scene->Program().HasBox(0, 0));  // row 0: New

  // The line just below the last row is inside too, but below every row:
  // the menu closes and hands a command that runs nothing; that frame of the
  // editor is spent on it.
  Place({0, 0}, kWalk);
  OpenMenuAt(POINT{200, 150});
  const POINT border{m_left + 5, m_top + 6 * kListRowHeight};
  LeftDown(border);
  LeftUp(border);
  EXPECT_FALSE(MenuOpen());
  const int presented = platform::headless::PresentCount();
  Frame();
  EXPECT_EQ(platform::headless::PresentCount(), presented);
  Frame();
  EXPECT_EQ(platform::headless::PresentCount(), presented + 1);
  EXPECT_TRUE(m_scene->requests.empty());
  EXPECT_TRUE(m_scene->MessageLog().Lines().empty());
  EXPECT_TRUE(m_scene->Program().HasBox(0, 0));

  // One pixel further down is outside: the menu closes with no command, and
  // the editor draws its next frame.
  OpenMenuAt(POINT{200, 150});
  LeftDown(POINT{border.x, border.y + 1});
  EXPECT_FALSE(MenuOpen());
  EXPECT_FALSE(AnyRowObjectLeft());
  LeftUp(POINT{border.x, border.y + 1});
  Frame();
  EXPECT_EQ(platform::headless::PresentCount(), presented + 2);
  EXPECT_TRUE(m_scene->requests.empty());
}

TEST_F(MenuWindowTest, TheRowUnderThePointerIsHighlighted) {
  OpenMenuAt(POINT{200, 150});
  MoveTo(RowPoint(3));
  Frame();
  for (int row = 0; row < CMenuWindow::kRows; ++row) {
    EXPECT_EQ(Object("list-row" + std::to_string(row))->sprite,
              row == 3 ? "property-row-listbox-hover" : "property-row-listbox");
  }
  // Right of the entry texts.
  EXPECT_TRUE(PixelIs(m_left + kListRowWidth - 3, m_top + 3 * kListRowHeight + 8, kListRowHover));
  EXPECT_TRUE(PixelIs(m_left + kListRowWidth - 3, m_top + 2 * kListRowHeight + 8, kListRow));

  MoveTo(POINT{50, 50});
  Frame();
  EXPECT_EQ(CountColour(RECT{0, 0, 800, 600}, kListRowHover), 0);
}

TEST_F(MenuWindowTest, EscapeAndEnterCloseItWithoutACommand) {
  for (int key : {VK_ESCAPE, VK_RETURN}) {
    OpenMenuAt(POINT{200, 150});
    Frame();
    Key(key);
    EXPECT_FALSE(MenuOpen());
    EXPECT_FALSE(AnyRowObjectLeft());
    Frame();
    EXPECT_TRUE(m_scene->requests.empty());
    // The editor draws itself again, without the list.
    EXPECT_EQ(CountColour(RECT{0, 0, 800, 600}, kListRow), 0);
    EXPECT_TRUE(m_sceneChanges.empty());  // Escape went to the menu
  }
}

TEST_F(MenuWindowTest, ASkinWithoutTheRowSpriteOpensNoMenu) {
  // Rows of no height could not be told apart: the menu refuses to open.
  g_registry->Clear();
  m_scene->OpenMenu(200, 150);
  EXPECT_EQ(m_scene->Overlay(), nullptr);
  EXPECT_FALSE(AnyRowObjectLeft());
}

}  // namespace
}  // namespace editor_test
