// The file dialogs: zenity's command line, a scripted dialog program run in
// its place (answers, cancels, failures, no program, no display), the main
// window's messages while it is open, and the default-extension rule.
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

// Sets an environment variable (or removes it) for the life of the object.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::optional<std::string>& value) : m_name(name) {
    if (const char* old = std::getenv(name)) {
      m_old = old;
    }
    Set(value);
  }
  ~ScopedEnv() { Set(m_old); }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  void Set(const std::optional<std::string>& value) {
    if (value) {
      setenv(m_name, value->c_str(), 1);
    } else {
      unsetenv(m_name);
    }
  }
  const char* m_name;
  std::optional<std::string> m_old;
};

FileDialogOptions BehaviorBlock(FileDialogMode mode) {
  FileDialogOptions options;
  options.mode = mode;
  options.filterName = "Behavior Block(*.bhb)";
  options.patterns = {"*.bhb", "*.BHB"};
  options.defaultExtension = "bhb";
  options.startFolder = "samples";
  return options;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t at = 0;
  while (at < text.size()) {
    const std::size_t end = text.find('\n', at);
    lines.push_back(text.substr(at, end - at));
    at = end == std::string::npos ? text.size() : end + 1;
  }
  return lines;
}

class DialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::StartHeadless(800, 600);
    fs::create_directory(m_dir.Path() + "/samples");
  }
  void TearDown() override {
    platform::SetFileDialogHandler(nullptr);
    platform::Shutdown();
  }

  // A dialog program that writes its arguments to args.txt, prints
  // stdout.txt, complains with stderr.txt and exits with status.txt.
  std::string WriteDialogProgram() {
    const std::string dir = m_dir.Path();
    const std::string path = dir + "/dialog.sh";
    m_dir.WriteFile("dialog.sh",
                    "#!/bin/sh\n"
                    "printf '%s\\n' \"$@\" > '" +
                        dir +
                        "/args.txt'\n"
                        "cat '" +
                        dir + "/stdout.txt' 2>/dev/null\n" + "cat '" + dir +
                        "/stderr.txt' >&2 2>/dev/null\n" + "exit $(cat '" + dir +
                        "/status.txt' 2>/dev/null || echo 0)\n");
    chmod(path.c_str(), 0755);
    return path;
  }
  void Script(const std::string& out, int status, const std::string& err = "") {
    m_dir.WriteFile("stdout.txt", out);
    m_dir.WriteFile("status.txt", std::to_string(status));
    m_dir.WriteFile("stderr.txt", err);
    fs::remove(m_dir.Path() + "/args.txt");
  }

  // Everything waiting in the queue, taken out.
  std::vector<UINT> Queued() {
    std::vector<UINT> messages;
    platform::MSG msg;
    while (platform::PeekMessage(&msg)) {
      messages.push_back(msg.message);
    }
    return messages;
  }

  ScopedTempDir m_dir;
};

TEST_F(DialogTest, ZenityIsAskedForAFilteredModalDialogAttachedToTheWindow) {
  const std::string samples = fs::absolute(m_dir.Path() + "/samples").string() + "/";
  EXPECT_EQ(platform::DialogArguments(BehaviorBlock(FileDialogMode::kOpen), "zenity", 0),
            (std::vector<std::string>{"zenity", "--file-selection", "--modal",
                                      "--file-filter=Behavior Block(*.bhb) | *.bhb *.BHB",
                                      "--filename=" + samples}));

  FileDialogOptions save = BehaviorBlock(FileDialogMode::kSave);
  EXPECT_EQ(platform::DialogArguments(save, "/opt/zenity", 0x1234),
            (std::vector<std::string>{"/opt/zenity", "--file-selection", "--save",
                                      "--confirm-overwrite", "--modal", "--attach=4660",
                                      "--file-filter=Behavior Block(*.bhb) | *.bhb *.BHB",
                                      "--filename=" + samples}));
  // A proposed name wins over the folder; a folder that does not exist (the
  // setting's "0" when it is absent) is left out.
  save.fileName = "samples/a b.bhb";
  EXPECT_EQ(platform::DialogArguments(save, "zenity", 0).back(),
            "--filename=" + fs::absolute(m_dir.Path() + "/samples/a b.bhb").string());
  FileDialogOptions nowhere = BehaviorBlock(FileDialogMode::kOpen);
  nowhere.startFolder = "0";
  EXPECT_EQ(platform::DialogArguments(nowhere, "zenity", 0).back(),
            "--file-filter=Behavior Block(*.bhb) | *.bhb *.BHB");

  {
    ScopedEnv command("PELU_DIALOG_COMMAND", std::nullopt);
    EXPECT_EQ(platform::DialogProgram(), "zenity");
  }
  {
    ScopedEnv command("PELU_DIALOG_COMMAND", "");
    EXPECT_EQ(platform::DialogProgram(), "zenity");
  }
  ScopedEnv command("PELU_DIALOG_COMMAND", "/tmp/stub");
  EXPECT_EQ(platform::DialogProgram(), "/tmp/stub");
}

TEST_F(DialogTest, TheDialogProgramRunsWithoutAShellAndItsAnswerIsTakenAsItIs) {
  ScopedEnv command("PELU_DIALOG_COMMAND", WriteDialogProgram());
  ScopedEnv display("DISPLAY", ":99");
  // Spaces, quotes, a shell's metacharacters and UTF-8 survive both ways.
  const std::string odd = m_dir.Path() + "/samples/it's a \"プログラム\"; $(true) *.bhb";
  Script(odd + "\n", 0);
  FileDialogOptions options = BehaviorBlock(FileDialogMode::kOpen);
  const FileDialogResult chosen = platform::ShowFileDialog(options);
  EXPECT_EQ(chosen.status, FileDialogStatus::kChosen);
  EXPECT_EQ(chosen.path, odd);
  std::vector<std::string> expected = platform::DialogArguments(options, "", 0);
  expected.erase(expected.begin());
  EXPECT_EQ(Lines(m_dir.ReadFile("args.txt")), expected);

  options.mode = FileDialogMode::kSave;
  options.fileName = odd;
  Script(odd + "\n", 0);
  EXPECT_EQ(platform::ShowFileDialog(options).path, odd);
  EXPECT_EQ(Lines(m_dir.ReadFile("args.txt")).back(), "--filename=" + odd);

  struct Case {
    std::string out;
    int status;
    FileDialogStatus expected;
  };
  const Case cases[] = {
      {"", 1, FileDialogStatus::kCancelled},
      {"", 0, FileDialogStatus::kCancelled},  // nothing chosen
      {"", 5, FileDialogStatus::kCancelled},  // zenity's own timeout
      {m_dir.Path() + "/x.bhb\n", 0, FileDialogStatus::kChosen},
  };
  for (const Case& c : cases) {
    Script(c.out, c.status);
    EXPECT_EQ(platform::ShowFileDialog(BehaviorBlock(FileDialogMode::kOpen)).status, c.expected)
        << c.status << " " << c.out;
  }
}

TEST_F(DialogTest, AFailingMissingOrDisplaylessDialogIsReportedAtOnce) {
  const std::string program = WriteDialogProgram();
  ScopedEnv display("DISPLAY", ":99");
  {
    ScopedEnv command("PELU_DIALOG_COMMAND", program);
    Script("", 1, "(zenity:1): Gtk-WARNING **: cannot open display: :99\n");
    FileDialogResult result = platform::ShowFileDialog(BehaviorBlock(FileDialogMode::kOpen));
    EXPECT_EQ(result.status, FileDialogStatus::kUnavailable);
    EXPECT_NE(result.error.find("cannot open display"), std::string::npos) << result.error;

    Script("/somewhere.bhb\n", 3, "boom\n");
    ::testing::internal::CaptureStderr();
    result = platform::ShowFileDialog(BehaviorBlock(FileDialogMode::kOpen));
    const std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(result.status, FileDialogStatus::kUnavailable);
    EXPECT_TRUE(result.path.empty());
    EXPECT_NE(result.error.find("boom"), std::string::npos) << result.error;
    EXPECT_NE(said.find("cannot show the file dialog"), std::string::npos) << said;
    EXPECT_NE(said.find("boom"), std::string::npos) << said;
  }
  {
    ScopedEnv command("PELU_DIALOG_COMMAND", m_dir.Path() + "/no-such-zenity");
    const FileDialogResult result = platform::ShowFileDialog(BehaviorBlock(FileDialogMode::kOpen));
    EXPECT_EQ(result.status, FileDialogStatus::kUnavailable);
    EXPECT_NE(result.error.find("no-such-zenity"), std::string::npos) << result.error;
  }
  {
    ScopedEnv command("PELU_DIALOG_COMMAND", program);
    ScopedEnv noX("DISPLAY", std::nullopt);
    ScopedEnv noWayland("WAYLAND_DISPLAY", std::nullopt);
    Script("/somewhere.bhb\n", 0);
    const FileDialogResult result = platform::ShowFileDialog(BehaviorBlock(FileDialogMode::kOpen));
    EXPECT_EQ(result.status, FileDialogStatus::kUnavailable);
    EXPECT_NE(result.error.find("DISPLAY"), std::string::npos) << result.error;
    EXPECT_FALSE(m_dir.Exists("args.txt"));  // nothing was started
  }
}

TEST_F(DialogTest, WhileTheDialogIsOpenInputIsDroppedAndEverythingElseWaits) {
  ScopedEnv command("PELU_DIALOG_COMMAND", WriteDialogProgram());
  ScopedEnv display("DISPLAY", ":99");
  const HWND window = platform::MainWindow();
  auto userAndOthers = [window] {
    platform::headless::LeftDown(10, 10);
    platform::PostMessage(window, WM_APP_TICK, 0, 0);
    platform::headless::KeyDown(VK_DELETE);
    platform::PostMessage(window, WM_CLOSE, 0, 0);
    platform::headless::MouseMove(20, 20);
    platform::PostMessage(window, WM_APP_TICK, 0, 0);
    platform::PostMessage(window, WM_APP_SOCKET, 7, 1);
    platform::PostMessage(window, WM_SYSKEYDOWN, VK_F10, 0);
    platform::headless::RightUp(20, 20);
    platform::PostMessage(window, WM_APP_TICK, 0, 0);
  };
  const std::vector<UINT> kept{WM_APP_TICK, WM_CLOSE, WM_APP_SOCKET};

  // A real dialog process: what was queued when it opened is pumped while
  // it runs.
  Script("", 1);
  userAndOthers();
  platform::ShowFileDialog(BehaviorBlock(FileDialogMode::kOpen));
  EXPECT_EQ(Queued(), kept);

  // A scripted handler: what arrives while it answers.
  platform::SetFileDialogHandler([&](const FileDialogOptions&) {
    userAndOthers();
    return FileDialogResult{};
  });
  platform::ShowFileDialog(BehaviorBlock(FileDialogMode::kOpen));
  EXPECT_EQ(Queued(), kept);
}

TEST_F(DialogTest, ASaveGetsTheDefaultExtensionAndNeverOverwritesUnasked) {
  m_dir.WriteFile("samples/taken.bhb", "keep");
  std::deque<std::string> answers;
  std::vector<std::string> proposed;
  platform::SetFileDialogHandler([&](const FileDialogOptions& options) {
    proposed.push_back(options.fileName);
    FileDialogResult result;
    if (!answers.empty()) {
      result.status = FileDialogStatus::kChosen;
      result.path = answers.front();
      answers.pop_front();
    }
    return result;
  });
  auto save = [&](std::deque<std::string> script) {
    answers = std::move(script);
    proposed.clear();
    return platform::ShowFileDialog(BehaviorBlock(FileDialogMode::kSave));
  };

  EXPECT_EQ(save({"samples/new"}).path, "samples/new.bhb");
  EXPECT_EQ(save({"samples/NEW.BHB"}).path, "samples/NEW.BHB");
  EXPECT_EQ(save({"samples/notes.txt"}).path, "samples/notes.txt.bhb");
  EXPECT_EQ(proposed, (std::vector<std::string>{""}));

  // The name without the extension is free, but the file that would be
  // written is not: the dialog comes back proposing it, until the user takes
  // it (the dialog itself then asks about overwriting), picks another name,
  // or cancels.
  FileDialogResult result = save({"samples/taken", "samples/taken", "samples/other"});
  EXPECT_EQ(result.status, FileDialogStatus::kChosen);
  EXPECT_EQ(result.path, "samples/other.bhb");
  EXPECT_EQ(proposed, (std::vector<std::string>{"", "samples/taken.bhb", "samples/taken.bhb"}));
  EXPECT_EQ(save({"samples/taken", "samples/taken.bhb"}).path, "samples/taken.bhb");
  EXPECT_EQ(save({"samples/taken"}).status, FileDialogStatus::kCancelled);
  EXPECT_EQ(m_dir.ReadFile("samples/taken.bhb"), "keep");

  // Opening takes the chosen file as it is.
  answers = {"samples/taken"};
  EXPECT_EQ(platform::ShowFileDialog(BehaviorBlock(FileDialogMode::kOpen)).path, "samples/taken");
}

}  // namespace
