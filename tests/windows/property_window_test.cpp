// The property window: the rows common to the selected chips, typing, the
// option and condition lists, commit and discard.
#include <string>
#include <vector>

#include "window_fixture.h"
#include "windows/property_window.h"

namespace editor_test {
namespace {

using Strings = std::vector<std::string>;

// "motor" and "lamp" share speed and mode. The condition of "sense" decides
// its parameter rows: touch = (choice left/right, none), dist = (number mm,
// choice near/far), ball = (none, number cm). "odd" has types that name fields
// they lack, "fmt" texts harmful as formats.
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
    "<define huge>\r\ncategory=1\r\nproperty_num=2147483648\r\n"
    "property1_name=speed\r\nproperty1_type=NUM\r\n</define>\r\n"
    "<define minus>\r\ncategory=1\r\nproperty_num=-1\r\n"
    "property1_name=speed\r\nproperty1_type=NUM\r\n</define>\r\n"
    "<define fmt>\r\ncategory=1\r\nproperty_num=1\r\n"
    "property1_name=%n%s\r\nproperty1_type=SELECT;%n;%s%s\r\nproperty1_unit=%n\r\n"
    "</define>\r\n";

class PropertyWindowTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    m_extraCatalogue = kCatalogue;
    StartEditor();
  }

  void PlaceWith(Cell cell, const std::string& id, const Properties& properties) {
    Place(cell, id);
    for (const auto& [key, value] : properties) {
      m_scene->Document()
          .Begin(EditKind::kSetProperties)
          .SetBoxProperty(cell.x, cell.y, key, value);
    }
  }
  // Selects the cells in order and opens the window at a screen point. Its
  // backdrop is the editor drawn then, and drawing a chip without an arrow
  // gives it its empty "to" as on any frame (the window adds nothing).
  void Open(const std::vector<Cell>& cells, POINT at = {100, 100}) {
    m_scene->Selection().Clear();
    for (Cell cell : cells) {
      m_scene->Selection().Select(cell);
    }
    m_scene->CEditorScene::OpenPropertyWindow(at.x, at.y);
  }
  CPropertyWindow* Window() { return dynamic_cast<CPropertyWindow*>(m_scene->Overlay()); }

  Strings Rows() {
    Strings rows;
    for (const CPropertyWindow::Row& row : Window()->Rows()) {
      const std::string* unit = Window()->UnitOf(row);
      rows.push_back(row.name + "=" + row.value + (unit ? " " + *unit : ""));
    }
    return rows;
  }
  void ClickOn(const std::string& object) { ClickAt(ObjectCentre(object)); }
  void Type(const std::vector<int>& keys) {
    for (int key : keys) {
      Key(key);
    }
  }
};

TEST_F(PropertyWindowTest, RowsAreThoseCommonToTheSelectionAndDifferingValuesSurviveACommit) {
  PlaceWith({1, 1}, "motor", {{"speed", "10"}, {"mode", "slow"}});
  PlaceWith({2, 1}, "lamp", {{"mode", "on"}, {"speed", "10"}});
  Open({{1, 1}});
  EXPECT_EQ(Rows(), (Strings{"speed=10 cm/s", "mode=slow NULL", "time= s"}));
  Key(VK_ESCAPE);  // looking is not changing: no empty "time" is added
  EXPECT_EQ(BoxProperties({1, 1}),
            (Properties{{"id", "motor"}, {"mode", "slow"}, {"speed", "10"}, {"to", ""}}));

  Open({{1, 1}, {2, 1}});
  EXPECT_EQ(Rows(), (Strings{"speed=10 cm/s", "mode=* NULL"}));
  ClickOn("update");
  EXPECT_EQ(Window(), nullptr);
  EXPECT_EQ(m_scene->Program().BoxProperty(2, 1, "mode"), "on");

  // The first selected chip orders the rows; a digit replaces "*".
  m_scene->Document().Begin(EditKind::kSetProperties).SetBoxProperty(2, 1, "speed", "20");
  Open({{2, 1}, {1, 1}});
  EXPECT_EQ(Rows(), (Strings{"mode=*", "speed=*"}));
  ClickOn("row1");
  Type({'7', VK_RETURN});
  EXPECT_EQ(BoxProperties({1, 1}),
            (Properties{{"id", "motor"}, {"mode", "slow"}, {"speed", "7"}, {"to", ""}}));
  EXPECT_EQ(BoxProperties({2, 1}),
            (Properties{{"id", "lamp"}, {"mode", "on"}, {"speed", "7"}, {"to", ""}}));
}

TEST_F(PropertyWindowTest, ChipsWithoutACommonPropertyOpenNothingAndHugeCountsAreCapped) {
  Place({1, 1}, "motor");
  Place({2, 1}, "blank");
  Place({3, 1}, "minus");
  Place({4, 1}, "huge");
  for (const std::vector<Cell>& cells : {std::vector<Cell>{{1, 1}, {2, 1}}, {{3, 1}}}) {
    Open(cells);
    EXPECT_EQ(m_scene->Overlay(), nullptr);
    EXPECT_FALSE(g_registry->Exists("row0"));
  }
  Open({{4, 1}});
  ASSERT_NE(Window(), nullptr);
  EXPECT_EQ(Window()->Rows().size(), static_cast<std::size_t>(kMaxChipProperties));
}

TEST_F(PropertyWindowTest, DigitsAndBackspaceEditTheRowActivatedByAClick) {
  PlaceWith({1, 1}, "motor", {{"speed", "0"}, {"mode", "slow"}, {"time", "5"}});
  Open({{1, 1}});
  Type({'9'});  // no row active yet
  // A release away from the press clicks where it went down, within 500 ms.
  LeftDown(ObjectCentre("row0"));
  Wait(499);
  LeftUp(ObjectCentre("row2"));
  EXPECT_EQ(Sprite("row0"), "property-row-active");
  Type({'1', '2'});
  // A click on the window's bottom edge line, on no row, keeps the row active.
  ClickAt(POINT{Window()->WindowRect().left + 5, Window()->WindowRect().bottom});
  Type({'3'});
  EXPECT_EQ(Window()->Rows()[0].value, "123");
  Type({VK_BACK, VK_BACK, VK_BACK});
  EXPECT_EQ(Window()->Rows()[0].value, "0");
  // Only digits; nine at most, so that it fits the robot's integers.
  Type({VK_NUMPAD0 + 4, 'A', VK_SPACE});
  Type(std::vector<int>(12, '5'));
  EXPECT_EQ(Window()->Rows()[0].value, "455555555");

  ClickOn("row1");  // takes the keyboard away from the first
  Type({VK_ESCAPE, '8', VK_RETURN});
  EXPECT_EQ(Window(), nullptr);
  EXPECT_EQ(
      BoxProperties({1, 1}),
      (Properties{
          {"id", "motor"}, {"mode", "slow"}, {"speed", "455555555"}, {"time", "5"}, {"to", ""}}));
  EXPECT_FALSE(g_registry->Exists("row0"));
}

TEST_F(PropertyWindowTest, TheConditionDecidesEditingAndUnitsAndANewOneResetsItsRows) {
  PlaceWith({1, 1}, "sense", {{"cond", "dist"}, {"p1", "7"}, {"p2", "far"}});
  Open({{1, 1}});
  EXPECT_EQ(Rows(), (Strings{"cond=dist NULL", "p1=7 mm", "p2=far zone"}));
  ClickOn("row1");
  Type({'8'});
  ClickOn("row2");
  EXPECT_EQ(Window()->ListOptions(), (Strings{"near", "far"}));
  ClickOn("list-row0");
  EXPECT_EQ(Rows(), (Strings{"cond=dist NULL", "p1=78 mm", "p2=near zone"}));

  ClickOn("row0");
  EXPECT_EQ(Window()->ListOptions(), (Strings{"touch", "dist", "ball"}));
  ClickOn("list-row0");
  EXPECT_EQ(Rows(), (Strings{"cond=touch NULL", "p1=left side", "p2= NULL"}));
  ClickOn("row0");
  ClickOn("list-row2");
  EXPECT_EQ(Rows(), (Strings{"cond=ball NULL", "p1= NULL", "p2=0 cm"}));
  ClickOn("row1");  // under "ball" not editable
  Type({'5'});
  ClickOn("row2");
  Type({'4', '2', VK_RETURN});
  EXPECT_EQ(BoxProperties({1, 1}),
            (Properties{{"cond", "ball"}, {"id", "sense"}, {"p1", ""}, {"p2", "42"}, {"to", ""}}));
}

TEST_F(PropertyWindowTest, TypesLackingTheFieldTheyNameEditNothingAndResetToEmpty) {
  PlaceWith({1, 1}, "odd", {{"cond", "c"}, {"short", "3"}, {"empty", "x"}});
  Open({{1, 1}});
  EXPECT_EQ(Window()->ConditionIndex(), 3);
  ClickOn("row1");  // VARIABLE:NUM has no third field
  Type({'5'});
  ClickOn("row2");  // SELECT without options opens no list
  EXPECT_FALSE(g_registry->Exists("list-row0"));
  EXPECT_EQ(Rows(), (Strings{"cond=c", "short=3", "empty=x"}));
  ClickOn("row0");
  ClickOn("list-row0");
  EXPECT_EQ(Rows(), (Strings{"cond=a", "short=0 u", "empty="}));
}

TEST_F(PropertyWindowTest, EscapeAndEnterOrAPressOutsideCloseAnOpenListBeforeTheWindow) {
  PlaceWith({1, 1}, "sense", {{"cond", "touch"}, {"p1", "left"}});
  // Escape discards the new condition, Enter commits it.
  for (const auto& [key, condition] :
       {std::pair{VK_ESCAPE, "touch"}, std::pair{VK_RETURN, "dist"}}) {
    Open({{1, 1}});
    ClickOn("row0");
    ClickOn("list-row1");
    ClickOn("row0");
    Key(key);
    ASSERT_NE(Window(), nullptr);
    EXPECT_FALSE(Window()->IsListOpen());
    Key(key);
    EXPECT_EQ(Window(), nullptr);
    EXPECT_EQ(m_scene->Program().BoxProperty(1, 1, "cond"), condition);
  }
  const Properties before = BoxProperties({1, 1});
  Open({{1, 1}});
  ClickOn("row0");
  const RECT list = Window()->ListRect();
  ClickAt(POINT{list.left + 5, list.bottom});  // its bottom border: no option
  EXPECT_FALSE(Window()->IsListOpen());
  EXPECT_EQ(Window()->Rows()[0].value, "dist");
  ClickOn("row0");
  ClickOn("update");  // only closes the list
  ASSERT_NE(Window(), nullptr);
  ClickOn("row0");
  ClickOn("list-row0");
  const RECT window = Window()->WindowRect();
  LeftDown(POINT{window.right + 1, window.top + 5});
  EXPECT_EQ(Window(), nullptr);
  EXPECT_EQ(BoxProperties({1, 1}), before);
}

TEST_F(PropertyWindowTest, CatalogueTextsAreDrawnAsTheyAreAndTheListGoesWhenClosed) {
  PlaceWith({1, 1}, "fmt", {{"%n%s", "%s%n"}});
  Open({{1, 1}}, POINT{300, 200});
  ClickOn("row0");
  EXPECT_EQ(Window()->ListOptions(), (Strings{"%n", "%s%s"}));
  Frame();
  const RECT list = Window()->ListRect();
  EXPECT_GT(CountColour(list, kListRow), 0);
  ClickOn("list-row1");
  Frame();
  EXPECT_EQ(CountColour(list, kListRow) + CountColour(list, kListRowHover), 0);
  Key(VK_RETURN);
  EXPECT_EQ(m_scene->Program().BoxProperty(1, 1, "%n%s"), "%s%s");
}

}  // namespace
}  // namespace editor_test
