// The windows over the editor with every one of them live: the picture each
// one is drawn over, a close request while one is open, and the title's "*"
// after what a window did or did not change.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "display/display.h"
#include "foundation/texts.h"
#include "window_fixture.h"
#include "windows/confirmation_window.h"
#include "windows/menu_window.h"
#include "windows/palette_window.h"
#include "windows/property_window.h"

namespace editor_test {
namespace {

using Pixels = std::vector<std::uint32_t>;

// "pick" has one row whose value is chosen from a list.
constexpr char kPickChip[] =
    "<define pick>\r\ncategory=0\r\nproperty_num=1\r\n"
    "property1_name=mode\r\nproperty1_type=SELECT;slow;fast\r\nproperty1_unit=NULL\r\n"
    "</define>\r\n";
constexpr Rgb kPaletteBar{0x44, 0x66, 0x88};  // the test skin's "newchip-chipbar"

enum class Opened { kPalette, kProperty, kPropertyWithList, kMenu };

class OverlayBackdropTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    CPaletteWindow::s_scrollTimer = 0;
    m_extraCatalogue = kPickChip;
    m_extraSettings = "ChipCreateDisplayNum=4\r\n";
    StartLiveEditor(LiveWindows::kEvery);
    // The test skin's background is a small tile that leaves most of the
    // screen as the last frame left it; here it covers its whole pitch, as
    // the shipped one does, so that an editor frame repaints every pixel.
    const RECT solid = g_registry->Symbols().GetSymbolRect("dryrun-panel");
    m_dir.WriteFile("skin/def_skn.txt", m_dir.ReadFile("skin/def_skn.txt") +
                                            "#background,skin/test.bmp," +
                                            std::to_string(solid.left) + "," +
                                            std::to_string(solid.top) + ",200,200\n");
    ASSERT_EQ(g_registry->LoadSkin("main"), 1);
    Place(kChip, "pick");
    m_scene->Document()
        .Begin(EditKind::kSetProperties)
        .SetBoxProperty(kChip.x, kChip.y, "mode", "slow");
    Settle();
    m_scene->UpdateTitle();
  }

  static Pixels Copy(const SurfaceView& view) {
    Pixels pixels;
    for (int y = 0; y < view.height; ++y) {
      for (int x = 0; x < view.width; ++x) {
        pixels.push_back(view.PixelAt(x, y));
      }
    }
    return pixels;
  }
  // The picture the open window draws itself over.
  Pixels Backdrop() {
    g_display->RestoreScreen();
    return Copy(g_display->BackSurface());
  }
  // The palette's bar colour in the picture, where the palette opened.
  int PaletteBarPixels(const Pixels& pixels) {
    const SurfaceView view = g_display->BackSurface();
    const std::uint32_t bar = MapRgb(view.format, kPaletteBar.r, kPaletteBar.g, kPaletteBar.b);
    int count = 0;
    for (int y = m_palette.top; y < m_palette.bottom; ++y) {
      for (int x = m_palette.left; x < m_palette.right; ++x) {
        count += pixels[static_cast<std::size_t>(y * view.width + x)] == bar ? 1 : 0;
      }
    }
    return count;
  }

  // A click on an empty cell opens the palette, drawn by the next frame.
  void OpenPalette() {
    Click(CellPoint(kEmpty));
    ASSERT_NE(dynamic_cast<CPaletteWindow*>(m_scene->Overlay()), nullptr);
    Frame();
    const POINT corner = Corner("window");
    m_palette = RECT{corner.x, corner.y, corner.x + kPaletteWidth, corner.y + kPaletteHeight};
    ASSERT_GT(CountColour(m_palette, kPaletteBar), 0) << "the palette is drawn";
  }
  void Open(Opened which) {
    switch (which) {
      case Opened::kPalette:
        return OpenPalette();
      case Opened::kProperty:
      case Opened::kPropertyWithList:
        // A click selects the chip, one on the selected chip opens the window.
        if (!m_scene->Selection().Contains(kChip)) {
          Click(CellPoint(kChip));
        }
        Click(CellPoint(kChip));
        ASSERT_NE(dynamic_cast<CPropertyWindow*>(m_scene->Overlay()), nullptr);
        if (which == Opened::kPropertyWithList) {
          ClickAt(ObjectCentre("row0"));
          ASSERT_TRUE(dynamic_cast<CPropertyWindow*>(m_scene->Overlay())->IsListOpen());
        }
        return;
      case Opened::kMenu:
        RightDown(CellPoint(kEmpty));
        Frame();
        RightUp(CellPoint(kEmpty));
        Frame();
        ASSERT_NE(dynamic_cast<CMenuWindow*>(m_scene->Overlay()), nullptr);
        return;
    }
  }
  std::string Title() { return platform::GetWindowText(); }

  static constexpr Cell kChip{1, 1};
  static constexpr Cell kEmpty{3, 2};
  RECT m_palette{};
};

TEST_F(OverlayBackdropTest, APaletteClosedByAClickIsNotInThePropertyWindowsBackdrop) {
  Click(CellPoint(kChip));  // selected
  OpenPalette();
  // Faster than a frame: the press that closes the palette, then a click on
  // the selected chip, whose release the next frame reads.
  LeftDown(CellPoint(kChip));
  LeftUp(CellPoint(kChip));
  ASSERT_EQ(m_scene->Overlay(), nullptr);
  LeftDown(CellPoint(kChip));
  LeftUp(CellPoint(kChip));
  Frame();
  ASSERT_NE(dynamic_cast<CPropertyWindow*>(m_scene->Overlay()), nullptr);
  const Pixels backdrop = Backdrop();
  EXPECT_EQ(PaletteBarPixels(backdrop), 0);

  // The same editor with no window open: the backdrop is its picture.
  Key(VK_ESCAPE);
  ASSERT_EQ(m_scene->Overlay(), nullptr);
  Frame();
  EXPECT_TRUE(Copy(Presented()) == backdrop) << "the backdrop is not the editor as it is";
}

TEST_F(OverlayBackdropTest, ACloseRequestOverThePaletteAsksOverTheEditorAlone) {
  Place({4, 0}, "pick");
  MoveTo(CellPoint(kEmpty));
  Frame();
  const Pixels editor = Copy(Presented());
  OpenPalette();
  CloseButton();
  ASSERT_NE(dynamic_cast<CConfirmationWindow*>(m_scene->Overlay()), nullptr);
  const Pixels backdrop = Backdrop();
  EXPECT_EQ(PaletteBarPixels(backdrop), 0);
  EXPECT_TRUE(backdrop == editor) << "the backdrop is not the editor as it is";
}

class CloseRequestTest : public OverlayBackdropTest,
                         public ::testing::WithParamInterface<Opened> {};

TEST_P(CloseRequestTest, TheWindowClosesAsItsEscapeWouldAndTheQuestionComesAtOnce) {
  Place({4, 0}, "pick");
  Open(GetParam());
  const std::vector<Cell> selected = Selected();
  CloseButton();
  // No frame came: the question is up, over no other window.
  ASSERT_NE(dynamic_cast<CConfirmationWindow*>(m_scene->Overlay()), nullptr);
  EXPECT_NE(Object("info"), nullptr);
  for (const char* object : {"window", "chipbar-0", "row0", "list-row0"}) {
    EXPECT_EQ(Object(object), nullptr) << object;
  }
  EXPECT_EQ(m_scene->Program().BoxProperty(kChip.x, kChip.y, "mode"), "slow")
      << "an Escape commits nothing";
  EXPECT_FALSE(m_scene->Program().HasBox(kEmpty.x, kEmpty.y));
  EXPECT_EQ(Selected(), selected);
  EXPECT_TRUE(m_closedBy.empty());
  // "いいえ": the window closes, as the window system asked.
  ClickObject("cancel");
  EXPECT_EQ(m_closedBy, (std::vector<WPARAM>{kCloseConfirmed}));
}

TEST_P(CloseRequestTest, WithNothingUnsavedTheProgramEndsAtOnce) {
  Open(GetParam());
  CloseButton();
  EXPECT_EQ(m_closedBy, (std::vector<WPARAM>{0}));
  EXPECT_EQ(std::count(m_scene->requests.begin(), m_scene->requests.end(),
                       OverlayRequest{"command", {kActionConfirm}}),
            0);
}

std::string OpenedName(const ::testing::TestParamInfo<Opened>& info) {
  const char* const names[] = {"Palette", "Property", "PropertyWithList", "Menu"};
  return names[static_cast<int>(info.param)];
}

INSTANTIATE_TEST_SUITE_P(Windows, CloseRequestTest,
                         ::testing::Values(Opened::kPalette, Opened::kProperty,
                                           Opened::kPropertyWithList, Opened::kMenu),
                         OpenedName);

TEST_F(OverlayBackdropTest, AQuestionStaysUntilAnsweredAndTheCloseAsksAfterIt) {
  Place({4, 0}, "pick");
  // The question about the program that Escape would leave stays; the
  // close request asks once it has been answered.
  Key(VK_ESCAPE);
  ASSERT_NE(dynamic_cast<CConfirmationWindow*>(m_scene->Overlay()), nullptr);
  CloseButton();
  EXPECT_NE(dynamic_cast<CConfirmationWindow*>(m_scene->Overlay()), nullptr);
  EXPECT_TRUE(m_closedBy.empty());
  Key(VK_ESCAPE);  // keep the program
  ASSERT_EQ(m_scene->Overlay(), nullptr);
  Frame();
  EXPECT_NE(dynamic_cast<CConfirmationWindow*>(m_scene->Overlay()), nullptr)
      << "the close request asks now";
}

// Windows that changed nothing leave the title without "*".
TEST_F(OverlayBackdropTest, TheMarkComesOnlyFromWhatAWindowChanged) {
  const std::string clean = "PELU BLOCK - [newfile]";
  ASSERT_EQ(Title(), clean);
  OpenPalette();
  Key(VK_ESCAPE);
  Frame();
  EXPECT_EQ(Title(), clean) << "a palette closed by Escape";
  Open(Opened::kProperty);
  ClickObject("update");  // OK with the values as they were
  Frame();
  EXPECT_EQ(m_scene->Overlay(), nullptr);
  EXPECT_EQ(Title(), clean) << "a property window committed unchanged";
  Open(Opened::kMenu);
  Key(VK_ESCAPE);
  Frame();
  EXPECT_EQ(Title(), clean) << "a menu closed by Escape";
  EXPECT_FALSE(m_scene->HasUnsavedChanges());

  // The palette's chip is a change, and so is a new value.
  OpenPalette();
  ClickObject("chipbar-0");
  Frame();
  EXPECT_TRUE(m_scene->Program().HasBox(kEmpty.x, kEmpty.y));
  EXPECT_EQ(Title(), clean + "*");
  Settle();
  m_scene->UpdateTitle();
  Open(Opened::kPropertyWithList);
  ClickAt(ObjectCentre("list-row1"));
  ClickAt(ObjectCentre("update"));
  Frame();
  EXPECT_EQ(m_scene->Program().BoxProperty(kChip.x, kChip.y, "mode"), "fast");
  EXPECT_EQ(Title(), clean + "*");
}

}  // namespace
}  // namespace editor_test
