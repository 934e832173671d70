// The question before unsaved changes are thrown away: every action that
// would lose them (Escape, New, Open, closing the window) with every answer.
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "foundation/scene.h"
#include "foundation/settings.h"
#include "foundation/texts.h"
#include "window_fixture.h"
#include "windows/confirmation_window.h"

namespace editor_test {
namespace {

using SceneChanges = std::vector<std::pair<WPARAM, LPARAM>>;

enum Trigger { kEscape, kNew, kOpen, kClose };
const char* const kTriggerNames[] = {"Escape", "New", "Open", "Close"};

// The answers, and whether the program had a file of its own before.
enum Answer { kYesNamed, kYesUnnamed, kYesCancelled, kYesFails, kNo, kEscapeKey, kEnterKey };
const struct {
  const char* name;
  bool named;
  bool goesOn;          // the action went through
  const char* message;  // the editor's one message, if any
  const char* savedTo;  // the file that holds the edit afterwards, if any
} kAnswers[] = {
    {"YesNamed", true, true, text::kSaved, "named.bhb"},
    {"YesUnnamed", false, true, nullptr, "fresh.bhb"},
    {"YesButTheSaveDialogIsCancelled", false, false, nullptr, nullptr},
    {"YesButTheFileCannotBeWritten", true, false, text::kSaveFailed, nullptr},
    {"No", true, true, nullptr, nullptr},
    {"EscapeKey", true, false, nullptr, nullptr},
    {"EnterKey", true, false, nullptr, nullptr},
};

class ConfirmationTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    StartLiveEditor();
    m_dir.WriteFile("other.bhb", "<box 5 5 walk>\r\n</box>\r\n");
  }

  // An unsaved edit, to a program from named.bhb when named.
  void Edit(bool named) {
    if (named) {
      m_dir.WriteFile("named.bhb", "old");
      m_scene->SetCurrentFileName(Abs("named.bhb"));
    }
    Place({2, 2}, kWalk);
  }

  void Start(Trigger trigger) {
    switch (trigger) {
      case kEscape:
        return Key(VK_ESCAPE);
      case kNew:
        m_scene->SetPendingCommand(kCommandNew);
        return Frame();
      case kOpen:
        return Key(VK_F1);
      case kClose:
        return CloseButton();
    }
  }
  void ScriptOpenDialog(Trigger trigger) {
    if (trigger == kOpen) {
      m_dialog.Choose(Abs("other.bhb"));
    }
  }

  long TimesAsked() {
    return std::count(m_scene->requests.begin(), m_scene->requests.end(),
                      OverlayRequest{"command", {kActionConfirm}});
  }
  bool Asked() {
    return !m_scene->requests.empty() &&
           m_scene->requests.back() == OverlayRequest{"command", {kActionConfirm}} &&
           Object("info") != nullptr;
  }
  bool QuestionGone() {
    return !m_scene->Overlay() && !Object("info") && !Object("update") && !Object("cancel");
  }

  void ExpectDone(Trigger trigger) {
    switch (trigger) {
      case kEscape:
        EXPECT_EQ(m_sceneChanges, (SceneChanges{{kSceneTitle, 2}}));
        break;
      case kNew:
        EXPECT_FALSE(m_scene->Program().HasBox(2, 2));
        EXPECT_EQ(m_scene->CurrentFileName(), "");
        EXPECT_EQ(platform::GetWindowText(), "PELU BLOCK - [newfile]");
        break;
      case kOpen:
        EXPECT_FALSE(m_scene->Program().HasBox(2, 2));
        EXPECT_TRUE(m_scene->Program().HasBox(5, 5));
        EXPECT_EQ(m_scene->CurrentFileName(), Abs("other.bhb"));
        break;
      case kClose:
        EXPECT_EQ(m_closedBy, (std::vector<WPARAM>{kCloseConfirmed}));
        break;
    }
  }
  // Nothing was thrown away, and the program still counts as unsaved.
  void ExpectKept() {
    EXPECT_TRUE(QuestionGone());
    EXPECT_TRUE(m_scene->Program().HasBox(2, 2));
    EXPECT_EQ(m_scene->IsModified(), 1);
    EXPECT_TRUE(m_sceneChanges.empty());
    EXPECT_TRUE(m_closedBy.empty());
  }
};

TEST_F(ConfirmationTest, CloseWithoutUnsavedChangesAsksNothing) {
  // A click that only selects a chip changes nothing: no "*", nothing to
  // lose.
  Place({2, 2}, kWalk);
  Settle();
  m_scene->UpdateTitle();
  Click(CellPoint({2, 2}));
  ASSERT_EQ(Selected(), (std::vector<Cell>{{2, 2}}));
  EXPECT_EQ(platform::GetWindowText(), "PELU BLOCK - [newfile]");
  CloseButton();
  EXPECT_EQ(TimesAsked(), 0);
  EXPECT_EQ(m_closedBy, (std::vector<WPARAM>{0}));  // the window's own WM_CLOSE
}

class EveryAnswer : public ConfirmationTest,
                    public ::testing::WithParamInterface<std::tuple<Trigger, Answer>> {};
INSTANTIATE_TEST_SUITE_P(All, EveryAnswer,
                         ::testing::Combine(::testing::Values(kEscape, kNew, kOpen, kClose),
                                            ::testing::Values(kYesNamed, kYesUnnamed, kYesCancelled,
                                                              kYesFails, kNo, kEscapeKey,
                                                              kEnterKey)),
                         [](const auto& info) {
                           return std::string(kTriggerNames[std::get<0>(info.param)]) +
                                  kAnswers[std::get<1>(info.param)].name;
                         });

TEST_P(EveryAnswer, GoesOnOnlyOnceNothingUnsavedIsLost) {
  const auto [trigger, answer] = GetParam();
  const auto& expected = kAnswers[answer];
  Edit(expected.named);
  if (answer == kYesFails) {
    std::filesystem::remove(m_dir.Path() + "/named.bhb");
    std::filesystem::create_directory(m_dir.Path() + "/named.bhb");
  }
  Start(trigger);
  ASSERT_TRUE(Asked());
  EXPECT_TRUE(m_closedBy.empty());
  EXPECT_TRUE(m_sceneChanges.empty());

  if (answer == kYesUnnamed) {
    m_dialog.Choose(Abs("fresh"));
  } else if (answer == kYesCancelled) {
    m_dialog.Cancel();
  }
  if (expected.goesOn) {
    ScriptOpenDialog(trigger);
  }
  if (answer == kEscapeKey || answer == kEnterKey) {
    Key(answer == kEscapeKey ? VK_ESCAPE : VK_RETURN);
  } else {
    ClickObject(answer == kNo ? "cancel" : "update");
  }

  EXPECT_TRUE(m_dialog.Exhausted());
  if (answer == kYesUnnamed) {
    EXPECT_EQ(m_dialog.asked.at(0).mode, platform::FileDialogMode::kSave);
  }
  if (expected.savedTo != nullptr) {
    EXPECT_NE(m_dir.ReadFile(expected.savedTo).find("<box 2 2 walk>"), std::string::npos);
  } else if (expected.named && answer != kYesFails) {
    EXPECT_EQ(m_dir.ReadFile("named.bhb"), "old");
  }
  EXPECT_EQ(LastMessage(), expected.message != nullptr ? expected.message : "");
  EXPECT_LE(MessageCount(), 1);
  if (expected.goesOn) {
    ExpectDone(trigger);
    EXPECT_EQ(TimesAsked(), 1);
  } else {
    ExpectKept();
    Start(trigger);
    EXPECT_TRUE(Asked()) << "asked again next time";
  }
}

TEST_F(ConfirmationTest, TheQuestionIsDrawnAtOnceAndAnAnswerIsThePressPointOfAQuickOrStillClick) {
  Edit(false);
  Key(VK_ESCAPE);
  ASSERT_TRUE(Asked());
  EXPECT_TRUE(PixelIs(400, 300, kInfoPanel));
  MoveTo(ObjectCentre("cancel"));
  Frame();
  EXPECT_EQ(Sprite("cancel"), "property-row-cancel-hover");

  // Outside both answers: none.
  Click(POINT{300, 270});
  Click(POINT{100, 500});
  EXPECT_TRUE(Asked());
  EXPECT_TRUE(m_sceneChanges.empty());
  // Pressed on "no", released on "yes" quickly: "no".
  LeftDown(ObjectCentre("cancel"));
  Wait(300);
  LeftUp(ObjectCentre("update"));
  EXPECT_TRUE(QuestionGone());
  EXPECT_EQ(m_sceneChanges, (SceneChanges{{kSceneTitle, 2}}));
  EXPECT_EQ(MessageCount(), 0);  // nothing saved
}

TEST_F(ConfirmationTest, CloseWhileTheMenuIsOpenClosesItAndAsksAtOnce) {
  Edit(false);
  m_scene->OpenMenu(300, 200);
  ASSERT_NE(Object("list-row0"), nullptr);
  CloseButton();
  EXPECT_EQ(Object("list-row0"), nullptr);
  ASSERT_TRUE(Asked()) << "asked with no frame in between";
  EXPECT_TRUE(m_closedBy.empty());
  ClickObject("cancel");
  EXPECT_EQ(m_closedBy, (std::vector<WPARAM>{kCloseConfirmed}));
  EXPECT_EQ(TimesAsked(), 1);
}

RECT RectOf(const CScreenObject& object) {
  return RECT{static_cast<int>(object.x), static_cast<int>(object.y),
              static_cast<int>(object.x) + object.spriteWidth,
              static_cast<int>(object.y) + object.spriteHeight};
}
bool Inside(const RECT& inner, const RECT& outer) {
  return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
         inner.bottom <= outer.bottom;
}
bool Overlap(const RECT& a, const RECT& b) {
  return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}
std::string Describe(const RECT& r) {
  return "(" + std::to_string(r.left) + ", " + std::to_string(r.top) + ")-(" +
         std::to_string(r.right) + ", " + std::to_string(r.bottom) + ")";
}

// The answers lie inside the panel, apart, under a line for the question:
// with the test's skin (a skin of the old kind, without the generator's
// extras) and with the skin the generator ships.
TEST_F(ConfirmationTest, TheAnswersLieInsideTheQuestionsFrameInTheShippedAndAnOldSkin) {
  Edit(false);
  for (const char* skin : {"old", "shipped"}) {
    SCOPED_TRACE(skin);
    if (std::string(skin) == "shipped") {
      namespace fs = std::filesystem;
      fs::remove_all(m_dir.Path() + "/skin");
      fs::copy(fs::path(PELU_BINARY_DIR) / "run" / "skin", m_dir.Path() + "/skin",
               fs::copy_options::recursive);
      ASSERT_EQ(g_registry->LoadSkin("main"), 1);
      ASSERT_EQ(g_registry->GetSymbolWidth("property-row-update"), 150) << "not the shipped skin";
    }
    Key(VK_ESCAPE);
    ASSERT_TRUE(Asked());
    const RECT frame = RectOf(*Object("info"));
    const RECT yes = RectOf(*Object("update"));
    const RECT no = RectOf(*Object("cancel"));
    EXPECT_TRUE(Inside(yes, frame)) << Describe(yes) << " in " << Describe(frame);
    EXPECT_TRUE(Inside(no, frame)) << Describe(no) << " in " << Describe(frame);
    EXPECT_FALSE(Overlap(yes, no));
    EXPECT_GE(std::min(yes.top, no.top) - frame.top, 13) << "no room for the question's line";
    // Centred on the screen.
    EXPECT_EQ(frame.left + frame.right, Settings.ScreenWidth);
    EXPECT_LE(std::abs(frame.top + frame.bottom - Settings.ScreenHeight), 1);
    Key(VK_ESCAPE);
    ASSERT_TRUE(QuestionGone());
  }
}

TEST(QuestionLayoutTest, TheAnswersGoInARowOrAColumnInsideOrUnderAFrameTooSmall) {
  const SpriteSize button{100, 20};
  // Exactly room for the line and a row: no margins left.
  QuestionLayout l = LayOutQuestion(800, 600, {200, 33}, button, button);
  EXPECT_EQ(Describe(l.frame), "(300, 283)-(500, 316)");
  EXPECT_EQ(Describe(l.yes), "(300, 296)-(400, 316)");
  EXPECT_EQ(Describe(l.no), "(400, 296)-(500, 316)");
  EXPECT_EQ(Describe(l.question), "(300, 283)-(500, 296)");
  // Room to spare: margins and a gap, the row centred.
  l = LayOutQuestion(800, 600, {400, 80}, button, button);
  EXPECT_EQ(Describe(l.yes), "(296, 312)-(396, 332)");
  EXPECT_EQ(Describe(l.no), "(404, 312)-(504, 332)");
  EXPECT_EQ(Describe(l.question), "(200, 260)-(600, 304)");
  // One pixel too narrow for a row: one answer above the other.
  l = LayOutQuestion(800, 600, {199, 60}, button, button);
  EXPECT_TRUE(Inside(l.yes, l.frame) && Inside(l.no, l.frame));
  EXPECT_EQ(l.yes.left, l.no.left);
  EXPECT_LE(l.yes.bottom, l.no.top);
  EXPECT_LE(l.question.bottom, l.yes.top);
  EXPECT_GE(l.question.bottom - l.question.top, 13);
  // Too small for either: directly under the frame, as a row.
  l = LayOutQuestion(800, 600, {199, 52}, button, button);
  EXPECT_EQ(Describe(l.frame), "(301, 264)-(500, 316)");
  EXPECT_EQ(Describe(l.yes), "(300, 316)-(400, 336)");
  EXPECT_EQ(Describe(l.no), "(400, 316)-(500, 336)");
  EXPECT_EQ(Describe(l.question), Describe(l.frame));
}

}  // namespace
}  // namespace editor_test
