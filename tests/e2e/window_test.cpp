// The program's window among other X clients, with no window manager: the
// keyboard focus on the root window does not stop it drawing what a click
// did, and what it tells the X server about itself (its names, that it is a
// top-level window of its own) is what every window manager can show.
#include <sys/wait.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <optional>
#include <regex>
#include <string>
#include <vector>

#include "foundation/settings.h"
#include "support/temp_dir.h"
#include "x11_session.h"

namespace {

using e2e::Screenshot;
using e2e::seconds;

constexpr int kScreenWidth = 1024;
constexpr int kScreenHeight = 768;

// The window id that xwininfo or xdotool printed ("0x1a00007" or decimal).
std::string FirstWindowId(const std::string& text, const std::regex& pattern) {
  std::smatch m;
  return std::regex_search(text, m, pattern) ? m[1].str() : std::string();
}

class WindowTest : public e2e::ProgramTest {
 protected:
  void SetUp() override {
    e2e::ProgramTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) {
      return;
    }
    if (e2e::FindProgram("xprop").empty() || e2e::FindProgram("xwininfo").empty()) {
      GTEST_SKIP() << "needs xprop and xwininfo (scripts/install-deps.sh installs them)";
    }
    const std::string ini = m_dir.ReadFile("setting.ini");
    std::string value;
    ASSERT_TRUE(profile::GetString(ini, "general", "ScreenWidth", &value));
    m_width = profile::ParseInt(value);
    ASSERT_TRUE(profile::GetString(ini, "general", "ScreenHeight", &value));
    m_height = profile::ParseInt(value);
    m_origin = POINT{(kScreenWidth - m_width) / 2, (kScreenHeight - m_height) / 2};
  }

  // Pixels of the client area that differ between two screenshots.
  int ClientChanges(const Screenshot& a, const Screenshot& b) const {
    int count = 0;
    for (int y = m_origin.y; y < m_origin.y + m_height && y < a.height && y < b.height; ++y) {
      for (int x = m_origin.x; x < m_origin.x + m_width && x < a.width && x < b.width; ++x) {
        count += a.At(x, y) != b.At(x, y) ? 1 : 0;
      }
    }
    return count;
  }
  int ClientLit(const Screenshot& shot) const {
    return ClientChanges(shot, Screenshot{shot.width, shot.height,
                                          std::vector<std::uint32_t>(shot.pixels.size(), 0)});
  }

  // Starts the program on a file of its data directory and waits for its
  // window; the window's id, empty when none came.
  std::string StartOn(e2e::Child& program, const e2e::XvfbSession& x, const std::string& file) {
    if (!StartProgram(program, x.Display(), {}, {file})) {
      return std::string();
    }
    std::string window;
    e2e::WaitUntil(
        [&] {
          window = FirstWindowId(x.Xdotool({"search", "--name", "^PELU BLOCK"}),
                                 std::regex("^([0-9]+)"));
          return !window.empty();
        },
        seconds(30));
    return window;
  }
  // A left click at a point of the client area.
  void Click(const e2e::XvfbSession& x, int cx, int cy) const {
    x.Xdotool({"mousemove", std::to_string(m_origin.x + cx), std::to_string(m_origin.y + cy)});
    x.Xdotool({"click", "1"});
  }

  int m_width = 0;
  int m_height = 0;
  POINT m_origin{};
};

TEST_F(WindowTest, WithTheFocusOnTheRootWindowAClickIsStillDrawn) {
  e2e::XvfbSession x(kScreenWidth, kScreenHeight);
  ASSERT_FALSE(x.Display().empty()) << "Xvfb did not start";
  e2e::Child program;
  ASSERT_TRUE(StartProgram(program, x.Display()));
  Screenshot title;
  ASSERT_TRUE(e2e::WaitUntil(
      [&] {
        title = x.Shoot();
        return ClientLit(title) > m_width * m_height / 4;
      },
      seconds(30)))
      << "the title screen never appeared";

  // The focus falls back to the root window, as when a window manager
  // restarts; the pointer rests on our window.
  const std::string root = FirstWindowId(
      e2e::Capture({e2e::FindProgram("xwininfo"), "-root", "-display", x.Display()}, x.Display()),
      std::regex("Window id: (0x[0-9a-fA-F]+)"));
  ASSERT_FALSE(root.empty());
  x.Xdotool({"mousemove", std::to_string(m_origin.x + m_width / 2),
             std::to_string(m_origin.y + m_height / 2)});
  x.Xdotool({"windowfocus", "--sync", root});
  ASSERT_NE(x.Xdotool({"getwindowfocus"}).find(std::to_string(std::stoul(root, nullptr, 16))),
            std::string::npos)
      << "the focus did not move to the root window";

  // The click opens the editor, and the editor is what the window shows.
  x.Xdotool({"click", "1"});
  EXPECT_TRUE(e2e::WaitUntil(
      [&] { return ClientChanges(title, x.Shoot()) > m_width * m_height / 4; }, seconds(20)))
      << "the click was handled blind: the title stayed on the screen";
  program.Terminate();
}

// What xprop (in a UTF-8 locale) prints for the properties of a window.
std::string Properties(const e2e::XvfbSession& x, const std::string& window,
                       const std::vector<std::string>& names) {
  std::vector<std::string> argv{e2e::FindProgram("env"),
                                "LANG=C.UTF-8",
                                "LC_ALL=C.UTF-8",
                                e2e::FindProgram("xprop"),
                                "-display",
                                x.Display(),
                                "-id",
                                window};
  argv.insert(argv.end(), names.begin(), names.end());
  return e2e::Capture(argv, x.Display());
}

TEST_F(WindowTest, ATopLevelWindowWhoseOldAndNewNamesBothShowAUtf8Path) {
  // A program in a folder with a Japanese name, opened at the start.
  const std::string folder = m_dir.Path() + "/ユーザ";
  ASSERT_TRUE(std::filesystem::create_directory(folder));
  std::filesystem::copy_file(m_dir.Path() + "/samples/square.bhb", folder + "/歩く.bhb");
  e2e::XvfbSession x(kScreenWidth, kScreenHeight);
  ASSERT_FALSE(x.Display().empty()) << "Xvfb did not start";
  e2e::Child program;
  const std::string window = StartOn(program, x, "ユーザ/歩く.bhb");
  ASSERT_FALSE(window.empty()) << "no window";
  // The title screen: the program's name, ASCII, as a plain STRING.
  ASSERT_TRUE(e2e::WaitUntil(
      [&] { return Properties(x, window, {"WM_NAME"}) == "WM_NAME(STRING) = \"PELU BLOCK\"\n"; },
      seconds(10)))
      << Properties(x, window, {"WM_NAME"});

  // The editor on the program: its path in both names, exactly.
  x.Xdotool({"mousemove", std::to_string(m_origin.x + m_width / 2),
             std::to_string(m_origin.y + m_height / 2)});
  x.Xdotool({"click", "1"});
  const std::string title = "\"PELU BLOCK - [ユーザ/歩く.bhb]\"";
  std::string shown;
  EXPECT_TRUE(e2e::WaitUntil(
      [&] {
        shown = Properties(x, window, {"WM_NAME", "_NET_WM_NAME", "WM_ICON_NAME"});
        return shown == "WM_NAME(UTF8_STRING) = " + title +
                            "\n_NET_WM_NAME(UTF8_STRING) = " + title +
                            "\nWM_ICON_NAME(UTF8_STRING) = " + title + "\n";
      },
      seconds(10)))
      << shown;
  // A window of its own, not a transient of the root window.
  const std::string transient = Properties(x, window, {"WM_TRANSIENT_FOR"});
  EXPECT_NE(transient.find("not found"), std::string::npos) << transient;
  program.Terminate();
}

// With unsaved changes, an end from outside asks nothing and fails nothing:
// the window destroyed by another client, and SIGTERM, both end the program
// with status 0 (it used to die of the X error, or to wait for an answer to
// its save question that nobody could give).
TEST_F(WindowTest, AWindowDestroyedFromOutsideOrASigtermEndsTheProgramCleanly) {
  for (const bool destroy : {true, false}) {
    SCOPED_TRACE(destroy ? "xdotool windowclose" : "SIGTERM");
    e2e::XvfbSession x(kScreenWidth, kScreenHeight);
    ASSERT_FALSE(x.Display().empty()) << "Xvfb did not start";
    e2e::Child program;
    const std::string window = StartOn(program, x, "samples/square.bhb");
    ASSERT_FALSE(window.empty()) << "no window";
    ASSERT_TRUE(
        e2e::WaitUntil([&] { return ClientLit(x.Shoot()) > m_width * m_height / 4; }, seconds(30)))
        << "the title screen never appeared";
    // Into the editor, then the first chip selected and deleted.
    Click(x, m_width / 2, m_height / 2);
    ASSERT_TRUE(e2e::WaitUntil(
        [&] {
          return x.Xdotool({"getwindowname", window}).find("square") != std::string::npos;
        },
        seconds(10)));
    Click(x, 50, 35);
    x.Xdotool({"key", "Delete"});
    ASSERT_TRUE(e2e::WaitUntil(
        [&] {
          return x.Xdotool({"getwindowname", window}).find('*') != std::string::npos;
        },
        seconds(10)))
        << x.Xdotool({"getwindowname", window});

    if (destroy) {
      x.Xdotool({"windowclose", window});
    } else {
      program.Signal(SIGTERM);
    }
    const std::optional<int> status = program.Wait(seconds(10));
    ASSERT_TRUE(status.has_value()) << "the program is still running";
    EXPECT_TRUE(WIFEXITED(*status)) << *status;
    EXPECT_EQ(WEXITSTATUS(*status), 0);
    // The unsaved deletion is kept in a recovery file of the program.
    const std::string folder = m_dir.Path() + "/recovery";
    std::vector<std::string> kept;
    if (std::filesystem::is_directory(folder)) {
      for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        kept.push_back(entry.path().filename().string());
      }
    }
    ASSERT_EQ(kept.size(), 1u) << "no recovery file of the unsaved work";
    EXPECT_EQ(kept[0].rfind("square-", 0), 0u) << kept[0];
    // The next run starts from nothing to offer.
    std::filesystem::remove_all(folder);
  }
}

}  // namespace

namespace {

// Undo and redo in the real window, keys as X delivers them: a click that
// only selects a chip leaves the title without "*"; the chip deleted,
// brought back by Ctrl+Z (the title's "*" goes with it, since the program is
// as opened again) and deleted again by Ctrl+Y; the saved file holds what
// the screen shows.
TEST_F(WindowTest, CtrlZBringsADeletedChipBackAndCtrlYDeletesItAgain) {
  e2e::XvfbSession x(kScreenWidth, kScreenHeight);
  ASSERT_FALSE(x.Display().empty()) << "Xvfb did not start";
  e2e::Child program;
  const std::string window = StartOn(program, x, "samples/square.bhb");
  ASSERT_FALSE(window.empty()) << "no window";
  auto title = [&] { return x.Xdotool({"getwindowname", window}); };
  auto ctrl = [&](const char* key) {
    x.Xdotool({"keydown", "ctrl"});
    x.Xdotool({"key", key});
    x.Xdotool({"keyup", "ctrl"});
  };
  ASSERT_TRUE(
      e2e::WaitUntil([&] { return ClientLit(x.Shoot()) > m_width * m_height / 4; }, seconds(30)));
  Click(x, m_width / 2, m_height / 2);
  ASSERT_TRUE(
      e2e::WaitUntil([&] { return title().find("square") != std::string::npos; }, seconds(10)));
  Click(x, 50, 35);
  // The chip is selected once its frame shows; then Delete takes it away.
  Screenshot before = x.Shoot();
  ASSERT_TRUE(e2e::WaitUntil(
      [&] {
        const Screenshot now = x.Shoot();
        const bool settled = ClientChanges(before, now) == 0;
        before = now;
        return settled;
      },
      seconds(10)));
  // The click only selected: nothing changed, so no "*".
  EXPECT_EQ(title().find('*'), std::string::npos) << title();
  x.Xdotool({"key", "Delete"});
  ASSERT_TRUE(e2e::WaitUntil([&] { return title().find('*') != std::string::npos; }, seconds(10)))
      << title();
  Screenshot deleted = x.Shoot();
  ASSERT_TRUE(e2e::WaitUntil(
      [&] {
        deleted = x.Shoot();
        return ClientChanges(before, deleted) > 500;
      },
      seconds(10)))
      << "the deleted chip is still drawn";

  ctrl("z");
  EXPECT_TRUE(e2e::WaitUntil([&] { return title().find('*') == std::string::npos; }, seconds(10)))
      << "undone back to the file, yet marked: " << title();
  EXPECT_TRUE(e2e::WaitUntil([&] { return ClientChanges(deleted, x.Shoot()) > 500; }, seconds(10)))
      << "the chip did not come back on the screen";

  ctrl("y");
  EXPECT_TRUE(e2e::WaitUntil([&] { return title().find('*') != std::string::npos; }, seconds(10)))
      << title();
  program.Terminate();
}

// The real window with clicks quicker than its frames: a click beside the
// open palette closes it and a click on the selected chip opens its property
// window, which must be drawn over the editor alone, not over the palette
// that has just gone.
TEST_F(WindowTest, APaletteClosedByAQuickClickIsNotBehindThePropertyWindow) {
  e2e::XvfbSession x(kScreenWidth, kScreenHeight);
  ASSERT_FALSE(x.Display().empty()) << "Xvfb did not start";
  e2e::Child program;
  const std::string window = StartOn(program, x, "samples/square.bhb");
  ASSERT_FALSE(window.empty()) << "no window";
  auto at = [&](int cx, int cy) {
    return std::vector<std::string>{"mousemove", std::to_string(m_origin.x + cx),
                                    std::to_string(m_origin.y + cy)};
  };
  // The screen once two shots in a row agree.
  auto settled = [&] {
    Screenshot last = x.Shoot();
    EXPECT_TRUE(e2e::WaitUntil(
        [&] {
          const Screenshot now = x.Shoot();
          const bool same = ClientChanges(last, now) == 0;
          last = now;
          return same;
        },
        seconds(10)));
    return last;
  };
  ASSERT_TRUE(
      e2e::WaitUntil([&] { return ClientLit(x.Shoot()) > m_width * m_height / 4; }, seconds(30)));
  Click(x, m_width / 2, m_height / 2);  // past the title screen
  ASSERT_TRUE(e2e::WaitUntil(
      [&] {
        return x.Xdotool({"getwindowname", window}).find("square") != std::string::npos;
      },
      seconds(10)));
  Click(x, 50, 35);  // the first chip, selected
  const Screenshot editor = settled();
  Click(x, 450, 315);  // an empty cell away from the chips: the palette
  ASSERT_TRUE(e2e::WaitUntil([&] { return ClientChanges(editor, x.Shoot()) > 10000; }, seconds(10)))
      << "no palette";
  const Screenshot palette = settled();
  // Both clicks from one xdotool, far quicker than a frame.
  std::vector<std::string> quick = at(50, 35);
  for (const char* word : {"mousedown", "1", "mouseup", "1", "mousedown", "1", "mouseup", "1"}) {
    quick.push_back(word);
  }
  x.Xdotool(quick);
  ASSERT_TRUE(
      e2e::WaitUntil([&] { return ClientChanges(palette, x.Shoot()) > 1000; }, seconds(10)));
  const Screenshot property = settled();
  // Pixels still as the palette drew them where the editor shows otherwise.
  int ghost = 0;
  for (int y = m_origin.y; y < m_origin.y + m_height; ++y) {
    for (int cx = m_origin.x; cx < m_origin.x + m_width; ++cx) {
      ghost +=
          property.At(cx, y) == palette.At(cx, y) && palette.At(cx, y) != editor.At(cx, y) ? 1 : 0;
    }
  }
  EXPECT_LT(ghost, 500) << "the palette shows behind the property window";
  EXPECT_GT(ClientChanges(editor, property), 1000) << "no property window";
  program.Terminate();
}

}  // namespace
