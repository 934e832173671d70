// The windows edit through the editor's document: the palette's chip with its
// defaults and the property window's values are one action each, and nothing
// else changes the program.
#include <string>
#include <vector>

#include "editor/document_observer.h"
#include "program/program_file.h"
#include "window_fixture.h"

namespace editor_test {
namespace {

using Actions = std::vector<SeenAction>;

class DocumentEditsTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    m_extraSettings = "ChipCreateDisplayNum=3\r\n";
    StartEditor();
    m_scene->Document().AddObserver(&m_observer);
    m_observer.Remember(m_scene->Document());
  }
  void TearDown() override {
    m_scene->Document().RemoveObserver(&m_observer);
    WindowTest::TearDown();
  }
  // Opens the window that the last request asked for, as the editor would.
  void OpenRequested() {
    ASSERT_FALSE(m_scene->requests.empty());
    const OverlayRequest request = m_scene->requests.back();
    const std::vector<int>& a = request.arguments;
    if (request.kind == "palette") {
      m_scene->CEditorScene::OpenPalette(a[0], a[1], a[2], a[3]);
    } else {
      ASSERT_EQ(request.kind, "property");
      m_scene->CEditorScene::OpenPropertyWindow(a[0], a[1]);
    }
    ASSERT_NE(m_scene->Overlay(), nullptr);
    Frame();
  }

  CountingObserver m_observer;
};

TEST_F(DocumentEditsTest, PaletteAndPropertyWindowEditThroughOneActionEach) {
  Click(CellPoint({2, 2}));
  OpenRequested();
  ClickAt(ObjectCentre("chipbar-1"));
  ASSERT_EQ(m_scene->Overlay(), nullptr);
  ASSERT_EQ(Id({2, 2}), kWalk);
  EXPECT_EQ(m_observer.actions, (Actions{{EditKind::kPlaceChip, true}}));

  // Looking at the properties and cancelling is no action.
  Click(CellPoint({2, 2}));
  Click(CellPoint({2, 2}));
  OpenRequested();
  Key(VK_ESCAPE);
  ASSERT_EQ(m_scene->Overlay(), nullptr);
  EXPECT_EQ(m_observer.actions.size(), 1u);

  Click(CellPoint({2, 2}));
  OpenRequested();
  ClickAt(ObjectCentre("row0"));
  Key('7');
  Key(VK_RETURN);
  ASSERT_EQ(m_scene->Overlay(), nullptr);
  EXPECT_EQ(m_scene->Program().BoxProperty(2, 2, "speed"), "7");
  EXPECT_EQ(m_observer.actions,
            (Actions{{EditKind::kPlaceChip, true}, {EditKind::kSetProperties, true}}));
  EXPECT_FALSE(m_observer.ChangedOutsideActions(m_scene->Document()));
}

// The windows' edits are steps of the history like the editor's own: Ctrl+Z
// takes the property window's values back to all the chips at once, then
// the palette's chip.
TEST_F(DocumentEditsTest, UndoTakesBackThePropertyWindowAndThePaletteOneStepEach) {
  auto bytes = [&] { return FormatBlockProgram(m_scene->Program()); };
  auto ctrl = [&](int vk) {
    Hold(VK_CONTROL, true);
    Key(vk);
    Hold(VK_CONTROL, false);
    Frame();
  };
  const std::string empty = bytes();
  Click(CellPoint({2, 2}));
  OpenRequested();
  ClickAt(ObjectCentre("chipbar-1"));
  ASSERT_EQ(Id({2, 2}), kWalk);
  Frame();
  const std::string placed = bytes();
  Click(CellPoint({2, 2}));
  Click(CellPoint({2, 2}));
  OpenRequested();
  ClickAt(ObjectCentre("row0"));
  Key('7');
  Key(VK_RETURN);
  ASSERT_EQ(m_scene->Program().BoxProperty(2, 2, "speed"), "7");
  Frame();
  const std::string edited = bytes();
  ctrl('Z');
  EXPECT_EQ(bytes(), placed);
  ctrl('Z');
  EXPECT_EQ(bytes(), empty);
  ctrl('Y');
  ctrl('Y');
  EXPECT_EQ(bytes(), edited);
}

}  // namespace
}  // namespace editor_test
