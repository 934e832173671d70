// A headless editor on a small skin, catalogue and setting.ini in a temporary
// directory, whose scene records the overlay windows it asks for.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "editor/editor_scene.h"
#include "platform/headless.h"
#include "platform/platform.h"
#include "platform/surface_view.h"
#include "program/block_program.h"
#include "shell/scene_manager.h"
#include "support/temp_dir.h"
#include "test_skin.h"

namespace editor_test {

// One overlay window that the editor asked for.
struct OverlayRequest {
  std::string kind;  // "palette", "property", "menu" or "command"
  std::vector<int> arguments;
  friend bool operator==(const OverlayRequest&, const OverlayRequest&) = default;
};
std::ostream& operator<<(std::ostream& out, const OverlayRequest& request);

// The command actions and menu commands as the tests name them.
inline constexpr int kActionOpen = static_cast<int>(CommandAction::kOpen);
inline constexpr int kActionSave = static_cast<int>(CommandAction::kSave);
inline constexpr int kActionSaveAs = static_cast<int>(CommandAction::kSaveAs);
inline constexpr int kActionConfirm = static_cast<int>(CommandAction::kConfirm);
inline constexpr int kActionTransfer = static_cast<int>(CommandAction::kTransfer);
inline constexpr MenuCommand kCommandNew = MenuCommand::kNew;
inline constexpr MenuCommand kCommandStorageCard = MenuCommand::kStorageCard;

class RecordingEditorScene : public CEditorScene {
 public:
  // Recovery files of an earlier run are offered only when a test asks for
  // it, so that no test meets another's.
  explicit RecordingEditorScene(COverlayFactory* windows = nullptr, bool offerRecovery = false)
      : CEditorScene(windows, Services(offerRecovery)) {}
  void OpenPalette(int cellX, int cellY, int windowX, int windowY) override {
    requests.push_back({"palette", {cellX, cellY, windowX, windowY}});
  }
  void OpenPropertyWindow(int x, int y) override { requests.push_back({"property", {x, y}}); }
  void OpenMenu(int x, int y) override { requests.push_back({"menu", {x, y}}); }
  void OpenCommandWindow(CommandAction action) override {
    requests.push_back({"command", {static_cast<int>(action)}});
  }

  std::vector<OverlayRequest> requests;

 private:
  static EditorServices Services(bool offerRecovery) {
    EditorServices services = ApplicationEditorServices();
    services.offerRecovery = [offerRecovery] { return offerRecovery; };
    return services;
  }
};

class EditorTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Writes the data files, makes display and registry and enters the editor;
  // tests change Settings or m_extra* before.
  void StartEditor();
  void WriteSettingIni(const std::string& extraLines = "");
  // The windows that the scene opens when a test calls its own overlay
  // operations; none in the editor's tests.
  virtual COverlayFactory* Windows() { return nullptr; }

  // Input, dispatched through the window procedure as the window would.
  void Frame() { Pumped(WM_APP_TICK); }
  void Frames(int count) {
    for (int i = 0; i < count; ++i) {
      Frame();
    }
  }
  void MoveTo(POINT p) { Pumped(platform::headless::MouseMove, p); }
  void LeftDown(POINT p) { Pumped(platform::headless::LeftDown, p); }
  void LeftUp(POINT p) { Pumped(platform::headless::LeftUp, p); }
  void RightDown(POINT p) { Pumped(platform::headless::RightDown, p); }
  void RightUp(POINT p) { Pumped(platform::headless::RightUp, p); }
  void Key(int vk) {
    platform::headless::KeyDown(vk);
    platform::headless::KeyUp(vk);
    platform::headless::PumpMessages();
  }
  void Hold(int vk, bool down) { platform::headless::SetKeyDown(vk, down); }  // Shift, Ctrl, Alt
  void Wait(DWORD milliseconds) { platform::headless::AdvanceTime(milliseconds); }
  // A left press, a wait and a release at the same point, with a frame after.
  void Click(POINT p, DWORD heldMs = 100);
  // A left drag from one point to another over a few frames, then released.
  void Drag(POINT from, POINT to, DWORD heldMs = 800);

  // Geometry and model.
  POINT CellTopLeft(Cell cell) {
    return m_scene->ScrollView().CellToScreen(cell.x, cell.y, CoordSpace::kScreen);
  }
  POINT CellPoint(Cell cell, int dx = 20, int dy = 20) {
    return POINT{CellTopLeft(cell).x + dx, CellTopLeft(cell).y + dy};
  }
  POINT ObjectCentre(const std::string& name);
  void Place(Cell cell, const std::string& id, const std::string& to = "");
  // Saves the program as it is, so that only later changes count as unsaved.
  void Settle() { ASSERT_TRUE(m_scene->SaveProgram("settled.bhb")); }
  std::string Id(Cell cell);
  std::string To(Cell c) { return m_scene->Program().BoxProperty(c.x, c.y, "to"); }
  const std::vector<Cell>& Selected() { return m_scene->SelectedCells(); }
  std::vector<std::string> Messages();  // the message log's lines, oldest first

  SurfaceView Presented() { return platform::headless::LastPresented(); }
  bool PixelIs(int x, int y, Rgb colour);
  // Pixels of the exact colour in a rectangle (right and bottom exclusive).
  int CountColour(const RECT& rect, Rgb colour);

  static LRESULT Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

  ScopedTempDir m_dir;
  std::unique_ptr<RecordingEditorScene> m_scene;
  // WM_APP_CHANGESCENE messages seen: (wParam, lParam).
  std::vector<std::pair<WPARAM, LPARAM>> m_sceneChanges;
  std::string m_extraSettings;   // appended to setting.ini
  std::string m_extraCatalogue;  // appended to ChipDB.txt
  SkinKind m_skinKind = SkinKind::kDesign;

 private:
  // Sends a mouse event at p, or posts a message, and handles what it queued.
  static void Pumped(void (*event)(int, int), POINT p) {
    event(p.x, p.y);
    platform::headless::PumpMessages();
  }
  static void Pumped(UINT message) {
    platform::PostMessage(platform::MainWindow(), message, 0, 0);
    platform::headless::PumpMessages();
  }
};

// The chip names of the test catalogue.
inline constexpr char kWalk[] = "walk";  // shortname W, summary "*S=;speed"
inline constexpr char kIf[] = "if";      // the branch chip
inline constexpr char kLoop[] = "loop";  // the loop chip

}  // namespace editor_test
