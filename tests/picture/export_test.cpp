// The exported picture against the editor's own back surface, its cells and
// size, the PNG read back through libpng, and the refused and failing paths.
#include <png.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "catalogue/chip_catalogue.h"
#include "display/display.h"
#include "display/object_registry.h"
#include "editor/editor_view.h"
#include "editor/scroll_view.h"
#include "editor/selection.h"
#include "foundation/file_util.h"
#include "foundation/settings.h"
#include "picture/picture_export.h"
#include "platform/headless.h"
#include "platform/platform.h"
#include "program/block_program.h"
#include "program/program_file.h"
#include "program/program_settings.h"
#include "shell/export_command.h"
#include "support/temp_dir.h"

namespace fs = std::filesystem;

namespace {

const std::string kRunDir = std::string(PELU_BINARY_DIR) + "/run";

struct Picture {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgb;
  std::vector<std::pair<std::string, std::string>> texts;
  std::uint32_t At(int x, int y) const {
    const std::uint8_t* p = &rgb[(static_cast<std::size_t>(y) * width + x) * 3];
    return static_cast<std::uint32_t>(p[0] << 16 | p[1] << 8 | p[2]);
  }
};

// Reads a PNG through libpng's full reader, which checks every chunk's CRC
// and the image data's length; false for anything that is not a valid RGB
// picture.
bool ReadPng(const std::string& path, Picture* picture) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) {
    return false;
  }
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  bool ok = false;
  if (setjmp(png_jmpbuf(png)) == 0) {
    png_init_io(png, file);
    png_read_info(png, info);
    if (png_get_color_type(png, info) == PNG_COLOR_TYPE_RGB && png_get_bit_depth(png, info) == 8) {
      picture->width = static_cast<int>(png_get_image_width(png, info));
      picture->height = static_cast<int>(png_get_image_height(png, info));
      picture->rgb.assign(static_cast<std::size_t>(picture->width) * picture->height * 3, 0);
      for (int y = 0; y < picture->height; ++y) {
        png_read_row(png, &picture->rgb[static_cast<std::size_t>(y) * picture->width * 3], nullptr);
      }
      png_read_end(png, info);
      png_textp texts = nullptr;
      const int count = png_get_text(png, info, &texts, nullptr);
      for (int k = 0; k < count; ++k) {
        picture->texts.emplace_back(texts[k].key, texts[k].text);
      }
      ok = true;
    }
  }
  png_destroy_read_struct(&png, &info, nullptr);
  std::fclose(file);
  return ok;
}

class ExportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : {"ChipDB.txt", "setting.ini", "skin", "samples"}) {
      fs::copy(kRunDir + "/" + name, m_dir.Path() + "/" + name, fs::copy_options::recursive);
    }
    LoadSettings();
    m_catalogue.Load();
  }
  void TearDown() override { platform::Shutdown(); }

  int Export(const std::vector<std::string>& args) {
    return RunExport(args, "pelublock export test");
  }
  Picture Read(const std::string& path) {
    Picture picture;
    EXPECT_TRUE(ReadPng(path, &picture)) << path;
    return picture;
  }
  // Files in the directory other than the copied data, as names.
  std::vector<std::string> LooseFiles() {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(m_dir.Path())) {
      if (entry.is_regular_file() && entry.path().extension() != ".txt" &&
          entry.path().extension() != ".ini") {
        names.push_back(entry.path().filename().string());
      }
    }
    return names;
  }

  ScopedTempDir m_dir;
  CChipCatalogue m_catalogue;
};

// The editor's back surface for a sample at a scroll offset, with the mouse
// in a margin so that no hover frame is drawn.
struct EditorScreen {
  explicit EditorScreen(CChipCatalogue& catalogue, const std::string& sample, POINT scroll) {
    platform::StartHeadless(Settings.ScreenWidth, Settings.ScreenHeight);
    platform::headless::SetCursor(2, 2);
    display = std::make_unique<CDisplay>();
    g_display = display.get();
    EXPECT_EQ(display->Init(DisplaySettingsFrom(Settings)), 1);
    registry = std::make_unique<CObjectRegistry>();
    g_registry = registry.get();
    program = ReadBlockProgram(&catalogue, sample, ProgramSettingsFrom(Settings));
    EXPECT_NE(program, nullptr);
    scrollView.Init();
    scrollView.ScrollBy(scroll.x, scroll.y);
    CEditorView view(scrollView);
    view.SetUp(*display, *registry);
    view.DrawFrame(*program, catalogue, CSelection(), GestureView());
    back = display->BackSurface();
  }
  ~EditorScreen() {
    g_registry = nullptr;
    g_display = nullptr;
  }
  std::unique_ptr<CDisplay> display;
  std::unique_ptr<CObjectRegistry> registry;
  std::unique_ptr<CBlockProgram> program;
  CScrollView scrollView;
  SurfaceView back;
};

TEST_F(ExportTest, EachSampleIsTheEditorsPictureOfTheSameCellsPixelForPixel) {
  // Unscrolled and scrolled by whole cells: the second also checks that the
  // background drifts as on screen and that the bands join where a cell row
  // crosses them (eight rows are drawn in two bands).
  const GridGeometry g = [] {
    CScrollView s;
    s.Init();
    return s.Geometry();
  }();
  const int columns = 7;
  const int rows = 8;
  for (const char* sample : {"avoid", "bumper", "line", "square"}) {
    for (const Cell first : {Cell{0, 0}, Cell{3, 2}}) {
      SCOPED_TRACE(std::string(sample) + " from cell " + std::to_string(first.x) + "," +
                   std::to_string(first.y));
      const std::string bhb = std::string("samples/") + sample + ".bhb";
      const std::string cells = std::to_string(first.x) + "," + std::to_string(first.y) + "," +
                                std::to_string(first.x + columns - 1) + "," +
                                std::to_string(first.y + rows - 1);
      ASSERT_EQ(Export({bhb, "-o", "out.png", "--cells", cells}), 0);
      const Picture picture = Read("out.png");
      ASSERT_EQ(picture.width, columns * g.pitchX);
      ASSERT_EQ(picture.height, rows * g.pitchY);
      const EditorScreen screen(m_catalogue, bhb, POINT{first.x * g.pitchX, first.y * g.pitchY});
      ASSERT_EQ(screen.scrollView.GetScroll().x, first.x * g.pitchX);
      // The scroll bars lie along the right and bottom edges, outside the
      // compared part.
      int differing = 0;
      for (int y = 0; y < std::min(picture.height, screen.back.height - 16); ++y) {
        for (int x = 0; x < std::min(picture.width, screen.back.width - 16); ++x) {
          differing += picture.At(x, y) != screen.back.PixelAt(x, y);
        }
      }
      EXPECT_EQ(differing, 0);
    }
  }
}

TEST_F(ExportTest, ByDefaultTheUsedCellsAndOneCellOfMarginInsideTheGridAreShown) {
  CBlockProgram program;
  program.Init(&m_catalogue, ProgramSettingsFrom(Settings));
  // Only the start cell: the margin is cut at the grid's top-left edge.
  EXPECT_EQ(DefaultCellRange(program), (CellRange{0, 0, 1, 1}));
  program.AddBox(4, 3, "forward");
  program.AddBox(6, 5, "forward");
  EXPECT_EQ(DefaultCellRange(program), (CellRange{0, 0, 7, 6}));
  program.AddBox(Settings.MaxChipNumX - 1, Settings.MaxChipNumY - 1, "forward");
  EXPECT_EQ(DefaultCellRange(program),
            (CellRange{0, 0, Settings.MaxChipNumX - 1, Settings.MaxChipNumY - 1}));

  // The sample beside its program, sized by its cells.
  ASSERT_EQ(Export({"samples/avoid.bhb"}), 0);
  std::unique_ptr<CBlockProgram> avoid =
      ReadBlockProgram(&m_catalogue, "samples/avoid.bhb", ProgramSettingsFrom(Settings));
  ASSERT_NE(avoid, nullptr);
  const CellRange range = DefaultCellRange(*avoid);
  const Picture picture = Read("samples/avoid.png");
  const std::optional<PictureSize> size = PictureSizeOf(range, 1);
  ASSERT_TRUE(size.has_value());
  EXPECT_EQ(picture.width, size->width);
  EXPECT_EQ(picture.height, size->height);
  EXPECT_EQ(picture.width, (range.x1 - range.x0 + 1) * (Settings.ChipWidth + Settings.ChipMarginX));
}

TEST_F(ExportTest, ScaleRepeatsEveryPixelAndTheTextChunksNameProgramAndCommand) {
  ASSERT_EQ(Export({"samples/line.bhb", "-o", "one.png", "--cells", "0,0,2,1"}), 0);
  ASSERT_EQ(Export({"samples/line.bhb", "-o", "three.png", "--cells", "0,0,2,1", "--scale", "3"}),
            0);
  const Picture one = Read("one.png");
  const Picture three = Read("three.png");
  ASSERT_EQ(three.width, one.width * 3);
  ASSERT_EQ(three.height, one.height * 3);
  int differing = 0;
  for (int y = 0; y < three.height; ++y) {
    for (int x = 0; x < three.width; ++x) {
      differing += three.At(x, y) != one.At(x / 3, y / 3);
    }
  }
  EXPECT_EQ(differing, 0);
  const std::vector<std::pair<std::string, std::string>> expected = {
      {"Title", "samples/line.bhb"},
      {"Software", "pelublock"},
      {"Comment", "pelublock export test"}};
  EXPECT_EQ(one.texts, expected);
}

TEST_F(ExportTest, NoGridLeavesOutTheFramesOfEmptyCellsOnly) {
  ASSERT_EQ(Export({"samples/line.bhb", "-o", "grid.png", "--cells", "0,0,6,6"}), 0);
  ASSERT_EQ(Export({"samples/line.bhb", "-o", "bare.png", "--cells", "0,0,6,6", "--no-grid"}), 0);
  const Picture grid = Read("grid.png");
  const Picture bare = Read("bare.png");
  std::unique_ptr<CBlockProgram> line =
      ReadBlockProgram(&m_catalogue, "samples/line.bhb", ProgramSettingsFrom(Settings));
  ASSERT_NE(line, nullptr);
  const int px = Settings.ChipWidth + Settings.ChipMarginX;
  const int py = Settings.ChipHeight + Settings.ChipMarginY;
  int emptyCells = 0;
  for (int r = 0; r < 7; ++r) {
    for (int c = 0; c < 7; ++c) {
      int differing = 0;
      // The chip's own rectangle, away from the arrows in the margins.
      for (int y = r * py + Settings.ChipMarginY / 2; y < r * py + py - Settings.ChipMarginY / 2;
           ++y) {
        for (int x = c * px + Settings.ChipMarginX / 2; x < c * px + px - Settings.ChipMarginX / 2;
             ++x) {
          differing += grid.At(x, y) != bare.At(x, y);
        }
      }
      const bool empty = line->GetBox(c, r) == nullptr && !(c == 0 && r == 0);
      emptyCells += empty;
      if (empty) {
        EXPECT_GT(differing, 0) << "cell " << c << "," << r;
      } else {
        EXPECT_EQ(differing, 0) << "cell " << c << "," << r;
      }
    }
  }
  EXPECT_GT(emptyCells, 0);
}

TEST_F(ExportTest, APictureOverTheSideLimitIsRefusedNamingTheLargestRangeThatFits) {
  const int px = Settings.ChipWidth + Settings.ChipMarginX;
  // The smallest scale at which the shipped grid's width is too wide.
  const int scale = kMaxPictureSide / (px * Settings.MaxChipNumX) + 1;
  const int fitting = kMaxPictureSide / (px * scale);
  ASSERT_LT(fitting, Settings.MaxChipNumX);
  const std::string last = std::to_string(Settings.MaxChipNumX - 1);
  testing::internal::CaptureStderr();
  EXPECT_EQ(Export({"samples/avoid.bhb", "-o", "big.png", "--cells", "0,1," + last + ",2",
                    "--scale", std::to_string(scale)}),
            2);
  const std::string message = testing::internal::GetCapturedStderr();
  EXPECT_NE(message.find("--cells 0,1," + std::to_string(fitting - 1) + ",2"), std::string::npos)
      << message;
  EXPECT_EQ(std::count(message.begin(), message.end(), '\n'), 1) << message;
  EXPECT_FALSE(m_dir.Exists("big.png"));

  // The range it names is written.
  EXPECT_EQ(Export({"samples/avoid.bhb", "-o", "big.png", "--cells",
                    "0,1," + std::to_string(fitting - 1) + ",2", "--scale", std::to_string(scale)}),
            0);
  EXPECT_EQ(Read("big.png").width, fitting * px * scale);
}

TEST_F(ExportTest, BadInputIsOneLineAnExitStatusAndNoPictureLeftBehind) {
  struct Case {
    std::vector<std::string> args;
    int status;
    std::string says;
  };
  const std::string last = std::to_string(Settings.MaxChipNumX);
  const std::vector<Case> cases = {
      {{"absent.bhb", "-o", "x.png"}, 1, "absent.bhb: cannot read the program file"},
      {{"samples/avoid.bhb", "-o", "no-such-dir/x.png"}, 1, "cannot write the picture"},
      {{"samples/avoid.bhb", "-o", "x.png", "--cells", "3,3,2,4"}, 2, "or reversed"},
      {{"samples/avoid.bhb", "-o", "x.png", "--cells", "0,0," + last + ",1"},
       2,
       "outside the grid"},
      {{"samples/avoid.bhb", "-o", "x.png", "--cells", "0,0,1"}, 2, "--cells needs"},
      {{"samples/avoid.bhb", "-o", "x.png", "--scale", "0"}, 2, "--scale needs"},
      {{"samples/avoid.bhb", "--bogus"}, 2, "unknown option '--bogus'"},
      {{}, 2, "no program file given"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.says);
    testing::internal::CaptureStderr();
    EXPECT_EQ(Export(c.args), c.status);
    const std::string message = testing::internal::GetCapturedStderr();
    EXPECT_EQ(message.rfind("pelublock export: ", 0), 0u) << message;
    EXPECT_NE(message.find(c.says), std::string::npos) << message;
    EXPECT_TRUE(LooseFiles().empty());
  }

  // A skin that is gone, or one whose sheet is not a bitmap.
  for (const bool remove : {true, false}) {
    if (remove) {
      fs::remove(m_dir.Path() + "/skin/def_skn.txt");
    } else {
      fs::copy(kRunDir + "/skin/def_skn.txt", m_dir.Path() + "/skin/def_skn.txt");
      for (const auto& entry : fs::directory_iterator(m_dir.Path() + "/skin")) {
        if (entry.path().extension() == ".bmp") {
          m_dir.WriteFile("skin/" + entry.path().filename().string(), "not a bitmap");
        }
      }
    }
    testing::internal::CaptureStderr();
    EXPECT_EQ(Export({"samples/avoid.bhb", "-o", "x.png"}), 1);
    const std::string message = testing::internal::GetCapturedStderr();
    EXPECT_NE(message.find("the skin is missing or broken"), std::string::npos) << message;
    EXPECT_TRUE(LooseFiles().empty());
  }
}

TEST_F(ExportTest, TheDefaultPictureSitsBesideTheProgram) {
  EXPECT_EQ(PicturePathFor("samples/avoid.bhb"), "samples/avoid.png");
  EXPECT_EQ(PicturePathFor("dir.v2/robot"), "dir.v2/robot.png");
  EXPECT_EQ(PicturePathFor(".hidden"), ".hidden.png");
}

}  // namespace
