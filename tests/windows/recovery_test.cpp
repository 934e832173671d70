// Unsaved work kept through a crash, as the editor does it: written to its
// recovery file 30 s (on the controlled clock) after a change, at once when
// the program is ended from outside, removed by a save, and offered back at
// the next start, where "はい" restores the very bytes as unsaved work.
#include <filesystem>
#include <string>
#include <vector>

#include "foundation/texts.h"
#include "program/program_file.h"
#include "recovery/autosave.h"
#include "recovery/recovery_store.h"
#include "window_fixture.h"

namespace {

using namespace editor_test;
namespace fs = std::filesystem;

class RecoveryTest : public WindowTest {
 protected:
  std::vector<std::string> RecoveryFiles() {
    std::vector<std::string> names;
    if (fs::is_directory(Abs("recovery"))) {
      for (const auto& entry : fs::directory_iterator(Abs("recovery"))) {
        names.push_back(entry.path().filename().string());
      }
    }
    return names;
  }
  // The program's bytes in the one recovery file there is.
  std::string Kept() {
    const std::vector<std::string> names = RecoveryFiles();
    if (names.size() != 1) {
      ADD_FAILURE() << names.size() << " recovery files";
      return "";
    }
    std::string text = m_dir.ReadFile("recovery/" + names[0]);
    recovery::RecoveryOffer offer;
    EXPECT_TRUE(recovery::ParseRecoveryFile(text, &offer));
    return offer.bytes;
  }
};

TEST_F(RecoveryTest, UnsavedWorkIsWrittenAfterThirtySecondsAndGoesWithTheSave) {
  StartLiveEditor();
  Frames(3);
  EXPECT_TRUE(RecoveryFiles().empty()) << "nothing unsaved, nothing kept";
  Place({1, 1}, kWalk);
  Frame();
  Wait(recovery::kAutosaveIntervalMs - 1000);
  Frame();
  EXPECT_TRUE(RecoveryFiles().empty()) << "written before its time";
  Wait(1100);
  Frame();
  EXPECT_EQ(Kept(), FormatBlockProgram(m_scene->Program()));

  // Another change is kept a further 30 s on; a save removes the file.
  Place({2, 1}, kWalk);
  Frame();  // frames come every 100 ms: the change is seen at once
  Wait(recovery::kAutosaveIntervalMs + 100);
  Frame();
  EXPECT_EQ(Kept(), FormatBlockProgram(m_scene->Program()));
  ASSERT_TRUE(m_scene->SaveProgram(Abs("mine.bhb")));
  m_scene->SetCurrentFileName(Abs("mine.bhb"));
  EXPECT_TRUE(RecoveryFiles().empty());
  Wait(recovery::kAutosaveIntervalMs + 100);
  Frame();
  EXPECT_TRUE(RecoveryFiles().empty()) << "a saved program needs no recovery file";
}

TEST_F(RecoveryTest, AnEndFromOutsideKeepsTheWorkAtOnceAndTheNextStartOffersItBack) {
  StartLiveEditor();
  Place({3, 2}, kWalk);
  m_scene->SetCurrentFileName(Abs("dance.bhb"));
  Frame();
  const std::string unsaved = FormatBlockProgram(m_scene->Program());
  // A SIGTERM or a window destroyed by another client.
  m_scene->HandleMessage(platform::MainWindow(), WM_ENDSESSION, 1, 1);
  EXPECT_EQ(Kept(), unsaved);
  m_scene.reset();
  ASSERT_EQ(RecoveryFiles().size(), 1u) << "the end from outside removed the work";

  // The next run: the question comes over the editor, and "はい" brings the
  // program back as it was, unsaved, under its own name.
  m_scene = std::make_unique<LiveEditorScene>(&m_windows, /*offerRecovery=*/true);
  ASSERT_EQ(m_scene->Enter(0), 1);
  Frame();
  ASSERT_NE(Object("update"), nullptr) << "no question was asked";
  ClickObject("update");
  Frames(2);
  EXPECT_EQ(FormatBlockProgram(m_scene->Program()), unsaved);
  EXPECT_EQ(m_scene->CurrentFileName(), Abs("dance.bhb"));
  EXPECT_TRUE(m_scene->HasUnsavedChanges());
  EXPECT_NE(platform::GetWindowText().find('*'), std::string::npos);

  // Saved now: the recovery file goes and nothing is offered again.
  ASSERT_TRUE(m_scene->SaveProgram(Abs("dance.bhb")));
  EXPECT_TRUE(RecoveryFiles().empty());
}

TEST_F(RecoveryTest, NoTwiceRemovesTheOfferAndAnsweringNoToTheSaveQuestionGivesTheWorkUp) {
  StartLiveEditor();
  Place({0, 1}, kWalk);
  m_scene->HandleMessage(platform::MainWindow(), WM_ENDSESSION, 1, 1);
  m_scene.reset();
  for (int start = 1; start <= 2; ++start) {
    SCOPED_TRACE(start);
    ASSERT_EQ(RecoveryFiles().size(), 1u);
    m_scene = std::make_unique<LiveEditorScene>(&m_windows, /*offerRecovery=*/true);
    ASSERT_EQ(m_scene->Enter(0), 1);
    Frame();
    ASSERT_NE(Object("cancel"), nullptr);
    ClickObject("cancel");
    Frame();
    EXPECT_FALSE(m_scene->Program().HasBox(0, 1)) << "declined, yet restored";
    m_scene.reset();
  }
  EXPECT_TRUE(RecoveryFiles().empty()) << "kept after the second no";

  // Work kept, then given up at the save question: nothing is left.
  m_scene = std::make_unique<LiveEditorScene>(&m_windows);
  ASSERT_EQ(m_scene->Enter(0), 1);
  Place({0, 2}, kWalk);
  Frame();
  Wait(recovery::kAutosaveIntervalMs + 100);
  Frame();
  ASSERT_EQ(RecoveryFiles().size(), 1u);
  CloseButton();
  ASSERT_NE(Object("cancel"), nullptr);
  ClickObject("cancel");
  Frames(2);
  EXPECT_TRUE(RecoveryFiles().empty());
}

}  // namespace
