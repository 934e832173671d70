#include "editor_fixture.h"

#include <algorithm>
#include <cstdint>
#include <ostream>

#include "display/display.h"
#include "display/object_registry.h"
#include "foundation/settings.h"

namespace editor_test {
namespace {
EditorTest* g_current = nullptr;
}  // namespace

std::ostream& operator<<(std::ostream& out, const OverlayRequest& request) {
  out << request.kind;
  for (int argument : request.arguments) {
    out << " " << argument;
  }
  return out;
}

void EditorTest::SetUp() {
  g_current = this;
  Settings = SettingsData{};
  Settings.IfChipID = kIf;
  Settings.IfChipTrueID = "true";
  Settings.IfChipFalseID = "false";
  Settings.LoopChipID = kLoop;
  Settings.LoopChipTrueID = "ltrue";
  Settings.LoopChipFalseID = "lfalse";
}

void EditorTest::TearDown() {
  m_scene.reset();
  delete g_registry;
  g_registry = nullptr;
  delete g_display;
  g_display = nullptr;
  platform::Shutdown();
  Settings = SettingsData{};
  g_current = nullptr;
}

void EditorTest::WriteSettingIni(const std::string& extraLines) {
  m_dir.WriteFile("setting.ini",
                  "[general]\r\nScrollBarWidthPercent=50\r\nScrollBarHeightPercent=50\r\n"
                  "MinSliderWidth=30\r\nMinSliderHeight=30\r\n" +
                      extraLines);
}

void EditorTest::StartEditor() {
  WriteSettingIni(m_extraSettings);
  WriteTestSkin(m_dir.Path(), m_skinKind);
  WriteTestCatalogue(m_dir.Path(), m_extraCatalogue);
  platform::StartHeadless(Settings.ScreenWidth, Settings.ScreenHeight);
  platform::SetWindowProc(&EditorTest::Procedure);
  g_display = new CDisplay();
  ASSERT_EQ(g_display->Init(DisplaySettingsFrom(Settings)), 1);
  g_registry = new CObjectRegistry();
  m_scene = std::make_unique<RecordingEditorScene>(Windows());
  ASSERT_EQ(m_scene->Enter(0), 1);
}

LRESULT EditorTest::Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_APP_CHANGESCENE) {
    g_current->m_sceneChanges.emplace_back(wParam, lParam);
    return 1;
  }
  if (g_current->m_scene) {
    return g_current->m_scene->HandleMessage(hwnd, message, wParam, lParam);
  }
  return 0;
}

void EditorTest::Click(POINT p, DWORD heldMs) {
  LeftDown(p);
  Frame();
  Wait(heldMs);
  LeftUp(p);
  Frame();
}

void EditorTest::Drag(POINT from, POINT to, DWORD heldMs) {
  LeftDown(from);
  Frame();
  MoveTo(POINT{(from.x + to.x) / 2, (from.y + to.y) / 2});
  Frame();
  Wait(heldMs);
  MoveTo(to);
  Frame();
  LeftUp(to);
  Frame();
}

POINT EditorTest::ObjectCentre(const std::string& name) {
  const CScreenObject* object = g_registry->Find(name);
  if (object == nullptr) {
    ADD_FAILURE() << "no object " << name;
    return POINT{};
  }
  return POINT{static_cast<int>(object->x) + object->hitWidth / 2,
               static_cast<int>(object->y) + object->hitHeight / 2};
}

void EditorTest::Place(Cell cell, const std::string& id, const std::string& to) {
  CEditorDocument::CAction action = m_scene->Document().Begin(EditKind::kPlaceChip);
  action.AddBox(cell.x, cell.y, id);
  if (!to.empty()) {
    action.SetBoxProperty(cell.x, cell.y, "to", to);
  }
}

std::string EditorTest::Id(Cell cell) {
  const CBlockProgram& program = m_scene->Program();
  return program.HasBox(cell.x, cell.y) ? program.BoxProperty(cell.x, cell.y, "id") : "(empty)";
}

std::vector<std::string> EditorTest::Messages() {
  std::vector<std::string> texts;
  for (const auto& line : m_scene->MessageLog().Lines()) {
    texts.push_back(line.text);
  }
  return texts;
}

bool EditorTest::PixelIs(int x, int y, Rgb colour) {
  const SurfaceView view = Presented();
  if (!view.Contains(x, y)) {
    ADD_FAILURE() << "pixel (" << x << ", " << y << ") outside the frame";
    return false;
  }
  return view.PixelAt(x, y) == MapRgb(view.format, colour.r, colour.g, colour.b);
}

int EditorTest::CountColour(const RECT& rect, Rgb colour) {
  const SurfaceView view = Presented();
  const std::uint32_t want = MapRgb(view.format, colour.r, colour.g, colour.b);
  int count = 0;
  for (int y = std::max(rect.top, 0); y < std::min(rect.bottom, view.height); ++y) {
    for (int x = std::max(rect.left, 0); x < std::min(rect.right, view.width); ++x) {
      count += view.PixelAt(x, y) == want ? 1 : 0;
    }
  }
  return count;
}

}  // namespace editor_test
