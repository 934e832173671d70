// The question before unsaved changes are thrown away: every action that
// would throw them away (Escape to the title, New, Open, closing the main
// window) with every answer, and the question's own screen.
#include <filesystem>
#include <string>
#include <vector>

#include "app/scene.h"
#include "app/texts.h"
#include "program/block_program.h"
#include "window_fixture.h"

namespace editor_test {
namespace {

namespace fs = std::filesystem;
using Requests = std::vector<OverlayRequest>;
using SceneChanges = std::vector<std::pair<WPARAM, LPARAM>>;

enum class Trigger { kEscape, kNew, kOpen, kClose };

const char* NameOf(Trigger trigger) {
  switch (trigger) {
    case Trigger::kEscape:
      return "Escape";
    case Trigger::kNew:
      return "New";
    case Trigger::kOpen:
      return "Open";
    case Trigger::kClose:
      return "Close";
  }
  return "Unknown";
}

std::string TriggerName(const ::testing::TestParamInfo<Trigger>& info) {
  return NameOf(info.param);
}

void PrintTo(Trigger trigger, std::ostream* out) {
  *out << NameOf(trigger);
}

class ConfirmationTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    StartLiveEditor();
    m_dir.WriteFile("other.bhb", "<box 5 5 walk>\r\n</box>\r\n");
  }

  std::string Abs(const std::string& name) { return m_dir.Path() + "/" + name; }

  // An edit, which marks the program modified; with a name, the program
  // came from that file.
  void Edit(const std::string& fileName = "") {
    if (!fileName.empty()) {
      m_dir.WriteFile(fileName, "old");
      m_scene->SetCurrentFileName(Abs(fileName));
    }
    Place({2, 2}, kWalk);
    m_scene->SetModified(1);
  }

  void Start(Trigger trigger) {
    switch (trigger) {
      case Trigger::kEscape:
        Key(VK_ESCAPE);
        break;
      case Trigger::kNew:
        m_scene->SetPendingCommand(kCommandNew);
        Frame();
        break;
      case Trigger::kOpen:
        Key(VK_F1);
        break;
      case Trigger::kClose:
        CloseButton();
        break;
    }
  }

  // The answer to the open dialog that Open shows once it may go on.
  void ScriptOpenDialog(Trigger trigger) {
    if (trigger == Trigger::kOpen) {
      m_dialog.Choose(Abs("other.bhb"));
    }
  }

  bool Asked() {
    return !m_scene->requests.empty() &&
           m_scene->requests.back() == OverlayRequest{"command", {kActionConfirm}} &&
           m_scene->Overlay() != nullptr && Object("info") != nullptr;
  }
  int TimesAsked() {
    int count = 0;
    for (const OverlayRequest& r : m_scene->requests) {
      count += r == OverlayRequest{"command", {kActionConfirm}} ? 1 : 0;
    }
    return count;
  }
  POINT Corner(const std::string& name) {
    const CScreenObject* object = Object(name);
    return object != nullptr ? POINT{static_cast<int>(object->x), static_cast<int>(object->y)}
                             : POINT{-1, -1};
  }
  bool QuestionGone() {
    return m_scene->Overlay() == nullptr && Object("info") == nullptr &&
           Object("update") == nullptr && Object("cancel") == nullptr;
  }

  // The action went through.
  void ExpectDone(Trigger trigger) {
    switch (trigger) {
      case Trigger::kEscape:
        EXPECT_EQ(m_sceneChanges, (SceneChanges{{kSceneTitle, 2}}));
        break;
      case Trigger::kNew:
        EXPECT_FALSE(m_scene->Program().HasBox(2, 2));
        EXPECT_EQ(m_scene->CurrentFileName(), "");
        EXPECT_EQ(platform::GetWindowText(), "PELU BLOCK - [newfile]");
        break;
      case Trigger::kOpen:
        EXPECT_FALSE(m_scene->Program().HasBox(2, 2));
        EXPECT_TRUE(m_scene->Program().HasBox(5, 5));
        EXPECT_EQ(m_scene->CurrentFileName(), Abs("other.bhb"));
        break;
      case Trigger::kClose:
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
    EXPECT_TRUE(m_dialog.Exhausted());
  }
};

class EveryTrigger : public ConfirmationTest, public ::testing::WithParamInterface<Trigger> {};

INSTANTIATE_TEST_SUITE_P(AllTriggers, EveryTrigger,
                         ::testing::Values(Trigger::kEscape, Trigger::kNew, Trigger::kOpen,
                                           Trigger::kClose),
                         TriggerName);

TEST_P(EveryTrigger, WithoutUnsavedChangesNothingIsAsked) {
  Place({2, 2}, kWalk);
  ScriptOpenDialog(GetParam());
  Start(GetParam());
  EXPECT_EQ(TimesAsked(), 0);
  EXPECT_EQ(m_scene->Overlay(), nullptr);
  if (GetParam() == Trigger::kEscape) {
    EXPECT_EQ(m_sceneChanges, (SceneChanges{{kSceneTitle, 2}}));
  } else if (GetParam() == Trigger::kClose) {
    EXPECT_EQ(m_closedBy, (std::vector<WPARAM>{0}));  // the window's own WM_CLOSE
  } else {
    EXPECT_FALSE(m_scene->Program().HasBox(2, 2));
  }
  EXPECT_TRUE(m_dialog.Exhausted());
}

TEST_P(EveryTrigger, YesSavesToTheCurrentFileThenGoesOn) {
  Edit("named.bhb");
  Start(GetParam());
  ASSERT_TRUE(Asked());
  EXPECT_TRUE(m_closedBy.empty());
  EXPECT_TRUE(m_sceneChanges.empty());
  ScriptOpenDialog(GetParam());
  ClickObject("update");
  EXPECT_NE(m_dir.ReadFile("named.bhb").find("<box 2 2 walk>"), std::string::npos);
  EXPECT_EQ(m_scene->MessageLog().Lines().front().text, text::kSaved);
  ExpectDone(GetParam());
  EXPECT_TRUE(m_dialog.Exhausted());
  EXPECT_EQ(TimesAsked(), 1);
}

TEST_P(EveryTrigger, YesWithoutAFileNameAsksForOneThenGoesOn) {
  Edit();
  Start(GetParam());
  ASSERT_TRUE(Asked());
  m_dialog.Choose(Abs("fresh"));
  ScriptOpenDialog(GetParam());
  ClickObject("update");
  ASSERT_GE(m_dialog.asked.size(), 1u);
  EXPECT_EQ(m_dialog.asked[0].mode, platform::FileDialogMode::kSave);
  EXPECT_NE(m_dir.ReadFile("fresh.bhb").find("<box 2 2 walk>"), std::string::npos);
  ExpectDone(GetParam());
  EXPECT_TRUE(m_dialog.Exhausted());
}

TEST_P(EveryTrigger, YesWhoseSaveDoesNotHappenKeepsTheProgram) {
  // The save dialog is cancelled.
  Edit();
  Start(GetParam());
  ASSERT_TRUE(Asked());
  m_dialog.Cancel();
  ClickObject("update");
  ExpectKept();
  EXPECT_TRUE(m_scene->MessageLog().Lines().empty());

  // The file cannot be written.
  fs::create_directory(m_dir.Path() + "/named.bhb");
  m_scene->SetCurrentFileName(Abs("named.bhb"));
  Start(GetParam());
  ASSERT_TRUE(Asked());
  ClickObject("update");
  ExpectKept();
  ASSERT_EQ(m_scene->MessageLog().Lines().size(), 1u);
  EXPECT_EQ(m_scene->MessageLog().Lines()[0].text, text::kSaveFailed);
  EXPECT_EQ(TimesAsked(), 2);
}

TEST_P(EveryTrigger, NoGoesOnWithoutSaving) {
  Edit("named.bhb");
  Start(GetParam());
  ASSERT_TRUE(Asked());
  ScriptOpenDialog(GetParam());
  ClickObject("cancel");
  EXPECT_EQ(m_dir.ReadFile("named.bhb"), "old");
  EXPECT_TRUE(m_scene->MessageLog().Lines().empty());
  ExpectDone(GetParam());
  EXPECT_TRUE(m_dialog.Exhausted());
  EXPECT_EQ(TimesAsked(), 1);
}

TEST_P(EveryTrigger, EscapeOnTheQuestionKeepsTheProgramAndAsksAgainNextTime) {
  Edit("named.bhb");
  Start(GetParam());
  ASSERT_TRUE(Asked());
  Key(VK_ESCAPE);
  ExpectKept();
  EXPECT_EQ(m_dir.ReadFile("named.bhb"), "old");

  Start(GetParam());
  EXPECT_TRUE(Asked());
  EXPECT_EQ(TimesAsked(), 2);
}

// ---- The question's own screen -------------------------------------------------------

TEST_F(ConfirmationTest, TheQuestionIsCentredAndItsAnswersHover) {
  Edit();
  Key(VK_ESCAPE);
  ASSERT_TRUE(Asked());
  // Panel and answers, 100 pixels high together, centred on 800 x 600.
  EXPECT_EQ(Corner("info"), (POINT{200, 250}));
  EXPECT_EQ(Corner("update"), (POINT{400 - kPropertyRowWidth / 2, 330}));
  EXPECT_EQ(Corner("cancel"), (POINT{400, 330}));
  EXPECT_TRUE(PixelIs(200, 250, kInfoPanel));  // drawn at once, not a frame later
  EXPECT_TRUE(PixelIs(599, 329, kInfoPanel));
  EXPECT_TRUE(PixelIs(300, 349, kPropertyOk));
  EXPECT_TRUE(PixelIs(499, 349, kPropertyCancel));

  MoveTo(ObjectCentre("update"));
  Frame();
  EXPECT_EQ(Object("update")->sprite, "property-row-update-hover");
  EXPECT_EQ(Object("cancel")->sprite, "property-row-cancel");
  EXPECT_TRUE(PixelIs(300, 349, kPropertyOkHover));
  MoveTo(ObjectCentre("cancel"));
  Frame();
  EXPECT_TRUE(PixelIs(300, 349, kPropertyOk));
  EXPECT_TRUE(PixelIs(499, 349, kPropertyCancelHover));
  MoveTo(POINT{10, 10});
  Frame();
  EXPECT_EQ(CountColour(RECT{0, 0, 800, 600}, kPropertyOkHover) +
                CountColour(RECT{0, 0, 800, 600}, kPropertyCancelHover),
            0);
}

TEST_F(ConfirmationTest, AnAnswerIsThePressPointOfAQuickOrStillClick) {
  Edit();
  Key(VK_ESCAPE);
  ASSERT_TRUE(Asked());
  // Held too long and released elsewhere: no answer.
  LeftDown(ObjectCentre("update"));
  Wait(500);
  LeftUp(ObjectCentre("cancel"));
  Frame();
  // Outside both answers: no answer either.
  Click(POINT{300, 270});
  Click(POINT{100, 500});
  EXPECT_TRUE(Asked());
  EXPECT_TRUE(m_sceneChanges.empty());

  // Pressed on "no" and released on "yes" quickly: "no".
  LeftDown(ObjectCentre("cancel"));
  Wait(300);
  LeftUp(ObjectCentre("update"));
  EXPECT_TRUE(QuestionGone());
  EXPECT_EQ(m_sceneChanges, (SceneChanges{{kSceneTitle, 2}}));
  EXPECT_TRUE(m_scene->MessageLog().Lines().empty());  // nothing saved
}

TEST_F(ConfirmationTest, EnterOnTheQuestionCancelsLikeEscape) {
  Edit();
  CloseButton();
  ASSERT_TRUE(Asked());
  Key(VK_RETURN);
  ExpectKept();
}

TEST_F(ConfirmationTest, CloseWhileAnotherWindowIsOpenAsksOnceThatWindowHasGone) {
  Edit();
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

TEST_F(ConfirmationTest, AQuestionWithNothingToAskGoesStraightOn) {
  Place({2, 2}, kWalk);
  m_scene->OpenCommandWindow(kActionConfirm);
  EXPECT_EQ(m_scene->Overlay(), nullptr);
  EXPECT_EQ(Object("info"), nullptr);
  platform::headless::PumpMessages();
  EXPECT_EQ(m_sceneChanges, (SceneChanges{{kSceneTitle, 2}}));
}

}  // namespace
}  // namespace editor_test
