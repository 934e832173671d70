// The question about unsaved changes.
#include "windows/confirmation_window.h"

#include <string>
#include <utility>

#include "display/display.h"
#include "display/object_registry.h"
#include "editor/editor_document.h"
#include "foundation/settings.h"
#include "foundation/texts.h"
#include "platform/platform.h"

namespace {

// The question's objects and their sprites.
constexpr char kInfoObject[] = "info";
constexpr char kYesObject[] = "update";
constexpr char kNoObject[] = "cancel";
constexpr char kInfoSprite[] = "property-row-info";
constexpr char kYesSprite[] = "property-row-update";
constexpr char kNoSprite[] = "property-row-cancel";
constexpr char kHoverSuffix[] = "-hover";

constexpr COLORREF kTextColour = 0xFFFFFF;
constexpr COLORREF kOutlineColour = 0x404040;
// The display cannot measure a text. In the 12-pixel gothic that Japanese
// texts are drawn in, every CP932 byte is 6 pixels wide (a double-byte
// character 12), and a line is 13 pixels high with its outline: close enough
// to centre the question and the answers.
constexpr int kPixelsPerByte = 6;
constexpr int kTextHeight = 13;

RECT RectAt(const CObjectRegistry& registry, int left, int top, const char* sprite) {
  return RECT{left, top, left + registry.GetSymbolWidth(sprite),
              top + registry.GetSymbolHeight(sprite)};
}

void DrawCentred(CDisplay& display, const RECT& r, const char* text) {
  const int width = static_cast<int>(std::char_traits<char>::length(text)) * kPixelsPerByte;
  display.DrawText(r.left + (r.right - r.left - width) / 2,
                   r.top + (r.bottom - r.top - kTextHeight) / 2, kTextColour, kOutlineColour, "%s",
                   text);
}

}  // namespace

CConfirmationWindow::CConfirmationWindow(CEditorHost& host,
                                         std::function<void(ConfirmAnswer)> onAnswer,
                                         const char* question)
    : CCommandWindow(host), m_onAnswer(std::move(onAnswer)), m_question(question) {}

void CConfirmationWindow::Start() {
  if (m_question == nullptr && !Host().Document().HasUnsavedChanges()) {
    // Nothing to lose: the editor goes on without a question.
    Answer(ConfirmAnswer::kDiscard);
    return;
  }
  // The panel with the question, and the two answers side by side under it,
  // centred on the screen together.
  const int infoWidth = m_registry.GetSymbolWidth(kInfoSprite);
  const int infoHeight = m_registry.GetSymbolHeight(kInfoSprite);
  const int answerHeight = m_registry.GetSymbolHeight(kYesSprite);
  const int top = (Settings.ScreenHeight - infoHeight - answerHeight) / 2;
  const int centre = Settings.ScreenWidth / 2;
  m_info = RectAt(m_registry, centre - infoWidth / 2, top, kInfoSprite);
  m_yes = RectAt(m_registry, centre - m_registry.GetSymbolWidth(kYesSprite), top + infoHeight,
                 kYesSprite);
  m_no = RectAt(m_registry, centre, top + infoHeight, kNoSprite);
  m_registry.CreateObject(kInfoObject, kInfoSprite, m_info.left, m_info.top);
  m_registry.CreateObject(kYesObject, kYesSprite, m_yes.left, m_yes.top);
  m_registry.CreateObject(kNoObject, kNoSprite, m_no.left, m_no.top);
  m_questionShown = true;
  Update();
}

void CConfirmationWindow::Release() {
  if (m_questionShown) {
    for (const char* name : {kInfoObject, kYesObject, kNoObject}) {
      m_registry.RemoveObject(name);
    }
    m_questionShown = false;
  }
}

LRESULT CConfirmationWindow::HandleMessage(HWND /*hwnd*/, UINT message, WPARAM wParam,
                                           LPARAM lParam) {
  const POINT p{GetXLParam(lParam), GetYLParam(lParam)};
  switch (message) {
    case WM_APP_TICK:
      Update();
      return 1;
    case WM_KEYDOWN:
      if (wParam == VK_RETURN || wParam == VK_ESCAPE) {
        Answer(ConfirmAnswer::kKeep);
        return 1;
      }
      return 0;
    case WM_MOUSEMOVE:
      if (m_questionShown) {
        HoverAnswers(p.x, p.y);
        return 1;
      }
      return 0;
    case WM_LBUTTONDOWN:
      if (m_questionShown) {
        m_pressPoint = p;
        m_pressTime = platform::TimeGetTime();
        m_buttonDown = true;
        return 1;
      }
      return 0;
    case WM_LBUTTONUP:
      if (m_questionShown && m_buttonDown) {
        m_buttonDown = false;
        if (IsClickRelease(m_pressPoint, m_pressTime, p)) {
          ClickQuestion(m_pressPoint);
        }
        return 1;
      }
      return 0;
    default:
      return 0;
  }
}

void CConfirmationWindow::Update() {
  m_display.RestoreScreen();
  if (m_questionShown) {
    DrawQuestion();
  }
  Log().Draw(m_display);
  m_display.Present();
}

void CConfirmationWindow::DrawQuestion() {
  for (const char* name : {kInfoObject, kYesObject, kNoObject}) {
    m_registry.Draw(name);
  }
  DrawCentred(m_display, m_info, m_question != nullptr ? m_question : text::kAskSaveChanges);
  DrawCentred(m_display, m_yes, text::kAnswerYes);
  DrawCentred(m_display, m_no, text::kAnswerNo);
}

void CConfirmationWindow::HoverAnswers(int x, int y) {
  const struct {
    const char* object;
    const char* sprite;
  } answers[] = {{kYesObject, kYesSprite}, {kNoObject, kNoSprite}};
  for (const auto& a : answers) {
    const bool on = m_registry.IsOnSymbol(a.object, x, y) != 0;
    m_registry.ChangeSymbol(a.object, on ? std::string(a.sprite) + kHoverSuffix : a.sprite);
  }
}

void CConfirmationWindow::ClickQuestion(POINT p) {
  if (m_registry.IsOnSymbol(kYesObject, p.x, p.y)) {
    // The question goes before a save dialog comes up over the editor.
    m_display.RestoreScreen();
    m_display.Present();
    Answer(ConfirmAnswer::kSave);
  } else if (m_registry.IsOnSymbol(kNoObject, p.x, p.y)) {
    Answer(ConfirmAnswer::kDiscard);
  }
}

void CConfirmationWindow::Answer(ConfirmAnswer answer) {
  // Close ends the window's part; the callback is the editor's, and must not
  // live in the window while the editor goes on.
  std::function<void(ConfirmAnswer)> onAnswer = std::move(m_onAnswer);
  Close();
  if (onAnswer) {
    onAnswer(answer);
  }
}
