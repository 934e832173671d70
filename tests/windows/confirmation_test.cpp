// The question before unsaved changes are thrown away: every action that
// would lose them (Escape, New, Open, closing the window) with every answer.
#include <algorithm>
#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "foundation/scene.h"
#include "foundation/texts.h"
#include "window_fixture.h"

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
    m_scene->SetModified(1);
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
  // A press marks the program modified ("*"), but has nothing to lose.
  Place({2, 2}, kWalk);
  Settle();
  m_scene->SetModified(1);
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

TEST_F(ConfirmationTest, CloseWhileAnotherWindowIsOpenAsksOnceThatWindowHasGone) {
  Edit(false);
  m_scene->OpenMenu(300, 200);
  CloseButton();
  EXPECT_TRUE(m_closedBy.empty());
  EXPECT_NE(Object("list-row0"), nullptr);  // the menu stays until it is done
  Key(VK_ESCAPE);
  Frame();
  ASSERT_TRUE(Asked());
  ClickObject("cancel");
  EXPECT_EQ(m_closedBy, (std::vector<WPARAM>{kCloseConfirmed}));
  EXPECT_EQ(TimesAsked(), 1);
}

}  // namespace
}  // namespace editor_test
