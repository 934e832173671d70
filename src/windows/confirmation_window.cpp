// The question about unsaved changes.
#include "windows/confirmation_window.h"

#include <algorithm>
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

// The room the layout leaves between the frame's edge, the question's line
// and the answers, where the frame has that much to spare.
constexpr int kMargin = 8;

RECT RectOf(int left, int top, SpriteSize size) {
  return RECT{left, top, left + size.width, top + size.height};
}

SpriteSize SizeOf(const CObjectRegistry& registry, const char* sprite) {
  return SpriteSize{registry.GetSymbolWidth(sprite), registry.GetSymbolHeight(sprite)};
}

void DrawCentred(CDisplay& display, const RECT& r, const char* text) {
  const int width = static_cast<int>(std::char_traits<char>::length(text)) * kPixelsPerByte;
  display.DrawText(r.left + (r.right - r.left - width) / 2,
                   r.top + (r.bottom - r.top - kTextHeight) / 2, kTextColour, kOutlineColour, "%s",
                   text);
}

}  // namespace

QuestionLayout LayOutQuestion(int screenWidth, int screenHeight, SpriteSize frame, SpriteSize yes,
                              SpriteSize no) {
  QuestionLayout layout{};
  const int centre = screenWidth / 2;
  const int left = centre - frame.width / 2;
  const int rowWidth = yes.width + no.width;
  const int rowHeight = std::max(yes.height, no.height);
  const int columnWidth = std::max(yes.width, no.width);
  const int spareInRow = frame.height - kTextHeight - rowHeight;
  const int spareInColumn = frame.height - kTextHeight - yes.height - no.height;
  if (rowWidth <= frame.width && spareInRow >= 0) {
    // Side by side at the bottom, the margins shrunk to what the frame spares.
    const int gap = std::min(kMargin, (frame.width - rowWidth) / 3);
    const int margin = std::min(kMargin, spareInRow / 3);
    layout.frame = RectOf(left, (screenHeight - frame.height) / 2, frame);
    const int top = layout.frame.bottom - margin - rowHeight;
    const int rowLeft = layout.frame.left + (frame.width - rowWidth - gap) / 2;
    layout.yes = RectOf(rowLeft, top, yes);
    layout.no = RectOf(rowLeft + yes.width + gap, top, no);
    layout.question = RECT{layout.frame.left, layout.frame.top, layout.frame.right, top - margin};
    return layout;
  }
  if (columnWidth <= frame.width && spareInColumn >= 0) {
    const int margin = std::min(kMargin, spareInColumn / 4);
    layout.frame = RectOf(left, (screenHeight - frame.height) / 2, frame);
    const int noTop = layout.frame.bottom - margin - no.height;
    const int yesTop = noTop - margin - yes.height;
    layout.yes = RectOf(centre - yes.width / 2, yesTop, yes);
    layout.no = RectOf(centre - no.width / 2, noTop, no);
    layout.question =
        RECT{layout.frame.left, layout.frame.top, layout.frame.right, yesTop - margin};
    return layout;
  }
  // The frame and the row under it, centred on the screen together.
  const int top = (screenHeight - frame.height - rowHeight) / 2;
  layout.frame = RectOf(left, top, frame);
  layout.question = layout.frame;
  layout.yes = RectOf(centre - yes.width, layout.frame.bottom, yes);
  layout.no = RectOf(centre, layout.frame.bottom, no);
  return layout;
}

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
  m_layout =
      LayOutQuestion(Settings.ScreenWidth, Settings.ScreenHeight, SizeOf(m_registry, kInfoSprite),
                     SizeOf(m_registry, kYesSprite), SizeOf(m_registry, kNoSprite));
  m_registry.CreateObject(kInfoObject, kInfoSprite, m_layout.frame.left, m_layout.frame.top);
  m_registry.CreateObject(kYesObject, kYesSprite, m_layout.yes.left, m_layout.yes.top);
  m_registry.CreateObject(kNoObject, kNoSprite, m_layout.no.left, m_layout.no.top);
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
  DrawCentred(m_display, m_layout.question,
              m_question != nullptr ? m_question : text::kAskSaveChanges);
  DrawCentred(m_display, m_layout.yes, text::kAnswerYes);
  DrawCentred(m_display, m_layout.no, text::kAnswerNo);
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
