// The headless editor of tests/editor with the real menu and command windows
// behind it, a scripted file dialog in zenity's place, and a window
// procedure that notes when the main window would close.
#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "display/object_registry.h"
#include "editor/editor_fixture.h"
#include "platform/dialog.h"
#include "platform/headless.h"
#include "platform/platform.h"

namespace editor_test {

// Records what the editor asks for, and opens the menu and the command
// windows for real.
class LiveEditorScene : public RecordingEditorScene {
 public:
  void OpenMenu(int x, int y) override {
    RecordingEditorScene::OpenMenu(x, y);
    CEditorScene::OpenMenu(x, y);
  }
  void OpenCommandWindow(int action) override {
    RecordingEditorScene::OpenCommandWindow(action);
    CEditorScene::OpenCommandWindow(action);
  }
};

// Answers the file dialogs from a script, in order, and records how each was
// asked. An answer that the script does not have is a test failure.
class ScriptedDialog {
 public:
  ScriptedDialog() {
    platform::SetFileDialogHandler(
        [this](const platform::FileDialogOptions& options) { return Answer(options); });
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
  // Runs while the dialog is open, before it answers.
  std::function<void()> whileOpen;

 private:
  platform::FileDialogResult Answer(const platform::FileDialogOptions& options) {
    asked.push_back(options);
    if (whileOpen) {
      whileOpen();
    }
    if (m_answers.empty()) {
      ADD_FAILURE() << "a file dialog that the test did not expect";
      return {};
    }
    platform::FileDialogResult answer = m_answers.front();
    m_answers.pop_front();
    return answer;
  }

  std::deque<platform::FileDialogResult> m_answers;
};

class CommandTest : public EditorTest {
 protected:
  // The editor with the real windows. Tests set Settings and m_extraSettings
  // before, as for StartEditor.
  void StartLiveEditor() {
    StartEditor();
    m_scene = std::make_unique<LiveEditorScene>();
    ASSERT_EQ(m_scene->Enter(0), 1);
    s_current = this;
    platform::SetWindowProc(&CommandTest::Procedure);
    Frame();
  }

  std::string LastMessage() {
    const auto& lines = m_scene->MessageLog().Lines();
    return lines.empty() ? std::string() : lines.back().text;
  }
  int MessageCount() { return static_cast<int>(m_scene->MessageLog().Lines().size()); }

  // A click at the centre of a screen object, quick enough to count.
  void ClickObject(const std::string& name) { Click(ObjectCentre(name), 100); }
  const CScreenObject* Object(const std::string& name) { return g_registry->Find(name); }

  // The main window's close button, as the window delivers it.
  void CloseButton() {
    platform::PostMessage(platform::MainWindow(), WM_CLOSE, 0, 0);
    platform::headless::PumpMessages();
  }

  // WM_CLOSE messages that nobody handled, so that the main window would
  // have been destroyed, with their wParam.
  std::vector<WPARAM> m_closedBy;
  ScriptedDialog m_dialog;

 private:
  static LRESULT Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    const LRESULT result = EditorTest::Procedure(hwnd, message, wParam, lParam);
    if (message == WM_CLOSE && result == 0) {
      s_current->m_closedBy.push_back(wParam);
    }
    return result;
  }
  static inline CommandTest* s_current = nullptr;
};

}  // namespace editor_test
