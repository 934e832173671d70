// The script written a piece at a time: the pieces add up to the script the
// generator writes whole, the limit counts what the sink already took, and
// a script refused or not written after some of it reached the file leaves
// out.r as a whole script never would be: emptied, or as it was.
#include <gtest/gtest.h>

#include <dirent.h>

#include <cstddef>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "codegen/script_generator.h"
#include "foundation/texts.h"
#include "platform/file_system.h"
#include "script_fixture.h"
#include "support/temp_dir.h"

namespace {

const std::string kRight = text::kGlyphRight;
const std::string kDown = text::kGlyphDown;

// Keeps every piece it is given; refuses the piece numbered failAt.
class CRecordingSink : public CScriptSink {
 public:
  explicit CRecordingSink(std::size_t failAt = SIZE_MAX) : m_failAt(failAt) {}
  bool Take(std::string_view bytes) override {
    if (m_pieces.size() == m_failAt) {
      ++m_refused;
      return false;
    }
    m_pieces.emplace_back(bytes);
    return true;
  }
  std::string Joined() const {
    std::string all;
    for (const std::string& piece : m_pieces) {
      all += piece;
    }
    return all;
  }
  const std::vector<std::string>& Pieces() const { return m_pieces; }
  int Refused() const { return m_refused; }

 private:
  std::size_t m_failAt;
  std::vector<std::string> m_pieces;
  int m_refused = 0;
};

// The names in the current directory other than "." and "..".
std::vector<std::string> DirectoryNames() {
  std::vector<std::string> names;
  DIR* dir = opendir(".");
  if (dir == nullptr) {
    return names;
  }
  while (const dirent* entry = readdir(dir)) {
    const std::string name = entry->d_name;
    if (name != "." && name != "..") {
      names.push_back(name);
    }
  }
  closedir(dir);
  return names;
}

class ScriptSinkTest : public ScriptFixture {
 protected:
  // A grid of plain, branch and loop chips, every cell reached once, whose
  // script is a few hundred kilobytes: more than one of a file's pieces.
  void BuildLargeProgram(int columns, int rows) {
    Settings.MaxChipNumX = columns;
    Settings.MaxChipNumY = rows;
    Start(
        "<define go>\ncode=MOVE:*1:*2\nproperty1_name=distance\nproperty1_type=NUM\n"
        "property2_name=speed\nproperty2_type=SELECT;slow;fast\nproperty2_code=30;90\n"
        "</define>\n"
        "<define if>\ncode=IF:*1\\*eELSE\\*e\nproperty1_name=test\nproperty1_type=IF:DIST:BUMP\n"
        "property1_code=D;B\n</define>\n"
        "<define loop>\ncode=LOOP:*e:*1*e*e\nproperty1_name=times\nproperty1_type=NUM\n"
        "</define>\n");
    for (int y = 0; y < rows; ++y) {
      for (int x = 0; x < columns; ++x) {
        const bool last = x == columns - 1;
        switch ((x + y) % 3) {
          case 0:
            Place(x, y, "go",
                  {{"distance", std::to_string(x)},
                   {"speed", "fast"},
                   {"to", last ? "lower" : "right"}});
            break;
          case 1:
            Place(x, y, "if", {{"test", "BUMP"}, {"yes", last ? kDown : kRight}, {"no", kDown}});
            break;
          default:
            Place(x, y, "loop",
                  {{"times", "2"}, {"again", kDown}, {"done", last ? kDown : kRight}});
            break;
        }
      }
    }
  }
};

TEST_F(ScriptSinkTest, PiecesOfAnySizeAddUpToTheWholeScriptAndTheLimitCountsWhatWasTaken) {
  BuildLargeProgram(60, 40);
  std::string whole;
  ASSERT_TRUE(GenerateScript(*m_program, &whole));
  ASSERT_GT(whole.size(), std::size_t{64} << 10);
  const std::size_t cost = static_cast<std::size_t>(MeasureScript(*m_program).Cost());

  for (const std::size_t chunk : {std::size_t{1}, std::size_t{7}, std::size_t{4096},
                                  kScriptChunkBytes, std::size_t{1} << 30}) {
    CRecordingSink sink;
    EXPECT_EQ(GenerateScript(*m_program, &sink, kMaxScriptBytes, chunk), ScriptResult::kWritten)
        << chunk;
    EXPECT_TRUE(sink.Joined() == whole) << chunk;
    // A piece passes its size by one write at most, and none is empty.
    for (const std::string& piece : sink.Pieces()) {
      EXPECT_FALSE(piece.empty()) << chunk;
      EXPECT_LT(piece.size(), chunk + 256) << chunk;
    }
    // The bytes handed over count against the limit as the ones held do.
    CRecordingSink exact;
    EXPECT_EQ(GenerateScript(*m_program, &exact, cost, chunk), ScriptResult::kWritten) << chunk;
    CRecordingSink over;
    EXPECT_EQ(GenerateScript(*m_program, &over, cost - 1, chunk), ScriptResult::kTooLarge) << chunk;
    EXPECT_LT(over.Joined().size(), whole.size()) << chunk;
  }
}

TEST_F(ScriptSinkTest, ScriptsThatRepeatAnExitArePiecedAsTheyAreWrittenWhole) {
  // A row of branch chips whose false chain is written twice: the script is
  // measured first, and then written in pieces.
  Settings.MaxChipNumX = 12;
  Settings.MaxChipNumY = 1;
  Start(
      "<define a>\ncode=CMD:A:*1\nproperty1_name=n\nproperty1_type=NUM\n</define>\n"
      "<define if>\ncode=X\\*e*e*e\n</define>\n");
  for (int x = 0; x < 11; ++x) {
    Place(x, 0, "if", {{"no", kRight}});
  }
  Place(11, 0, "a", {{"n", "12345"}});
  ASSERT_TRUE(RepeatsAnExit(*m_program));
  std::string whole;
  ASSERT_TRUE(GenerateScript(*m_program, &whole));
  std::mt19937 random(5);
  for (int round = 0; round < 8; ++round) {
    const std::size_t chunk = 1 + std::uniform_int_distribution<std::size_t>(0, 5000)(random);
    CRecordingSink sink;
    ASSERT_EQ(GenerateScript(*m_program, &sink, kMaxScriptBytes, chunk), ScriptResult::kWritten);
    EXPECT_TRUE(sink.Joined() == whole) << chunk;
    EXPECT_GT(sink.Pieces().size(), whole.size() / (chunk + 256)) << chunk;
  }
}

TEST_F(ScriptSinkTest, RefusedPieceStopsTheScriptAndIsNotOfferedAgain) {
  BuildLargeProgram(30, 20);
  CRecordingSink sink(2);
  EXPECT_EQ(GenerateScript(*m_program, &sink, kMaxScriptBytes, 1024), ScriptResult::kCannotWrite);
  EXPECT_EQ(sink.Pieces().size(), 2u);
  EXPECT_EQ(sink.Refused(), 1);
}

TEST_F(ScriptSinkTest, FileRefusedAfterSomeOfItWasWrittenIsEmptiedOrLeftAsItWas) {
  // About 600 kB of script: the file takes two pieces before 512 kB is
  // passed.
  BuildLargeProgram(150, 100);
  std::string whole;
  ASSERT_TRUE(GenerateScript(*m_program, &whole));
  ASSERT_GT(whole.size(), 2 * kScriptChunkBytes + 4096);
  ScopedTempDir dir;

  dir.WriteFile("out.r", "the last program's script\r\n");
  EXPECT_EQ(WriteScriptFile(*m_program, "out.r", 2 * kScriptChunkBytes), ScriptResult::kTooLarge);
  EXPECT_TRUE(dir.Exists("out.r"));
  EXPECT_EQ(dir.ReadFile("out.r"), "");
  EXPECT_EQ(DirectoryNames(), std::vector<std::string>{"out.r"});

  // A write that fails at the second piece leaves the file as it was.
  dir.WriteFile("out.r", "the last program's script\r\n");
  int writes = 0;
  platform::SetReplaceFaultForTesting([&writes](platform::ReplaceStep step) {
    return step == platform::ReplaceStep::kWrite && ++writes == 2 ? ENOSPC : 0;
  });
  EXPECT_EQ(WriteScriptFile(*m_program, "out.r"), ScriptResult::kCannotWrite);
  platform::SetReplaceFaultForTesting({});
  EXPECT_EQ(writes, 2);
  EXPECT_EQ(dir.ReadFile("out.r"), "the last program's script\r\n");
  EXPECT_EQ(DirectoryNames(), std::vector<std::string>{"out.r"});

  // And with nothing in its way the file holds the whole script.
  EXPECT_EQ(WriteScriptFile(*m_program, "out.r"), ScriptResult::kWritten);
  EXPECT_TRUE(dir.ReadFile("out.r") == whole);
  EXPECT_EQ(DirectoryNames(), std::vector<std::string>{"out.r"});
}

}  // namespace
