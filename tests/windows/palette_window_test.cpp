// The chip palette inside a headless editor: placing chips with their default
// properties, paging with the 60 ms scroll step, and the ways it closes.
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "display/object_registry.h"
#include "editor/editor_fixture.h"
#include "program/block_program.h"
#include "windows/palette_window.h"

namespace editor_test {
namespace {

using Properties = std::vector<std::pair<std::string, std::string>>;

// Twenty chips "c00" .. "c19" of category 0: with the five of the test
// catalogue the palette lists 25, in the order blank, c00 .. c19, walk, if,
// loop and the do-nothing chip.
std::string TwentyChips() {
  std::string text;
  for (int i = 0; i < 20; ++i) {
    const std::string name = (i < 10 ? "c0" : "c") + std::to_string(i);
    text += "<define " + name + ">\r\ncategory=0\r\n</define>\r\n";
  }
  return text;
}

class PaletteTest : public EditorTest {
 protected:
  void SetUp() override {
    EditorTest::SetUp();
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

  void ClickAt(POINT p) {
    LeftDown(p);
    LeftUp(p);
  }

  // Rests the cursor on a scroll button for a number of 61 ms steps.
  void RestOn(const std::string& button, int steps) {
    MoveTo(ObjectCentre(button));
    Frame();
    for (int i = 0; i < steps; ++i) {
      Wait(61);
      Frame();
    }
  }

  Properties BoxProperties(Cell cell) {
    const CBox* box = m_scene->Program().GetBox(cell.x, cell.y);
    return box ? box->Properties() : Properties{};
  }
};

TEST(DefaultPropertyValueTest, EachTypeGivesItsDefaultOrNone) {
  const std::vector<std::pair<std::string, std::optional<std::string>>> cases = {
      {"NUM", "0"},
      {"::NUM::", "0"},  // runs of separators count as one
      {"NUMBER", std::nullopt},
      {"SELECT;slow;fast", "slow"},
      {"SELECT;;slow", "slow"},
      {"SELECTION;a;b", "a"},  // SELECT need only begin the field
      {"SELECT", std::nullopt},
      {"IF:touch:ball", "touch"},
      {"IF", std::nullopt},
      {"IFS:touch", std::nullopt},
      {"VARIABLE:NUM:SELECT;on;off", "0"},
      {"VARIABLE:SELECT;on;off:NUM", "on"},
      {"VARIABLE:SELECT", std::nullopt},
      {"VARIABLE:dist", "dist"},
      {"VARIABLE", std::nullopt},
      {"NULL", std::nullopt},
      {"", std::nullopt},
      {":::", std::nullopt},
  };
  for (const auto& [type, expected] : cases) {
    EXPECT_EQ(DefaultPropertyValue(type), expected) << type;
  }
}

TEST_F(PaletteTest, ClickedBarPlacesItsChipWithTheDefaultsOfItsProperties) {
  // Six properties are counted but five described: the sixth has no type.
  Start(5,
        "<define kinds>\r\ncategory=0\r\nproperty_num=6\r\n"
        "property1_name=speed\r\nproperty1_type=NUM\r\n"
        "property2_name=pace\r\nproperty2_type=SELECT;slow;fast\r\n"
        "property3_name=arg\r\nproperty3_type=VARIABLE:NUM:SELECT;on;off\r\n"
        "property4_name=cond\r\nproperty4_type=IF:touch:ball\r\n"
        "property5_name=label\r\nproperty5_type=NULL\r\n"
        "</define>\r\n");
  // Palette order: blank, kinds, walk, if, loop, ...
  OpenPaletteOn({3, 2});
  ClickAt(ObjectCentre("chipbar-1"));

  EXPECT_EQ(Palette(), nullptr);
  EXPECT_EQ(
      BoxProperties({3, 2}),
      (Properties{
          {"arg", "0"}, {"cond", "touch"}, {"id", "kinds"}, {"pace", "slow"}, {"speed", "0"}}));
}

TEST_F(PaletteTest, HugePropertyCountIsCappedAndNegativeCountGivesNoProperties) {
  Start(5,
        "<define huge>\r\ncategory=0\r\nproperty_num=99999999999\r\n"
        "property1_name=speed\r\nproperty1_type=NUM\r\n</define>\r\n"
        "<define minus>\r\ncategory=0\r\nproperty_num=-3\r\n"
        "property1_name=speed\r\nproperty1_type=NUM\r\n</define>\r\n");
  // Palette order: blank, huge, minus, walk, ...
  OpenPaletteOn({1, 1});
  ClickAt(ObjectCentre("chipbar-1"));
  EXPECT_EQ(BoxProperties({1, 1}), (Properties{{"id", "huge"}, {"speed", "0"}}));

  OpenPaletteOn({2, 1});
  ClickAt(ObjectCentre("chipbar-2"));
  EXPECT_EQ(BoxProperties({2, 1}), (Properties{{"id", "minus"}}));
}

TEST_F(PaletteTest, WithFewerChipsThanBarsEachHasABarThatHoversAndNothingScrolls) {
  Start(10);  // more bars asked for than the 5 chips
  OpenPaletteOn({1, 1});
  const POINT at = CellPoint({1, 1});
  auto position = [](const std::string& name) {
    const CScreenObject* object = g_registry->Find(name);
    return object ? POINT{static_cast<int>(object->x), static_cast<int>(object->y)} : POINT{-1, -1};
  };
  EXPECT_EQ(position("window"), at);
  EXPECT_EQ(position("scrollbar-up"), (POINT{at.x + 5, at.y + 5}));
  EXPECT_EQ(position("chipbar-4"), (POINT{at.x + 5, at.y + 25 + 21 * 4}));
  EXPECT_FALSE(g_registry->Exists("chipbar-5"));
  EXPECT_EQ(position("scrollbar-down"), (POINT{at.x + 5, at.y + 27 + 21 * 5}));

  MoveTo(ObjectCentre("chipbar-2"));
  Frame();
  EXPECT_EQ(g_registry->Find("chipbar-2")->sprite, "newchip-chipbar-hover");
  EXPECT_EQ(g_registry->Find("chipbar-1")->sprite, "newchip-chipbar");
  // The bar is drawn in its hover picture at its own place.
  const POINT bar2 = position("chipbar-2");
  EXPECT_TRUE(PixelIs(bar2.x + kPaletteBarWidth - 2, bar2.y + 1, kPaletteBarHover));

  MoveTo(ObjectCentre("scrollbar-up"));
  EXPECT_EQ(g_registry->Find("chipbar-2")->sprite, "newchip-chipbar");
  EXPECT_EQ(g_registry->Find("scrollbar-up")->sprite, "newchip-scrollbar-up-hover");

  // With every chip on a bar there is nothing to scroll.
  RestOn("scrollbar-down", 5);
  EXPECT_EQ(Palette()->FirstVisible(), 0);
  RestOn("scrollbar-up", 5);
  EXPECT_EQ(Palette()->FirstVisible(), 0);
}

TEST_F(PaletteTest, DownButtonStopsAtTheLastFullPageAndUpButtonAtTheTop) {
  Start(10, TwentyChips());
  OpenPaletteOn({1, 1});
  RestOn("scrollbar-down", 30);
  EXPECT_EQ(Palette()->FirstVisible(), 15);

  // Bar 0 now holds the sixteenth chip, bar 9 the last.
  ClickAt(ObjectCentre("chipbar-0"));
  EXPECT_EQ(Id({1, 1}), "c14");

  OpenPaletteOn({2, 1});
  RestOn("scrollbar-down", 20);
  RestOn("scrollbar-up", 3);
  EXPECT_EQ(Palette()->FirstVisible(), 12);
  RestOn("scrollbar-up", 30);
  EXPECT_EQ(Palette()->FirstVisible(), 0);
  ClickAt(ObjectCentre("chipbar-0"));
  EXPECT_EQ(Id({2, 1}), "blank");
}

TEST_F(PaletteTest, ScrollStepsComeOnlyAfterMoreThan60MsOnAButton) {
  Start(3);
  OpenPaletteOn({1, 1});
  MoveTo(ObjectCentre("scrollbar-down"));
  Frame();  // the first frame on the button only starts the timer
  EXPECT_EQ(Palette()->FirstVisible(), 0);
  Wait(60);
  Frame();
  EXPECT_EQ(Palette()->FirstVisible(), 0);
  Wait(1);
  Frame();
  EXPECT_EQ(Palette()->FirstVisible(), 1);

  // Leaving the button stops the timer: coming back starts it again.
  MoveTo(ObjectCentre("chipbar-0"));
  Frame();
  MoveTo(ObjectCentre("scrollbar-down"));
  Wait(500);
  Frame();
  EXPECT_EQ(Palette()->FirstVisible(), 1);
  Wait(61);
  Frame();
  EXPECT_EQ(Palette()->FirstVisible(), 2);
}

TEST_F(PaletteTest, ScrollTimerOutlivesThePalette) {
  Start(3);
  OpenPaletteOn({1, 1});
  MoveTo(ObjectCentre("scrollbar-down"));
  Frame();
  Key(VK_ESCAPE);
  ASSERT_EQ(Palette(), nullptr);

  // The next palette finds the timer running: its first frame on the button
  // is a step already.
  OpenPaletteOn({1, 1});
  MoveTo(ObjectCentre("scrollbar-down"));
  Wait(100);
  Frame();
  EXPECT_EQ(Palette()->FirstVisible(), 1);
}

TEST_F(PaletteTest, OnlyAReleaseAtThePressPointOnABarPlacesAChip) {
  Start(3);
  OpenPaletteOn({1, 1});
  const POINT bar = ObjectCentre("chipbar-1");

  // The release of the click that opened the palette may still arrive: a
  // release without a press in the palette is no click.
  LeftUp(bar);
  // A press on a bar released one pixel away.
  LeftDown(bar);
  LeftUp(POINT{bar.x + 1, bar.y});
  // Clicks inside the window on no bar: a scroll button and the background.
  ClickAt(ObjectCentre("scrollbar-up"));
  const POINT corner = CellPoint({1, 1});
  ClickAt(POINT{corner.x + 2, corner.y + 2});
  Frame();
  EXPECT_NE(Palette(), nullptr);
  EXPECT_FALSE(m_scene->Program().HasBox(1, 1));

  ClickAt(bar);
  EXPECT_EQ(Palette(), nullptr);
  EXPECT_EQ(Id({1, 1}), kWalk);
}

TEST_F(PaletteTest, EscapeOrAPressOutsideClosesItRemovingItsObjects) {
  Start(3);
  const std::vector<std::string> objects = {"window",    "chipbar-0",    "chipbar-1",
                                            "chipbar-2", "scrollbar-up", "scrollbar-down"};
  auto anyLeft = [&objects] {
    for (const std::string& name : objects) {
      if (g_registry->Exists(name)) {
        return true;
      }
    }
    return false;
  };

  OpenPaletteOn({1, 1});
  Key('A');
  ASSERT_NE(Palette(), nullptr);
  Key(VK_ESCAPE);
  EXPECT_EQ(Palette(), nullptr);
  EXPECT_FALSE(anyLeft());

  OpenPaletteOn({1, 1});
  EXPECT_TRUE(anyLeft());
  const POINT corner = CellPoint({1, 1});
  LeftDown(POINT{corner.x + kPaletteWidth, corner.y});  // one pixel right of it
  EXPECT_EQ(Palette(), nullptr);
  EXPECT_FALSE(anyLeft());
  EXPECT_FALSE(m_scene->Program().HasBox(1, 1));

  // The editor draws itself again on the next frame.
  Frame();
  const POINT cell = CellTopLeft({1, 1});
  EXPECT_TRUE(PixelIs(cell.x + 40, cell.y, kFrame));
}

TEST_F(PaletteTest, WithoutTheSettingOnlyTheWindowAndButtonsAppear) {
  StartEditor();  // no ChipCreateDisplayNum in setting.ini
  OpenPaletteOn({1, 1});
  EXPECT_TRUE(g_registry->Exists("window"));
  EXPECT_TRUE(g_registry->Exists("scrollbar-up"));
  EXPECT_TRUE(g_registry->Exists("scrollbar-down"));
  EXPECT_FALSE(g_registry->Exists("chipbar-0"));
  // Nothing inside the window places a chip; only Escape or a press outside
  // leads out.
  ClickAt(POINT{CellPoint({1, 1}).x + 20, CellPoint({1, 1}).y + 40});
  Frame();
  EXPECT_NE(Palette(), nullptr);
  EXPECT_FALSE(m_scene->Program().HasBox(1, 1));
}

TEST_F(PaletteTest, ChipNamesAreDrawnAsTextNeverAsFormats) {
  // A name that would write through a pointer if it were a format.
  Start(3, "<define 100%n%s>\r\ncategory=0\r\n</define>\r\n");
  OpenPaletteOn({1, 1});
  Frames(2);
  ClickAt(ObjectCentre("chipbar-0"));
  EXPECT_EQ(Id({1, 1}), "100%n%s");
}

}  // namespace
}  // namespace editor_test
