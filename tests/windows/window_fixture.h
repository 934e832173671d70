// The headless editor of tests/editor with the real overlay windows, a
// scripted file dialog and a note of when the main window would close.
#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "display/object_registry.h"
#include "editor/editor_fixture.h"
#include "platform/dialog.h"
#include "platform/headless.h"
#include "platform/platform.h"
#include "program/block_program.h"
#include "windows/window_factory.h"

namespace editor_test {

// Which windows the live editor opens itself; tests of the palette and the
// property window open those by hand where they want them.
enum class LiveWindows { kMenuAndCommands, kEvery };

// Records what the editor asks for, and opens the menu and command windows
// (and the palette and the property window too when told to).
class LiveEditorScene : public RecordingEditorScene {
 public:
  explicit LiveEditorScene(COverlayFactory* windows, bool offerRecovery = false,
                           LiveWindows live = LiveWindows::kMenuAndCommands)
      : RecordingEditorScene(windows, offerRecovery), m_live(live) {}

  void OpenPalette(int cellX, int cellY, int windowX, int windowY) override {
    RecordingEditorScene::OpenPalette(cellX, cellY, windowX, windowY);
    if (m_live == LiveWindows::kEvery) {
      CEditorScene::OpenPalette(cellX, cellY, windowX, windowY);
    }
  }
  void OpenPropertyWindow(int x, int y) override {
    RecordingEditorScene::OpenPropertyWindow(x, y);
    if (m_live == LiveWindows::kEvery) {
      CEditorScene::OpenPropertyWindow(x, y);
    }
  }
  void OpenMenu(int x, int y) override {
    RecordingEditorScene::OpenMenu(x, y);
    CEditorScene::OpenMenu(x, y);
  }
  void OpenCommandWindow(CommandAction action) override {
    RecordingEditorScene::OpenCommandWindow(action);
    CEditorScene::OpenCommandWindow(action);
  }

 private:
  LiveWindows m_live;
};

// Answers the file dialogs from a script, in order, and records how each was
// asked; an unscripted dialog fails the test.
class ScriptedDialog {
 public:
  ScriptedDialog() {
    platform::SetFileDialogHandler([this](const platform::FileDialogOptions& options) {
      asked.push_back(options);
      if (whileOpen) {
        whileOpen();
      }
      if (m_answers.empty()) {
        ADD_FAILURE() << "a file dialog that the test did not expect";
        return platform::FileDialogResult{};
      }
      const platform::FileDialogResult answer = m_answers.front();
      m_answers.pop_front();
      return answer;
    });
  }
  ~ScriptedDialog() { platform::SetFileDialogHandler(nullptr); }
  ScriptedDialog(const ScriptedDialog&) = delete;
  ScriptedDialog& operator=(const ScriptedDialog&) = delete;

  void Choose(const std::string& path) {
    m_answers.push_back({platform::FileDialogStatus::kChosen, path, ""});
  }
  void Cancel() { m_answers.push_back({platform::FileDialogStatus::kCancelled, "", ""}); }
  void Unavailable() {
    m_answers.push_back({platform::FileDialogStatus::kUnavailable, "", "scripted: no zenity"});
  }
  bool Exhausted() const { return m_answers.empty(); }

  std::vector<platform::FileDialogOptions> asked;
  std::function<void()> whileOpen;  // runs before the dialog answers

 private:
  std::deque<platform::FileDialogResult> m_answers;
};

class WindowTest : public EditorTest {
 protected:
  using Properties = std::vector<std::pair<std::string, std::string>>;

  void StartLiveEditor(LiveWindows live = LiveWindows::kMenuAndCommands) {
    StartEditor();
    m_scene = std::make_unique<LiveEditorScene>(&m_windows, false, live);
    ASSERT_EQ(m_scene->Enter(0), 1);
    s_current = this;
    platform::SetWindowProc(&WindowTest::Procedure);
    Frame();
  }

  COverlayFactory* Windows() override { return &m_windows; }

  std::string Abs(const std::string& name) { return m_dir.Path() + "/" + name; }
  void ClickAt(POINT p) {  // press and release at once
    LeftDown(p);
    LeftUp(p);
  }
  void ClickObject(const std::string& name) { Click(ObjectCentre(name)); }
  const CScreenObject* Object(const std::string& name) { return g_registry->Find(name); }
  std::string Sprite(const std::string& name) {
    return Object(name) ? Object(name)->sprite : "(none)";
  }
  POINT Corner(const std::string& name) {
    const CScreenObject* object = Object(name);
    return object ? POINT{static_cast<int>(object->x), static_cast<int>(object->y)} : POINT{-1, -1};
  }
  Properties BoxProperties(Cell cell) {
    const CBox* box = m_scene->Program().GetBox(cell.x, cell.y);
    return box ? box->Properties().ToVector() : Properties{};
  }

  std::string LastMessage() { return Messages().empty() ? "" : Messages().back(); }
  int MessageCount() { return static_cast<int>(Messages().size()); }

  void CloseButton() {
    platform::PostMessage(platform::MainWindow(), WM_CLOSE, 0, 0);
    platform::headless::PumpMessages();
  }

  // The wParam of each unhandled WM_CLOSE: the main window would have gone.
  std::vector<WPARAM> m_closedBy;
  ScriptedDialog m_dialog;
  CWindowFactory m_windows;

 private:
  static LRESULT Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    const LRESULT result = EditorTest::Procedure(hwnd, message, wParam, lParam);
    if (message == WM_CLOSE && result == 0) {
      s_current->m_closedBy.push_back(wParam);
    }
    return result;
  }
  static inline WindowTest* s_current = nullptr;
};

}  // namespace editor_test
