// The file dialogs: zenity's command line, a scripted program in its place
// (answers, cancels, failures, no program, no display), the window's messages
// while it is open, and saving under a name that is taken.
#include "platform/dialog.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <deque>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/headless.h"
#include "platform/platform.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using platform::FileDialogMode;
using platform::FileDialogOptions;
using platform::FileDialogResult;
using platform::FileDialogStatus;
using Strings = std::vector<std::string>;

// Sets an environment variable (or removes it, for nullptr) while it lives.
struct ScopedEnv {
  ScopedEnv(const char* name, const char* value) : name(name) {
    if (const char* was = std::getenv(name)) {
      old = was;
    }
    value != nullptr ? setenv(name, value, 1) : unsetenv(name);
  }
  ~ScopedEnv() { old ? setenv(name, old->c_str(), 1) : unsetenv(name); }
  const char* name;
  std::optional<std::string> old;
};

FileDialogOptions BehaviorBlock(FileDialogMode mode) {
  return FileDialogOptions{mode, "Behavior Block(*.bhb)", {"*.bhb", "*.BHB"}, "bhb", "samples", ""};
}

// The dialog program in zenity's place writes its arguments to args.txt,
// prints stdout.txt, complains with stderr.txt and exits with status.txt.
class DialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::StartHeadless(800, 600);
    fs::create_directory("samples");
    m_dir.WriteFile("dialog.sh",
                    "#!/bin/sh\nprintf '%s\\n' \"$@\" > args.txt\ncat stdout.txt\n"
                    "cat stderr.txt >&2\nexit $(cat status.txt)\n");
    chmod("dialog.sh", 0755);
  }
  void TearDown() override {
    platform::SetFileDialogHandler(nullptr);
    platform::Shutdown();
  }

  void Script(const std::string& out, int status, const std::string& err = "") {
    m_dir.WriteFile("stdout.txt", out);
    m_dir.WriteFile("status.txt", std::to_string(status));
    m_dir.WriteFile("stderr.txt", err);
    fs::remove("args.txt");
  }

  ScopedTempDir m_dir;
  ScopedEnv m_command{"PELU_DIALOG_COMMAND", (m_dir.Path() + "/dialog.sh").c_str()};
  ScopedEnv m_display{"DISPLAY", ":99"};
};

TEST_F(DialogTest, ZenityIsAskedForAFilteredModalDialogAndItsAnswerIsTakenAsItIs) {
  const std::string samples = fs::absolute("samples").string() + "/";
  const std::string filter = "--file-filter=Behavior Block(*.bhb) | *.bhb *.BHB";
  FileDialogOptions save = BehaviorBlock(FileDialogMode::kSave);
  EXPECT_EQ(platform::DialogArguments(save, "/opt/zenity", 0x1234),
            (Strings{"/opt/zenity", "--file-selection", "--save", "--confirm-overwrite", "--modal",
                     "--attach=4660", filter, "--filename=" + samples}));
  EXPECT_EQ(platform::DialogArguments(BehaviorBlock(FileDialogMode::kOpen), "zenity", 0),
            (Strings{"zenity", "--file-selection", "--modal", filter, "--filename=" + samples}));
  // A proposed name wins over the folder; a folder that does not exist (the
  // setting's "0" when it is absent) is left out.
  save.fileName = "samples/a b.bhb";
  EXPECT_EQ(platform::DialogArguments(save, "zenity", 0).back(),
            "--filename=" + fs::absolute("samples/a b.bhb").string());
  save.fileName.clear();
  save.startFolder = "0";
  EXPECT_EQ(platform::DialogArguments(save, "zenity", 0).back(), filter);
  {
    ScopedEnv unset("PELU_DIALOG_COMMAND", nullptr);
    EXPECT_EQ(platform::DialogProgram(), "zenity");
  }

  // Run without a shell: spaces, quotes, a shell's metacharacters and UTF-8
  // survive both ways.
  save.fileName = m_dir.Path() + "/samples/it's a \"プログラム\"; $(true) *.bhb";
  Script(save.fileName + "\n", 0);
  const FileDialogResult chosen = platform::ShowFileDialog(save);
  EXPECT_EQ(chosen.status, FileDialogStatus::kChosen);
  EXPECT_EQ(chosen.path, save.fileName);
  std::string expected;
  for (const std::string& argument : platform::DialogArguments(save, "", 0)) {
    expected += argument + "\n";
  }
  EXPECT_EQ("\n" + m_dir.ReadFile("args.txt"), expected);
  // Nothing chosen, zenity's own cancel or its timeout.
  for (const int status : {0, 1, 5}) {
    Script("", status);
    EXPECT_EQ(platform::ShowFileDialog(BehaviorBlock(FileDialogMode::kOpen)).status,
              FileDialogStatus::kCancelled)
        << status;
  }
}

TEST_F(DialogTest, AFailingMissingOrDisplaylessDialogIsReportedAtOnce) {
  // zenity's complaint is shown, whether it ends as a cancel does (when it
  // cannot open the display) or otherwise; nothing it printed is taken.
  FileDialogResult result;
  for (const int status : {1, 3}) {
    Script("/somewhere.bhb\n", status, "(zenity:1): cannot open display: :99\n");
    ::testing::internal::CaptureStderr();
    result = platform::ShowFileDialog(BehaviorBlock(FileDialogMode::kOpen));
    const std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(result.status, FileDialogStatus::kUnavailable) << status;
    EXPECT_TRUE(result.path.empty());
    EXPECT_NE(result.error.find("cannot open display"), std::string::npos) << result.error;
    EXPECT_NE(said.find("cannot show the file dialog"), std::string::npos) << said;
    EXPECT_NE(said.find("cannot open display"), std::string::npos) << said;
  }
  {
    ScopedEnv command("PELU_DIALOG_COMMAND", "no-such-zenity");
    result = platform::ShowFileDialog(BehaviorBlock(FileDialogMode::kOpen));
    EXPECT_EQ(result.status, FileDialogStatus::kUnavailable);
    EXPECT_NE(result.error.find("no-such-zenity"), std::string::npos) << result.error;
  }
  ScopedEnv noX("DISPLAY", nullptr);
  ScopedEnv noWayland("WAYLAND_DISPLAY", nullptr);
  Script("/somewhere.bhb\n", 0);
  result = platform::ShowFileDialog(BehaviorBlock(FileDialogMode::kOpen));
  EXPECT_EQ(result.status, FileDialogStatus::kUnavailable);
  EXPECT_NE(result.error.find("DISPLAY"), std::string::npos) << result.error;
  EXPECT_FALSE(m_dir.Exists("args.txt"));  // nothing was started
}

// What was queued when the dialog opened is pumped: input is dropped,
// everything else waits (one tick). The scripted handler of the other areas'
// tests is not the user's dialog and is left out.
TEST_F(DialogTest, WhileTheDialogIsOpenInputIsDroppedAndEverythingElseWaits) {
  const HWND window = platform::MainWindow();
  platform::headless::LeftDown(10, 10);
  platform::PostMessage(window, WM_APP_TICK, 0, 0);
  platform::headless::KeyDown(VK_DELETE);
  platform::PostMessage(window, WM_CLOSE, 0, 0);
  platform::headless::MouseMove(20, 20);
  platform::PostMessage(window, WM_APP_TICK, 0, 0);
  platform::PostMessage(window, WM_APP_SOCKET, 7, 1);
  platform::PostMessage(window, WM_SYSKEYDOWN, VK_F10, 0);
  platform::headless::RightUp(20, 20);
  Script("", 1);
  platform::ShowFileDialog(BehaviorBlock(FileDialogMode::kOpen));
  std::vector<UINT> queued;
  for (platform::MSG msg; platform::PeekMessage(&msg);) {
    queued.push_back(msg.message);
  }
  EXPECT_EQ(queued, (std::vector<UINT>{WM_APP_TICK, WM_CLOSE, WM_APP_SOCKET}));
}

// A save gets the default extension (the editor's tests cover the common
// cases). When the name without it is free but the file that would be
// written is not, the dialog comes back proposing that file, until the user
// takes it (the dialog then asks about overwriting), picks another or cancels.
TEST_F(DialogTest, ASaveNeverOverwritesTheCompletedNameUnasked) {
  m_dir.WriteFile("samples/taken.bhb", "keep");
  std::deque<std::string> answers;
  Strings proposed;
  platform::SetFileDialogHandler([&](const FileDialogOptions& options) {
    proposed.push_back(options.fileName);
    FileDialogResult result;
    if (!answers.empty()) {
      result = FileDialogResult{FileDialogStatus::kChosen, answers.front(), ""};
      answers.pop_front();
    }
    return result;
  });
  auto save = [&](std::deque<std::string> script) {
    answers = std::move(script);
    proposed.clear();
    return platform::ShowFileDialog(BehaviorBlock(FileDialogMode::kSave));
  };
  EXPECT_EQ(save({"samples/notes.txt"}).path, "samples/notes.txt.bhb");
  const FileDialogResult result = save({"samples/taken", "samples/taken", "samples/other"});
  EXPECT_EQ(result.status, FileDialogStatus::kChosen);
  EXPECT_EQ(result.path, "samples/other.bhb");
  EXPECT_EQ(proposed, (Strings{"", "samples/taken.bhb", "samples/taken.bhb"}));
  EXPECT_EQ(save({"samples/taken", "samples/taken.bhb"}).path, "samples/taken.bhb");
  EXPECT_EQ(save({"samples/taken"}).status, FileDialogStatus::kCancelled);
  EXPECT_EQ(m_dir.ReadFile("samples/taken.bhb"), "keep");
  // Opening takes the chosen file as it is.
  answers = {"samples/taken"};
  EXPECT_EQ(platform::ShowFileDialog(BehaviorBlock(FileDialogMode::kOpen)).path, "samples/taken");
}

}  // namespace
