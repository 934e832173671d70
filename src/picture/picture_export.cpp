// The picture of a program: the editor's grid drawing, band by band on a back
// surface as wide as the picture, each band's rows scaled and handed to
// libpng as soon as they are drawn, so memory stays bounded for any grid.
#include "picture/picture_export.h"

#include <algorithm>
#include <csetjmp>
#include <memory>
#include <string_view>
#include <vector>

#include "catalogue/chip_catalogue.h"
#include "display/display.h"
#include "display/object_registry.h"
#include "editor/editor_view.h"
#include "editor/scroll_view.h"
#include "editor/selection.h"
#include "foundation/settings.h"
#include "platform/file_system.h"
#include "png/png_stream.h"
#include "program/block_program.h"

namespace {

// Bands are whole rows of cells about this tall, so that each band starts on
// a cell boundary and the arrows reaching across it are drawn in both.
constexpr int kBandPixels = 512;

struct Pitch {
  int x;
  int y;
};

Pitch PitchOf() {
  return Pitch{std::max(Settings.ChipWidth, 1) + std::max(Settings.ChipMarginX, 0),
               std::max(Settings.ChipHeight, 1) + std::max(Settings.ChipMarginY, 0)};
}

// Puts back the globals that a picture borrows for its drawing.
class BorrowedDrawing {
 public:
  BorrowedDrawing()
      : m_display(g_display),
        m_registry(g_registry),
        m_width(Settings.ScreenWidth),
        m_height(Settings.ScreenHeight),
        m_fullScreen(Settings.FullScreen) {}
  ~BorrowedDrawing() {
    g_registry = m_registry;
    g_display = m_display;
    Settings.ScreenWidth = m_width;
    Settings.ScreenHeight = m_height;
    Settings.FullScreen = m_fullScreen;
  }
  BorrowedDrawing(const BorrowedDrawing&) = delete;
  BorrowedDrawing& operator=(const BorrowedDrawing&) = delete;

 private:
  CDisplay* m_display;
  CObjectRegistry* m_registry;
  int m_width;
  int m_height;
  int m_fullScreen;
};

// Draws and writes the rows; false on any failure of libpng or the file.
// Kept apart from anything with a destructor of its own, for the longjmp.
bool WriteRows(CPngStream& w, CEditorView& view, const CBlockProgram& program,
               const CChipCatalogue& catalogue, const CellRange& range,
               const PictureOptions& options, PictureSize size, int bandHeight,
               std::vector<png_byte>& row) {
  const Pitch pitch = PitchOf();
  const POINT origin{pitch.x * range.x0, pitch.y * range.y0};
  const int width = size.width / options.scale;
  const int height = size.height / options.scale;
  const CSelection nothingSelected;
  // Everything with a destructor is made before the jump point, so that a
  // jump back from libpng skips none.
  std::string key1 = "Title";
  std::string key2 = "Software";
  std::string key3 = "Comment";
  std::string software = "pelublock";
  if (setjmp(png_jmpbuf(w.Png())) != 0) {
    return false;
  }
  png_set_IHDR(w.Png(), w.Info(), static_cast<png_uint_32>(size.width),
               static_cast<png_uint_32>(size.height), 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  // Flat colours compress well at a low level; the default level and the
  // trial of every filter on every row took most of a large picture's time.
  png_set_compression_level(w.Png(), 3);
  png_set_filter(w.Png(), PNG_FILTER_TYPE_BASE, PNG_FILTER_SUB);
  // The texts are passed as they are: they are only ever data here.
  png_text texts[3] = {};
  texts[0].compression = PNG_TEXT_COMPRESSION_NONE;
  texts[0].key = key1.data();
  texts[0].text = const_cast<char*>(options.programName.c_str());
  texts[1].compression = PNG_TEXT_COMPRESSION_NONE;
  texts[1].key = key2.data();
  texts[1].text = software.data();
  texts[2].compression = PNG_TEXT_COMPRESSION_NONE;
  texts[2].key = key3.data();
  texts[2].text = const_cast<char*>(options.commandLine.c_str());
  png_set_text(w.Png(), w.Info(), texts, 3);
  png_write_info(w.Png(), w.Info());

  for (int top = 0; top < height; top += bandHeight) {
    const int rows = std::min(bandHeight, height - top);
    view.DrawGrid(program, catalogue, nothingSelected,
                  GridArea{POINT{origin.x, origin.y + top}, origin, Size{width, bandHeight},
                           options.emptyFrames});
    const SurfaceView back = g_display->BackSurface();
    for (int y = 0; y < rows; ++y) {
      png_byte* out = row.data();
      for (int x = 0; x < width; ++x) {
        const std::uint32_t v = back.PixelAt(x, y);
        for (int k = 0; k < options.scale; ++k) {
          *out++ = static_cast<png_byte>(v >> 16);
          *out++ = static_cast<png_byte>(v >> 8);
          *out++ = static_cast<png_byte>(v);
        }
      }
      for (int k = 0; k < options.scale; ++k) {
        png_write_row(w.Png(), row.data());
      }
    }
  }
  png_write_end(w.Png(), nullptr);
  return true;
}

}  // namespace

CellRange DefaultCellRange(const CBlockProgram& program) {
  // The start cell always counts: the picture shows where the program begins.
  CellRange used{0, 0, 0, 0};
  for (int y = 0; y < program.Rows(); ++y) {
    for (int x = 0; x < program.Columns(); ++x) {
      if (program.HasBox(x, y)) {
        used.x0 = std::min(used.x0, x);
        used.y0 = std::min(used.y0, y);
        used.x1 = std::max(used.x1, x);
        used.y1 = std::max(used.y1, y);
      }
    }
  }
  return CellRange{std::max(used.x0 - 1, 0), std::max(used.y0 - 1, 0),
                   std::max(std::min(used.x1 + 1, program.Columns() - 1), 0),
                   std::max(std::min(used.y1 + 1, program.Rows() - 1), 0)};
}

std::optional<PictureSize> PictureSizeOf(const CellRange& range, int scale) {
  const Pitch pitch = PitchOf();
  const long long width = static_cast<long long>(range.x1 - range.x0 + 1) * pitch.x * scale;
  const long long height = static_cast<long long>(range.y1 - range.y0 + 1) * pitch.y * scale;
  if (width <= 0 || height <= 0 || width > kMaxPictureSide || height > kMaxPictureSide) {
    return std::nullopt;
  }
  return PictureSize{static_cast<int>(width), static_cast<int>(height)};
}

CellRange LargestFittingRange(const CellRange& range, int scale) {
  const Pitch pitch = PitchOf();
  const int columns = std::max(kMaxPictureSide / (pitch.x * std::max(scale, 1)), 1);
  const int rows = std::max(kMaxPictureSide / (pitch.y * std::max(scale, 1)), 1);
  return CellRange{range.x0, range.y0, std::min(range.x1, range.x0 + columns - 1),
                   std::min(range.y1, range.y0 + rows - 1)};
}

PictureResult WriteProgramPicture(const CBlockProgram& program, const CChipCatalogue& catalogue,
                                  const PictureOptions& options, const std::string& path) {
  const CellRange range = options.cells ? *options.cells : DefaultCellRange(program);
  if (range.x0 < 0 || range.y0 < 0 || range.x1 < range.x0 || range.y1 < range.y0 ||
      range.x1 >= program.Columns() || range.y1 >= program.Rows() || options.scale < 1) {
    return PictureResult::kBadRange;
  }
  const std::optional<PictureSize> size = PictureSizeOf(range, options.scale);
  if (!size) {
    return PictureResult::kTooLarge;
  }
  const Pitch pitch = PitchOf();
  const int bandHeight = std::max(kBandPixels / pitch.y, 1) * pitch.y;

  BorrowedDrawing borrowed;
  Settings.ScreenWidth = size->width / options.scale;
  Settings.ScreenHeight = bandHeight;
  Settings.FullScreen = 0;  // 32-bit pixels, as a windowed editor draws
  auto display = std::make_unique<CDisplay>();
  g_display = display.get();
  if (display->Init(DisplaySettingsFrom(Settings)) == 0) {
    return PictureResult::kCannotDraw;
  }
  auto registry = std::make_unique<CObjectRegistry>();
  g_registry = registry.get();
  CScrollView scrollView;
  scrollView.Init();
  CEditorView view(scrollView);
  view.SetUp(*display, *registry);
  if (registry->GetObjectWidth("chip") <= 0 || registry->GetObjectWidth("background") <= 0) {
    return PictureResult::kNoSkin;
  }

  // The picture reaches its name only whole: a failure at any point leaves
  // no partial PNG behind, and an old picture of that name as it was.
  platform::CReplacement file(path);
  if (!file.Open()) {
    return PictureResult::kCannotWrite;
  }
  bool written = false;
  {
    CPngStream w(file);
    std::vector<png_byte> row(static_cast<std::size_t>(size->width) * 3);
    written =
        w.Valid() && WriteRows(w, view, program, catalogue, range, options, *size, bandHeight, row);
  }
  // The back surface and registry go before the file is kept, as in AppTerm.
  registry.reset();
  display.reset();
  if (!written || !file.Commit()) {
    return PictureResult::kCannotWrite;
  }
  return PictureResult::kWritten;
}
