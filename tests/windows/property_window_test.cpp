// The property window inside a headless editor: the rows common to the
// selected chips, typing, the option and condition lists, placement at the
// screen's edges, and how edits are committed or discarded.
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "display/object_registry.h"
#include "editor/editor_fixture.h"
#include "program/block_program.h"
#include "windows/property_window.h"

namespace editor_test {
namespace {

using Properties = std::vector<std::pair<std::string, std::string>>;
using Strings = std::vector<std::string>;

// "motor" and "lamp" share speed and mode; "sense" is a branch chip whose
// condition decides how its two parameter rows are edited:
//   touch: p1 a choice of left/right (unit side), p2 not editable
//   dist:  p1 a number (unit mm),                 p2 a choice of near/far (zone)
//   ball:  p1 not editable (no unit),             p2 a number (unit cm)
// "odd" has types that name fields they lack, "many" a long option list, and
// "fmt" texts that would be harmful as formats.
constexpr char kCatalogue[] =
    "<define motor>\r\ncategory=0\r\nproperty_num=3\r\n"
    "property1_name=speed\r\nproperty1_type=NUM\r\nproperty1_unit=cm/s\r\n"
    "property2_name=mode\r\nproperty2_type=SELECT;slow;fast\r\nproperty2_unit=NULL\r\n"
    "property3_name=time\r\nproperty3_type=NUM\r\nproperty3_unit=s\r\n</define>\r\n"
    "<define lamp>\r\ncategory=0\r\nproperty_num=2\r\n"
    "property1_name=mode\r\nproperty1_type=SELECT;on;off\r\n"
    "property2_name=speed\r\nproperty2_type=NUM\r\n</define>\r\n"
    "<define sense>\r\ncategory=1\r\nproperty_num=3\r\n"
    "property1_name=cond\r\nproperty1_type=IF:touch:dist;cm:ball\r\nproperty1_unit=NULL\r\n"
    "property2_name=p1\r\nproperty2_type=VARIABLE:SELECT;left;right:NUM:NULL\r\n"
    "property2_unit=VARIABLE:side:mm:NULL\r\n"
    "property3_name=p2\r\nproperty3_type=VARIABLE:NULL:SELECT;near;far:NUM\r\n"
    "property3_unit=VARIABLE:NULL:zone:cm\r\n</define>\r\n"
    "<define odd>\r\ncategory=1\r\nproperty_num=3\r\n"
    "property1_name=cond\r\nproperty1_type=IF:a:b:c\r\n"
    "property2_name=short\r\nproperty2_type=VARIABLE:NUM\r\nproperty2_unit=VARIABLE:u\r\n"
    "property3_name=empty\r\nproperty3_type=SELECT\r\n</define>\r\n"
    "<define many>\r\ncategory=1\r\nproperty_num=1\r\n"
    "property1_name=pick\r\nproperty1_type=SELECT;a;b;c;d;e;f;g;h;i;j\r\n</define>\r\n"
    "<define huge>\r\ncategory=1\r\nproperty_num=2147483648\r\n"
    "property1_name=speed\r\nproperty1_type=NUM\r\n</define>\r\n"
    "<define minus>\r\ncategory=1\r\nproperty_num=-1\r\n"
    "property1_name=speed\r\nproperty1_type=NUM\r\n</define>\r\n"
    "<define fmt>\r\ncategory=1\r\nproperty_num=1\r\n"
    "property1_name=%n%s\r\nproperty1_type=SELECT;%n;%s%s\r\nproperty1_unit=%n\r\n"
    "</define>\r\n";

class PropertyWindowTest : public EditorTest {
 protected:
  void SetUp() override {
    EditorTest::SetUp();
    m_extraCatalogue = kCatalogue;
    StartEditor();
  }

  void PlaceWith(Cell cell, const std::string& id, const Properties& properties) {
    Place(cell, id);
    for (const auto& [key, value] : properties) {
      m_scene->Program().SetBoxProperty(cell.x, cell.y, key, value);
    }
  }

  // Selects the cells in order and opens the window at a screen point, as
  // the editor does for a click on a selected chip.
  void Open(const std::vector<Cell>& cells, POINT at) {
    m_scene->Selection().Clear();
    for (Cell cell : cells) {
      m_scene->Selection().Select(cell);
    }
    m_scene->CEditorScene::OpenPropertyWindow(at.x, at.y);
  }

  CPropertyWindow* Window() { return dynamic_cast<CPropertyWindow*>(m_scene->Overlay()); }

  Strings Names() {
    Strings names;
    for (const CPropertyWindow::Row& row : Window()->Rows()) {
      names.push_back(row.name);
    }
    return names;
  }
  Strings Values() {
    Strings values;
    for (const CPropertyWindow::Row& row : Window()->Rows()) {
      values.push_back(row.value);
    }
    return values;
  }
  // The unit each row shows ("-" for none).
  Strings Units() {
    Strings units;
    for (const CPropertyWindow::Row& row : Window()->Rows()) {
      const std::string* unit = Window()->UnitOf(row);
      units.push_back(unit ? *unit : "-");
    }
    return units;
  }

  void ClickAt(POINT p) {
    LeftDown(p);
    LeftUp(p);
  }
  void ClickObject(const std::string& name) { ClickAt(ObjectCentre(name)); }
  void Type(const std::vector<int>& keys) {
    for (int key : keys) {
      Key(key);
    }
  }

  Properties BoxProperties(Cell cell) {
    const CBox* box = m_scene->Program().GetBox(cell.x, cell.y);
    return box ? box->Properties() : Properties{};
  }

  std::string SpriteOf(const std::string& object) {
    const CScreenObject* found = g_registry->Find(object);
    return found ? found->sprite : "(none)";
  }
  POINT PositionOf(const std::string& object) {
    const CScreenObject* found = g_registry->Find(object);
    return found ? POINT{static_cast<int>(found->x), static_cast<int>(found->y)} : POINT{-1, -1};
  }
};

// ---- Rows -----------------------------------------------------------------------

TEST_F(PropertyWindowTest, ClickOnASelectedChipOpensItsRowsBesideThePoint) {
  PlaceWith({2, 2}, "motor", {{"speed", "5"}, {"mode", "fast"}});
  Click(CellPoint({2, 2}));
  Click(CellPoint({2, 2}));
  ASSERT_EQ(m_scene->requests.back().kind, "property");
  const Properties before = BoxProperties({2, 2});
  const POINT at{m_scene->requests.back().arguments[0], m_scene->requests.back().arguments[1]};
  m_scene->CEditorScene::OpenPropertyWindow(at.x, at.y);
  ASSERT_NE(Window(), nullptr);

  EXPECT_EQ(Names(), (Strings{"speed", "mode", "time"}));
  EXPECT_EQ(Values(), (Strings{"5", "fast", ""}));
  EXPECT_EQ(Units(), (Strings{"cm/s", "NULL", "s"}));
  // Rows one row height apart, one pixel above the point; the buttons below.
  EXPECT_EQ(Window()->WindowRect(),
            (RECT{at.x, at.y, at.x + kPropertyRowWidth, at.y + 4 * kPropertyRowHeight}));
  EXPECT_EQ(PositionOf("row0"), (POINT{at.x, at.y - 1}));
  EXPECT_EQ(PositionOf("row2"), (POINT{at.x, at.y + 2 * kPropertyRowHeight - 1}));
  EXPECT_EQ(PositionOf("update"), (POINT{at.x, at.y + 3 * kPropertyRowHeight - 1}));
  EXPECT_EQ(PositionOf("cancel"),
            (POINT{at.x + kPropertyRowWidth / 2, at.y + 3 * kPropertyRowHeight - 1}));

  // Looking is not changing: the chip gains no empty "time" on cancel.
  Key(VK_ESCAPE);
  EXPECT_EQ(Window(), nullptr);
  EXPECT_EQ(BoxProperties({2, 2}), before);
}

TEST_F(PropertyWindowTest, SeveralChipsShowTheCommonRowsAndDifferingValuesSurviveACommit) {
  PlaceWith({1, 1}, "motor", {{"speed", "10"}, {"mode", "slow"}, {"time", "5"}});
  PlaceWith({2, 1}, "lamp", {{"mode", "on"}, {"speed", "10"}});
  Open({{1, 1}, {2, 1}}, POINT{100, 300});
  ASSERT_NE(Window(), nullptr);
  EXPECT_EQ(Names(), (Strings{"speed", "mode"}));
  EXPECT_EQ(Values(), (Strings{"10", "*"}));
  EXPECT_FALSE(g_registry->Exists("row2"));
  ClickObject("update");
  EXPECT_EQ(Window(), nullptr);
  EXPECT_EQ(BoxProperties({1, 1}),
            (Properties{{"id", "motor"}, {"mode", "slow"}, {"speed", "10"}, {"time", "5"}}));
  EXPECT_EQ(BoxProperties({2, 1}), (Properties{{"id", "lamp"}, {"mode", "on"}, {"speed", "10"}}));

  // The first selected chip orders the rows; a digit replaces "*".
  m_scene->Program().SetBoxProperty(2, 1, "speed", "20");
  Open({{2, 1}, {1, 1}}, POINT{100, 300});
  EXPECT_EQ(Names(), (Strings{"mode", "speed"}));
  EXPECT_EQ(Values(), (Strings{"*", "*"}));
  ClickObject("row1");
  Type({'7'});
  EXPECT_EQ(Values(), (Strings{"*", "7"}));
  Key(VK_RETURN);
  EXPECT_EQ(m_scene->Program().GetBoxProperty(1, 1, "speed"), "7");
  EXPECT_EQ(m_scene->Program().GetBoxProperty(2, 1, "speed"), "7");
  EXPECT_EQ(m_scene->Program().GetBoxProperty(1, 1, "mode"), "slow");
  EXPECT_EQ(m_scene->Program().GetBoxProperty(2, 1, "mode"), "on");
}

TEST_F(PropertyWindowTest, ChipsWithoutACommonPropertyOpenNothing) {
  Place({1, 1}, "motor");
  Place({2, 1}, "blank");
  Place({3, 1}, "minus");
  Place({4, 1}, "huge");
  Open({{1, 1}, {2, 1}}, POINT{100, 100});
  EXPECT_EQ(m_scene->Overlay(), nullptr);
  Open({{3, 1}}, POINT{100, 100});
  EXPECT_EQ(m_scene->Overlay(), nullptr);
  EXPECT_FALSE(g_registry->Exists("row0"));
  EXPECT_FALSE(g_registry->Exists("update"));

  // A count beyond reason is capped; the rows past the described one are
  // empty.
  Open({{4, 1}}, POINT{100, 100});
  ASSERT_NE(Window(), nullptr);
  EXPECT_EQ(Window()->Rows().size(), static_cast<std::size_t>(kMaxChipProperties));
  EXPECT_EQ(Window()->Rows()[0].name, "speed");
}

// ---- Typing ---------------------------------------------------------------------

TEST_F(PropertyWindowTest, DigitsAndBackspaceEditTheActiveNumberRowOnly) {
  PlaceWith({1, 1}, "motor", {{"speed", "0"}, {"mode", "slow"}, {"time", "5"}});
  Open({{1, 1}}, POINT{100, 100});
  Type({'9'});  // no row active yet
  EXPECT_EQ(Values()[0], "0");

  ClickObject("row0");
  EXPECT_EQ(SpriteOf("row0"), "property-row-active");
  Type({'1', '2'});
  // A click inside the window on no row (its bottom edge line) leaves the
  // active row active and showing so.
  ClickAt(POINT{Window()->WindowRect().left + 5, Window()->WindowRect().bottom});
  EXPECT_EQ(SpriteOf("row0"), "property-row-active");
  Type({'3'});
  EXPECT_EQ(Values()[0], "123");
  Type({VK_BACK, VK_BACK, VK_BACK});
  EXPECT_EQ(Values()[0], "0");
  Type({VK_NUMPAD0 + 4, 'A', VK_SPACE});
  EXPECT_EQ(Values()[0], "4");
  // A typed number stops at nine digits, so that it fits the robot's
  // integers.
  Type(std::vector<int>(12, '5'));
  EXPECT_EQ(Values()[0], "455555555");

  // Another row takes the keyboard away from the first.
  ClickObject("row1");
  EXPECT_EQ(SpriteOf("row0"), "property-row");
  EXPECT_TRUE(Window()->IsListOpen());
  Key(VK_ESCAPE);
  Type({'8'});
  EXPECT_EQ(Values(), (Strings{"455555555", "slow", "5"}));

  Key(VK_RETURN);
  EXPECT_EQ(Window(), nullptr);
  EXPECT_EQ(BoxProperties({1, 1}),
            (Properties{{"id", "motor"}, {"mode", "slow"}, {"speed", "455555555"}, {"time", "5"}}));
  // The rows go; "update" and "cancel" stay registered.
  EXPECT_FALSE(g_registry->Exists("row0"));
  EXPECT_TRUE(g_registry->Exists("update"));
  EXPECT_TRUE(g_registry->Exists("cancel"));
}

TEST_F(PropertyWindowTest, AReleaseAwayFromThePressClicksOnlyWithin500Ms) {
  PlaceWith({1, 1}, "motor", {{"speed", "1"}, {"mode", "slow"}, {"time", "2"}});
  Open({{1, 1}}, POINT{100, 100});
  LeftDown(ObjectCentre("row2"));
  Wait(600);
  LeftUp(ObjectCentre("row0"));
  EXPECT_EQ(Window()->ActiveRow(), -1);

  // Within 500 ms the click acts where the button went down.
  LeftDown(ObjectCentre("row2"));
  Wait(499);
  LeftUp(ObjectCentre("row0"));
  EXPECT_EQ(Window()->ActiveRow(), 2);
  Type({'3'});
  EXPECT_EQ(Values(), (Strings{"1", "slow", "23"}));
}

// ---- Lists and conditions -------------------------------------------------------

TEST_F(PropertyWindowTest, ChangingTheConditionResetsTheTwoDependentRowsAndTheirUnits) {
  PlaceWith({1, 1}, "sense", {{"cond", "touch"}, {"p1", "right"}, {"p2", "x"}});
  Open({{1, 1}}, POINT{100, 100});
  EXPECT_EQ(Window()->ConditionIndex(), 1);
  EXPECT_EQ(Units(), (Strings{"NULL", "side", "NULL"}));

  ClickObject("row0");
  ASSERT_TRUE(Window()->IsListOpen());
  EXPECT_EQ(Window()->ListOptions(), (Strings{"touch", "dist", "ball"}));
  EXPECT_TRUE(g_registry->Exists("list-row2"));
  ClickObject("list-row1");
  EXPECT_FALSE(Window()->IsListOpen());
  EXPECT_FALSE(g_registry->Exists("list-row0"));
  EXPECT_EQ(Values(), (Strings{"dist", "0", "near"}));
  EXPECT_EQ(Units(), (Strings{"NULL", "mm", "zone"}));
  EXPECT_EQ(SpriteOf("row0"), "property-row-active");

  ClickObject("row0");
  ClickObject("list-row2");
  EXPECT_EQ(Values(), (Strings{"ball", "", "0"}));
  EXPECT_EQ(Units(), (Strings{"NULL", "NULL", "cm"}));

  // Under "ball" the first parameter cannot be edited, the second is typed.
  ClickObject("row1");
  EXPECT_FALSE(Window()->IsListOpen());
  Type({'5'});
  ClickObject("row2");
  Type({'4', '2'});
  EXPECT_EQ(Values(), (Strings{"ball", "", "42"}));
  Key(VK_RETURN);
  EXPECT_EQ(BoxProperties({1, 1}),
            (Properties{{"cond", "ball"}, {"id", "sense"}, {"p1", ""}, {"p2", "42"}}));
}

TEST_F(PropertyWindowTest, TheConditionHeldWhenOpeningDecidesEditingAndUnits) {
  PlaceWith({1, 1}, "sense", {{"cond", "dist"}, {"p1", "7"}, {"p2", "far"}});
  Open({{1, 1}}, POINT{100, 100});
  EXPECT_EQ(Window()->ConditionIndex(), 2);
  EXPECT_EQ(Units(), (Strings{"NULL", "mm", "zone"}));
  ClickObject("row1");
  Type({'8'});
  ClickObject("row2");
  EXPECT_EQ(Window()->ListOptions(), (Strings{"near", "far"}));
  ClickObject("list-row0");
  // Only a new condition resets the parameter rows.
  EXPECT_EQ(Values(), (Strings{"dist", "78", "near"}));
}

TEST_F(PropertyWindowTest, TypesLackingTheFieldTheyNameEditNothingAndResetToEmpty) {
  PlaceWith({1, 1}, "odd", {{"cond", "c"}, {"short", "3"}, {"empty", "x"}});
  Open({{1, 1}}, POINT{100, 100});
  EXPECT_EQ(Window()->ConditionIndex(), 3);
  EXPECT_EQ(Units(), (Strings{"-", "-", "-"}));
  ClickObject("row1");  // VARIABLE:NUM has no third field
  Type({'5'});
  ClickObject("row2");  // SELECT without options opens no list
  EXPECT_FALSE(Window()->IsListOpen());
  EXPECT_FALSE(g_registry->Exists("list-row0"));
  EXPECT_EQ(Values(), (Strings{"c", "3", "x"}));

  ClickObject("row0");
  ClickObject("list-row0");
  EXPECT_EQ(Values(), (Strings{"a", "0", ""}));
  EXPECT_EQ(Units(), (Strings{"-", "u", "-"}));
}

TEST_F(PropertyWindowTest, PressOutsideTheListClosesOnlyTheListAndOutsideTheWindowCancels) {
  PlaceWith({1, 1}, "sense", {{"cond", "touch"}, {"p1", "left"}, {"p2", ""}});
  Open({{1, 1}}, POINT{100, 100});
  ClickObject("row0");
  ASSERT_TRUE(Window()->IsListOpen());
  const RECT list = Window()->ListRect();
  EXPECT_EQ(list.bottom - list.top, 3 * kListRowHeight);

  // The list's bottom border line is inside it but names no option.
  ClickAt(POINT{list.left + 5, list.bottom});
  EXPECT_FALSE(Window()->IsListOpen());
  EXPECT_EQ(Values()[0], "touch");
  EXPECT_NE(Window(), nullptr);

  // A press on the OK button while the list is open only closes the list.
  ClickObject("row0");
  ClickObject("update");
  EXPECT_FALSE(Window()->IsListOpen());
  EXPECT_NE(Window(), nullptr);
  EXPECT_EQ(Window()->ActiveRow(), 0);

  ClickObject("row0");
  ClickObject("list-row1");
  EXPECT_EQ(Values(), (Strings{"dist", "0", "near"}));
  // The window's far edges belong to it; one pixel beyond is outside.
  const RECT window = Window()->WindowRect();
  ClickAt(POINT{window.right, window.bottom});
  ASSERT_NE(Window(), nullptr);
  LeftDown(POINT{window.right + 1, window.top + 5});
  EXPECT_EQ(Window(), nullptr);
  EXPECT_EQ(BoxProperties({1, 1}),
            (Properties{{"cond", "touch"}, {"id", "sense"}, {"p1", "left"}, {"p2", ""}}));
  EXPECT_FALSE(g_registry->Exists("row0"));
}

TEST_F(PropertyWindowTest, EscapeAndEnterCloseAnOpenListBeforeTheWindow) {
  PlaceWith({1, 1}, "sense", {{"cond", "touch"}, {"p1", "left"}});
  Open({{1, 1}}, POINT{100, 100});
  ClickObject("row0");
  ClickObject("list-row1");
  ClickObject("row0");
  Key(VK_ESCAPE);
  ASSERT_NE(Window(), nullptr);
  EXPECT_FALSE(Window()->IsListOpen());
  Key(VK_ESCAPE);
  EXPECT_EQ(Window(), nullptr);
  EXPECT_EQ(m_scene->Program().GetBoxProperty(1, 1, "cond"), "touch");

  Open({{1, 1}}, POINT{100, 100});
  ClickObject("row0");
  ClickObject("list-row1");
  ClickObject("row0");
  Key(VK_RETURN);
  ASSERT_NE(Window(), nullptr);
  Key(VK_RETURN);
  EXPECT_EQ(Window(), nullptr);
  EXPECT_EQ(BoxProperties({1, 1}),
            (Properties{{"cond", "dist"}, {"id", "sense"}, {"p1", "0"}, {"p2", "near"}}));
}

// ---- Placement and drawing --------------------------------------------------------

TEST_F(PropertyWindowTest, WindowAndListMoveInsideTheScreenAtItsEdges) {
  Place({1, 1}, "many");
  // No room right of or below the point: the window opens left of and above
  // it; the list, centred on the press, is lifted to end at the bottom edge.
  Open({{1, 1}}, POINT{790, 580});
  const int height = 2 * kPropertyRowHeight;
  EXPECT_EQ(Window()->WindowRect(), (RECT{790 - kPropertyRowWidth, 580 - height, 790, 580}));
  const POINT press = ObjectCentre("row0");
  ClickAt(press);
  const int listHeight = 10 * kListRowHeight;
  EXPECT_EQ(Window()->ListRect(), (RECT{press.x - kListRowWidth, 600 - listHeight, press.x, 600}));
  EXPECT_EQ(PositionOf("list-row9"), (POINT{press.x - kListRowWidth, 600 - kListRowHeight}));
  Key(VK_ESCAPE);
  Key(VK_ESCAPE);

  // At the top the list starts at the edge.
  Open({{1, 1}}, POINT{10, 10});
  EXPECT_EQ(Window()->WindowRect(), (RECT{10, 10, 10 + kPropertyRowWidth, 10 + height}));
  const POINT top = ObjectCentre("row0");
  ClickAt(top);
  EXPECT_EQ(Window()->ListRect(), (RECT{top.x, 0, top.x + kListRowWidth, listHeight}));
  ClickObject("list-row3");
  EXPECT_EQ(Values()[0], "d");
}

TEST_F(PropertyWindowTest, FramesDrawOverTheSavedEditorPictureWithHoverAndList) {
  PlaceWith({1, 1}, "sense", {{"cond", "touch"}});
  Open({{1, 1}}, POINT{300, 200});
  MoveTo(ObjectCentre("update"));
  EXPECT_EQ(SpriteOf("update"), "property-row-update-hover");
  EXPECT_EQ(SpriteOf("cancel"), "property-row-cancel");

  ClickObject("row0");
  MoveTo(ObjectCentre("list-row1"));
  EXPECT_EQ(SpriteOf("list-row1"), "property-row-listbox-hover");
  EXPECT_EQ(SpriteOf("list-row0"), "property-row-listbox");
  Frame();
  const RECT list = Window()->ListRect();
  const POINT row0 = PositionOf("row0");
  EXPECT_TRUE(PixelIs(row0.x + 2, row0.y + 1, kPropertyRowActive));
  EXPECT_TRUE(PixelIs(list.right - 2, list.top + kListRowHeight + 1, kListRowHover));
  EXPECT_TRUE(PixelIs(list.right - 2, list.top + 1, kListRow));

  // Once the list closes, the next frame shows the editor's picture there.
  Key(VK_ESCAPE);
  Frame();
  EXPECT_EQ(CountColour(list, kListRow), 0);
  EXPECT_EQ(CountColour(list, kListRowHover), 0);
}

TEST_F(PropertyWindowTest, TextsFromTheCatalogueAreDrawnNeverUsedAsFormats) {
  PlaceWith({1, 1}, "fmt", {{"%n%s", "%s%n"}});
  Open({{1, 1}}, POINT{100, 100});
  Frame();
  ClickObject("row0");
  EXPECT_EQ(Window()->ListOptions(), (Strings{"%n", "%s%s"}));
  Frame();
  ClickObject("list-row1");
  Key(VK_RETURN);
  EXPECT_EQ(m_scene->Program().GetBoxProperty(1, 1, "%n%s"), "%s%s");
}

}  // namespace
}  // namespace editor_test
