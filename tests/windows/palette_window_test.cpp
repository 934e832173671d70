// The chip palette inside a headless editor: placing chips with their default
// properties, paging with the 60 ms scroll step, and the ways it closes.
#include <optional>
#include <string>
#include <vector>

#include "window_fixture.h"
#include "windows/palette_window.h"

namespace editor_test {
namespace {

class PaletteTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    CPaletteWindow::s_scrollTimer = 0;
  }

  void Start(int displayNum, const std::string& catalogue = "") {
    m_extraSettings = "ChipCreateDisplayNum=" + std::to_string(displayNum) + "\r\n";
    m_extraCatalogue = catalogue;
    StartEditor();
  }

  // Clicks the empty cell and opens the palette the editor asked for there.
  void OpenPaletteOn(Cell cell) {
    Click(CellPoint(cell));
    ASSERT_FALSE(m_scene->requests.empty());
    const OverlayRequest request = m_scene->requests.back();
    ASSERT_EQ(request.kind, "palette");
    const std::vector<int>& a = request.arguments;
    m_scene->CEditorScene::OpenPalette(a[0], a[1], a[2], a[3]);
    ASSERT_NE(Palette(), nullptr);
  }

  CPaletteWindow* Palette() { return dynamic_cast<CPaletteWindow*>(m_scene->Overlay()); }
  int First() { return Palette()->FirstVisible(); }

  // Rests the cursor on a scroll button for a number of 61 ms steps.
  void RestOn(const std::string& button, int steps) {
    MoveTo(ObjectCentre(button));
    Frame();
    for (int i = 0; i < steps; ++i) {
      Wait(61);
      Frame();
    }
  }
};

TEST(DefaultPropertyValueTest, TypesLackingTheFieldOfTheirDefaultGiveNone) {
  for (const char* type :
       {"", ":::", "NUMBER", "SELECT", "IF", "IFS:touch", "VARIABLE", "VARIABLE:SELECT", "NULL"}) {
    EXPECT_EQ(DefaultPropertyValue(type), std::nullopt) << type;
  }
  EXPECT_EQ(DefaultPropertyValue("::SELECT;;slow"), "slow");  // runs of separators are one
}

TEST_F(PaletteTest, ClickedBarPlacesItsChipWithTheDefaultsOfItsProperties) {
  // "kinds" counts six properties but describes five; "huge" has a count
  // beyond reason; "100%n%s" must not be drawn as a format. Category 0 by
  // name: 100%n%s, blank, huge, kinds, walk.
  Start(5,
        "<define kinds>\r\ncategory=0\r\nproperty_num=6\r\n"
        "property1_name=speed\r\nproperty1_type=NUM\r\n"
        "property2_name=pace\r\nproperty2_type=SELECT;slow;fast\r\n"
        "property3_name=arg\r\nproperty3_type=VARIABLE:NUM:SELECT;on;off\r\n"
        "property4_name=cond\r\nproperty4_type=IF:touch:ball\r\n"
        "property5_name=var\r\nproperty5_type=VARIABLE:SELECT;on;off:NUM\r\n</define>\r\n"
        "<define huge>\r\ncategory=0\r\nproperty_num=99999999999\r\n"
        "property1_name=speed\r\nproperty1_type=NUM\r\n</define>\r\n"
        "<define 100%n%s>\r\ncategory=0\r\n</define>\r\n");
  const struct {
    int bar;
    Properties properties;
  } cases[] = {
      {0, {{"id", "100%n%s"}}},
      {2, {{"id", "huge"}, {"speed", "0"}}},
      {3,
       {{"arg", "0"},
        {"cond", "touch"},
        {"id", "kinds"},
        {"pace", "slow"},
        {"speed", "0"},
        {"var", "on"}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.bar);
    OpenPaletteOn({c.bar, 1});
    Frames(2);
    ClickAt(ObjectCentre("chipbar-" + std::to_string(c.bar)));
    EXPECT_EQ(Palette(), nullptr);
    EXPECT_EQ(BoxProperties({c.bar, 1}), c.properties);
  }
}

TEST_F(PaletteTest, WithFewerChipsThanBarsEachHasABarThatHoversAndNothingScrolls) {
  Start(10);  // more bars asked for than the 5 chips
  OpenPaletteOn({1, 1});
  EXPECT_FALSE(g_registry->Exists("chipbar-5"));
  EXPECT_GT(Corner("scrollbar-down").y, Corner("chipbar-4").y);
  MoveTo(ObjectCentre("chipbar-2"));
  Frame();
  EXPECT_EQ(Sprite("chipbar-2"), "newchip-chipbar-hover");
  EXPECT_EQ(Sprite("chipbar-1"), "newchip-chipbar");
  RestOn("scrollbar-down", 5);
  EXPECT_EQ(First(), 0);
  EXPECT_EQ(Sprite("chipbar-2"), "newchip-chipbar");
}

TEST_F(PaletteTest, ScrollButtonsStepAfter60MsAndStopAtTheLastFullPageAndTheTop) {
  // The palette lists 25, blank, c00 .. c19, walk, then the three of category 1.
  std::string chips;
  for (int i = 0; i < 20; ++i) {
    chips += "<define c" + std::string(i < 10 ? "0" : "") + std::to_string(i) +
             ">\r\ncategory=0\r\n</define>\r\n";
  }
  Start(10, chips);
  OpenPaletteOn({1, 1});
  RestOn("scrollbar-up", 3);  // at the top already
  EXPECT_EQ(First(), 0);
  MoveTo(ObjectCentre("scrollbar-down"));
  Frame();  // the first frame on the button only starts the timer
  Wait(60);
  Frame();
  EXPECT_EQ(First(), 0);
  Wait(1);
  Frame();
  EXPECT_EQ(First(), 1);
  // Leaving the button stops the timer: coming back starts it again.
  MoveTo(ObjectCentre("chipbar-0"));
  Frame();
  MoveTo(ObjectCentre("scrollbar-down"));
  Wait(500);
  Frame();
  EXPECT_EQ(First(), 1);

  RestOn("scrollbar-down", 30);
  EXPECT_EQ(First(), 15);
  RestOn("scrollbar-up", 3);
  EXPECT_EQ(First(), 12);
  ClickAt(ObjectCentre("chipbar-0"));
  EXPECT_EQ(Id({1, 1}), "c11");
}

TEST_F(PaletteTest, OnlyAReleaseAtThePressPointOnABarPlacesAChipAndEscapeOrAPressOutsideClose) {
  Start(3);
  OpenPaletteOn({1, 1});
  const POINT bar = ObjectCentre("chipbar-1");
  // The release of the click that opened the palette may still arrive.
  LeftUp(bar);
  LeftDown(bar);
  LeftUp(POINT{bar.x + 1, bar.y});
  ClickAt(ObjectCentre("scrollbar-up"));
  ClickAt(CellPoint({1, 1}, 22, 22));  // the background
  Key('A');
  Frame();
  ASSERT_NE(Palette(), nullptr);
  EXPECT_FALSE(m_scene->Program().HasBox(1, 1));
  ClickAt(bar);
  EXPECT_EQ(Palette(), nullptr);
  EXPECT_EQ(Id({1, 1}), kWalk);

  auto anyLeft = [] {
    return g_registry->Exists("window") || g_registry->Exists("chipbar-2") ||
           g_registry->Exists("scrollbar-down");
  };
  OpenPaletteOn({2, 1});
  Key(VK_ESCAPE);
  EXPECT_EQ(Palette(), nullptr);
  EXPECT_FALSE(anyLeft());
  OpenPaletteOn({2, 1});
  LeftDown(CellPoint({2, 1}, 20 + kPaletteWidth, 20));  // one pixel right of it
  EXPECT_EQ(Palette(), nullptr);
  EXPECT_FALSE(anyLeft());
  EXPECT_FALSE(m_scene->Program().HasBox(2, 1));
  Frame();  // the editor draws itself again
  EXPECT_TRUE(PixelIs(CellTopLeft({2, 1}).x + 40, CellTopLeft({2, 1}).y, kFrame));
}

TEST_F(PaletteTest, WithoutTheSettingOnlyTheWindowAndButtonsAppearAndNothingInsidePlaces) {
  StartEditor();  // no ChipCreateDisplayNum in setting.ini
  OpenPaletteOn({1, 1});
  EXPECT_TRUE(g_registry->Exists("scrollbar-down"));
  EXPECT_FALSE(g_registry->Exists("chipbar-0"));
  ClickAt(CellPoint({1, 1}, 40, 60));
  Frame();
  EXPECT_NE(Palette(), nullptr);
  EXPECT_FALSE(m_scene->Program().HasBox(1, 1));
}

}  // namespace
}  // namespace editor_test
