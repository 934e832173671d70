// Keeping unsaved work: when the autosave writes (on the controlled clock and
// the revision count), the recovery files it writes, what is offered at the
// next start, the two refusals, and files that are not what they claim.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <string>
#include <vector>

#include "foundation/settings.h"
#include "platform/file_system.h"
#include "platform/headless.h"
#include "platform/platform.h"
#include "program/program_file.h"
#include "program/program_settings.h"
#include "recovery/autosave.h"
#include "recovery/recovery_store.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using recovery::AutosaveAction;
using recovery::AutosaveState;
using recovery::AutosaveUrgency;
using recovery::CRecoveryStore;
using recovery::kAutosaveIntervalMs;
using recovery::RecoveryOffer;

// The editor's side of the autosave, as its frame would run it: the decision,
// then the write or removal it asks for.
struct Autosaver {
  AutosaveState state;
  std::vector<std::string> done;

  void Frame(DWORD now, std::uint64_t revision, std::uint64_t saved,
             AutosaveUrgency urgency = AutosaveUrgency::kOnTime, bool writeWorks = true) {
    const recovery::AutosaveStep step =
        recovery::DecideAutosave(state, now, revision, saved, urgency);
    state = step.state;
    if (step.action == AutosaveAction::kWrite) {
      done.push_back("write " + std::to_string(revision) + " at " + std::to_string(now));
      state = recovery::AfterWrite(state, now, revision, writeWorks);
    } else if (step.action == AutosaveAction::kRemove) {
      done.push_back("remove at " + std::to_string(now));
      state = recovery::AfterRemove();
    }
  }
};

TEST(AutosaveTest, AChangeIsWrittenThirtySecondsAfterItWasFirstSeenAndOnlyWhileUnsaved) {
  Autosaver a;
  const DWORD t0 = 0xFFFF0000u;  // the clock wraps during the test
  for (DWORD t = t0; t != t0 + 100000; t += 100) {
    // Nothing changed for 10 s, then one change after another until 50 s;
    // saved at 80 s.
    const DWORD elapsed = t - t0;
    const std::uint64_t revision = elapsed < 10000 ? 3 : elapsed < 50000 ? 3 + elapsed / 1000 : 53;
    const std::uint64_t saved = elapsed < 80000 ? 3 : 53;
    a.Frame(t, revision, saved);
  }
  EXPECT_EQ(a.done, (std::vector<std::string>{
                        // 30 s after the change at 10 s, with what it is by then.
                        "write 43 at " + std::to_string(t0 + 40000),
                        // 30 s after the first change since (41 s).
                        "write 53 at " + std::to_string(t0 + 71000),
                        "remove at " + std::to_string(t0 + 80000),
                    }));
}

TEST(AutosaveTest, AnEndWritesAtOnceAFailedWriteIsTriedAgainAndUndoingToTheSavedStateRemoves) {
  Autosaver a;
  a.Frame(1000, 1, 0);
  a.Frame(2000, 1, 0, AutosaveUrgency::kNow);
  a.Frame(3000, 1, 0, AutosaveUrgency::kNow);  // written already: nothing new to keep
  a.Frame(4000, 0, 0, AutosaveUrgency::kNow);  // undone back to the saved program
  a.Frame(5000, 0, 0);
  EXPECT_EQ(a.done, (std::vector<std::string>{"write 1 at 2000", "remove at 4000"}));

  Autosaver failing;
  failing.Frame(0, 2, 0);
  failing.Frame(kAutosaveIntervalMs, 2, 0, AutosaveUrgency::kOnTime, false);
  failing.Frame(kAutosaveIntervalMs + 29999, 2, 0);
  failing.Frame(2 * kAutosaveIntervalMs, 2, 0);
  EXPECT_EQ(failing.done, (std::vector<std::string>{"write 2 at 30000", "write 2 at 60000"}));
  // Saved without any recovery file: nothing to remove.
  Autosaver clean;
  clean.Frame(0, 0, 0);
  clean.Frame(kAutosaveIntervalMs * 3, 5, 5);
  EXPECT_TRUE(clean.done.empty());
}

// Recovery files of a data directory (the test's working directory).
class RecoveryStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Settings = SettingsData{};
    m_bhb = "<box 0 0 start>\r\n</box>\r\n<box 1 0 \x95\xe0\x82\xad>\r\nspeed=20\r\n</box>\r\n";
  }
  void TearDown() override { platform::SetReplaceFaultForTesting(nullptr); }
  // Makes the file's modification time a given number of seconds from now.
  void Touch(const std::string& path, int seconds) {
    fs::last_write_time(path, fs::file_time_type::clock::now() + std::chrono::seconds(seconds));
  }
  std::vector<std::string> Files() {
    std::vector<std::string> names = platform::ListRegularFiles("recovery");
    return names;
  }

  ScopedTempDir m_dir;
  std::string m_bhb;
};

TEST_F(RecoveryStoreTest, OneFilePerProgramHoldingExactlyWhatASaveWrites) {
  CRecoveryStore store(".");
  CRecoveryStore other(m_dir.Path());
  m_dir.WriteFile("walk.bhb", m_bhb);
  // The same program, however its path is spelt, and whoever writes it.
  EXPECT_EQ(fs::path(store.FileFor("walk.bhb")).filename(),
            fs::path(other.FileFor(m_dir.Path() + "/./walk.bhb")).filename());
  EXPECT_NE(store.FileFor("walk.bhb"), store.FileFor("sub/walk.bhb"));
  EXPECT_EQ(fs::path(store.FileFor("walk.bhb")).parent_path(), fs::path("./recovery"));
  // Untitled programs of two editors never share a file; a name is readable.
  EXPECT_NE(store.FileFor(""), other.FileFor(""));
  EXPECT_EQ(store.FileFor(""), store.FileFor(""));
  EXPECT_EQ(fs::path(store.FileFor("ユーザ/歩く 1.bhb")).filename().string().substr(0, 9),
            "_______1-");

  const auto program = ParseBlockProgram(nullptr, m_bhb, ProgramSettingsFrom(Settings));
  ASSERT_NE(program, nullptr);
  ASSERT_TRUE(store.Write("walk.bhb", *program));
  Touch(store.FileFor("walk.bhb"), 5);  // written after the program's last save
  const std::vector<RecoveryOffer> offers = store.FindOffers();
  ASSERT_EQ(offers.size(), 1u);
  EXPECT_EQ(offers[0].bytes, FormatBlockProgram(*program));
  EXPECT_EQ(offers[0].bytes, m_bhb);
  EXPECT_EQ(offers[0].programPath, m_dir.Path() + "/walk.bhb");
  EXPECT_EQ(offers[0].declined, 0);
  EXPECT_EQ(offers[0].file, store.FileFor("walk.bhb"));

  // Saved: nothing is left, and removing twice is no failure.
  EXPECT_TRUE(store.Remove("walk.bhb"));
  EXPECT_TRUE(store.Remove("walk.bhb"));
  EXPECT_TRUE(Files().empty());
}

TEST_F(RecoveryStoreTest, OnlyFilesNewerThanTheirProgramAreOfferedAndAStaleOneGoes) {
  CRecoveryStore store(".");
  m_dir.WriteFile("saved-since.bhb", m_bhb);
  m_dir.WriteFile("unsaved.bhb", m_bhb);
  ASSERT_TRUE(store.WriteBytes("saved-since.bhb", "old"));
  ASSERT_TRUE(store.WriteBytes("unsaved.bhb", "newer"));
  ASSERT_TRUE(store.WriteBytes("deleted.bhb", "orphan"));
  ASSERT_TRUE(store.WriteBytes("", "untitled"));
  Touch(store.FileFor("saved-since.bhb"), -60);
  Touch(store.FileFor("unsaved.bhb"), 60);
  // Not ours, or a save of ours still running: left alone, never offered.
  m_dir.WriteFile("recovery/notes.txt", "x");
  m_dir.WriteFile("recovery/.walk-0.rec.ab12.tmp", recovery::FormatRecoveryFile("", 0, "tmp"));

  std::vector<std::string> offered;
  for (const RecoveryOffer& offer : store.FindOffers()) {
    offered.push_back(offer.bytes);
  }
  std::sort(offered.begin(), offered.end());
  EXPECT_EQ(offered, (std::vector<std::string>{"newer", "orphan", "untitled"}));
  EXPECT_FALSE(m_dir.Exists(store.FileFor("saved-since.bhb")));
  EXPECT_TRUE(m_dir.Exists("recovery/notes.txt"));
  EXPECT_TRUE(m_dir.Exists("recovery/.walk-0.rec.ab12.tmp"));
}

TEST_F(RecoveryStoreTest, TheFirstNoKeepsTheFileForLaterTheSecondRemovesIt) {
  CRecoveryStore store(".");
  ASSERT_TRUE(store.WriteBytes("", m_bhb));
  std::vector<RecoveryOffer> offers = store.FindOffers();
  ASSERT_EQ(offers.size(), 1u);
  EXPECT_FALSE(store.Decline(offers[0]));

  CRecoveryStore nextStart(".");
  offers = nextStart.FindOffers();
  ASSERT_EQ(offers.size(), 1u);
  EXPECT_EQ(offers[0].declined, 1);
  EXPECT_EQ(offers[0].bytes, m_bhb);
  EXPECT_TRUE(nextStart.Decline(offers[0]));
  EXPECT_TRUE(CRecoveryStore(".").FindOffers().empty());
  EXPECT_TRUE(Files().empty());

  // Taken: the restored untitled program goes on in the file it came from.
  ASSERT_TRUE(store.WriteBytes("", "first"));
  CRecoveryStore restarted(".");
  offers = restarted.FindOffers();
  ASSERT_EQ(offers.size(), 1u);
  restarted.Restore(offers[0]);
  ASSERT_TRUE(restarted.WriteBytes("", "second"));
  EXPECT_EQ(Files().size(), 1u);
  EXPECT_EQ(restarted.FindOffers().at(0).bytes, "second");
}

TEST_F(RecoveryStoreTest, AFailedWriteKeepsTheOlderFileWhole) {
  CRecoveryStore store(".");
  ASSERT_TRUE(store.WriteBytes("", "kept"));
  for (const platform::ReplaceStep failing :
       {platform::ReplaceStep::kCreate, platform::ReplaceStep::kWrite,
        platform::ReplaceStep::kRename}) {
    platform::SetReplaceFaultForTesting(
        [failing](platform::ReplaceStep step) { return step == failing ? ENOSPC : 0; });
    EXPECT_FALSE(store.WriteBytes("", "lost"));
    platform::SetReplaceFaultForTesting(nullptr);
    EXPECT_EQ(store.FindOffers().at(0).bytes, "kept");
  }
  EXPECT_EQ(Files().size(), 1u) << "no temporary file is left behind";
  // A data directory where the folder cannot be made.
  m_dir.WriteFile("blocked", "");
  EXPECT_FALSE(CRecoveryStore("blocked").WriteBytes("", "x"));
}

TEST(RecoveryFileTest, EveryLengthIsCheckedAndAnythingMalformedIsRefused) {
  const std::string good = recovery::FormatRecoveryFile("/a/b.bhb", 1, "x\ny");
  EXPECT_EQ(good, "PELU BLOCK recovery 1\nprogram 8\n/a/b.bhb\ndeclined 1\nbhb 3\nx\ny\n");
  RecoveryOffer offer;
  offer.file = "f.rec";
  ASSERT_TRUE(recovery::ParseRecoveryFile(good, &offer));
  EXPECT_EQ(offer.programPath, "/a/b.bhb");
  EXPECT_EQ(offer.bytes, "x\ny");
  EXPECT_EQ(offer.declined, 1);
  EXPECT_EQ(offer.file, "f.rec");

  const std::string bad[] = {
      "",
      good.substr(0, good.size() - 1),  // cut off
      good + "more",
      "PELU BLOCK recovery 2\nprogram 0\n\ndeclined 0\nbhb 0\n\n",
      "PELU BLOCK recovery 1\nprogram 9\n/a/b.bhb\ndeclined 1\nbhb 3\nx\ny\n",
      "PELU BLOCK recovery 1\nprogram 18446744073709551615\n/a\ndeclined 0\nbhb 0\n\n",
      "PELU BLOCK recovery 1\nprogram 99999999999999999999999\n/a\ndeclined 0\nbhb 0\n\n",
      "PELU BLOCK recovery 1\nprogram 0\n\ndeclined 3\nbhb 0\n\n",
      "PELU BLOCK recovery 1\nprogram 0\n\ndeclined -1\nbhb 0\n\n",
      "PELU BLOCK recovery 1\nprogram 0\n\ndeclined 0\nbhb 4\nabc\n",
      "PELU BLOCK recovery 1\nprogram 0\n\ndeclined 0\nbhb 2\nabc\n",
      "PELU BLOCK recovery 1\nprogram 0\n\ndeclined 0\nbhb\n\n",
      "PELU BLOCK recovery 1\nprogram 0\n\ndeclined 0\nbhb 0",
  };
  for (const std::string& text : bad) {
    RecoveryOffer untouched;
    untouched.programPath = "unchanged";
    EXPECT_FALSE(recovery::ParseRecoveryFile(text, &untouched)) << text;
    EXPECT_EQ(untouched.programPath, "unchanged");
  }
  // An untitled, empty program is a program like any other.
  RecoveryOffer empty;
  EXPECT_TRUE(recovery::ParseRecoveryFile(recovery::FormatRecoveryFile("", 0, ""), &empty));
  EXPECT_EQ(empty.bytes, "");
}

// The whole cycle on the headless clock: the editor's frames, the file 30 s
// after the change, the next start's offer with the exact bytes, the save.
TEST_F(RecoveryStoreTest, OnTheControlledClockTheFileAppearsThirtySecondsAfterAChange) {
  platform::StartHeadless(800, 600);
  platform::headless::SetTime(1000);
  CRecoveryStore store(".");
  Autosaver a;
  const std::string changed = m_bhb + "<box 2 0 start>\r\n</box>\r\n";
  auto frame = [&](std::uint64_t revision, std::uint64_t saved) {
    const recovery::AutosaveStep step =
        recovery::DecideAutosave(a.state, platform::TimeGetTime(), revision, saved);
    a.state = step.state;
    if (step.action == AutosaveAction::kWrite) {
      a.state = recovery::AfterWrite(a.state, platform::TimeGetTime(), revision,
                                     store.WriteBytes("walk.bhb", changed));
    } else if (step.action == AutosaveAction::kRemove) {
      store.Remove("walk.bhb");
      a.state = recovery::AfterRemove();
    }
  };
  m_dir.WriteFile("walk.bhb", m_bhb);
  Touch("walk.bhb", -10);
  for (int i = 0; i < 299; ++i) {
    frame(1, 0);
    platform::headless::AdvanceTime(100);
  }
  EXPECT_FALSE(m_dir.Exists(store.FileFor("walk.bhb"))) << "29.9 s after the change";
  platform::headless::AdvanceTime(100);
  frame(1, 0);
  ASSERT_TRUE(m_dir.Exists(store.FileFor("walk.bhb"))) << "30 s after the change";

  const std::vector<RecoveryOffer> offers = CRecoveryStore(".").FindOffers();
  ASSERT_EQ(offers.size(), 1u);
  EXPECT_EQ(offers[0].bytes, changed);
  frame(1, 1);  // saved
  EXPECT_FALSE(m_dir.Exists(store.FileFor("walk.bhb")));
  platform::Shutdown();
}

}  // namespace
