// The preview's compositor and its reading of the skin file.
#include "mock_screen.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

std::vector<std::string> SplitFields(const std::string& line) {
  std::vector<std::string> out;
  std::string field;
  for (char ch : line) {
    if (std::strchr(" ,\t\r\n", ch) != nullptr) {
      if (!field.empty()) {
        out.push_back(field);
      }
      field.clear();
    } else {
      field += ch;
    }
  }
  if (!field.empty()) {
    out.push_back(field);
  }
  return out;
}

bool ParseInt(const std::string& text, int* value) {
  if (text.empty() || text.size() > 6 ||
      !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    return false;
  }
  *value = std::stoi(text);
  return true;
}

}  // namespace

CMockScreen::CMockScreen(int width, int height, CFontLibrary& fonts)
    : m_fonts(fonts), m_canvas(width, height) {}

bool CMockScreen::LoadSkin(const std::string& runDir, std::string* error) {
  std::vector<std::uint8_t> bytes;
  const std::string defPath = runDir + "/skin/def_skn.txt";
  if (!ReadBytes(defPath, &bytes)) {
    *error = "cannot read " + defPath;
    return false;
  }
  std::map<std::string, int> loaded;  // bitmap path text -> index
  bool started = false;
  std::string line;
  const std::string text(bytes.begin(), bytes.end());
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) {
      end = text.size();
    }
    line = text.substr(start, end - start);
    start = end + 1;
    if (!line.empty() && line[0] == '>') {
      started = true;
      continue;
    }
    if (!started || line.empty() || line[0] != '#') {
      continue;
    }
    const std::vector<std::string> f = SplitFields(line.substr(1));
    Sprite s;
    if (f.size() < 6 || !ParseInt(f[2], &s.x) || !ParseInt(f[3], &s.y) || !ParseInt(f[4], &s.w) ||
        !ParseInt(f[5], &s.h)) {
      *error = "broken entry: " + line;
      return false;
    }
    auto it = loaded.find(f[1]);
    if (it == loaded.end()) {
      std::string path = f[1];
      std::replace(path.begin(), path.end(), '\\', '/');
      std::vector<std::uint8_t> bmp;
      Image image;
      if (!ReadBytes(runDir + "/" + path, &bmp) || !DecodeBmp24(bmp, &image)) {
        *error = "cannot read the bitmap " + path;
        return false;
      }
      m_bitmaps.push_back(std::move(image));
      it = loaded.emplace(f[1], static_cast<int>(m_bitmaps.size() - 1)).first;
    }
    s.bitmap = it->second;
    const Image& b = m_bitmaps[s.bitmap];
    if (s.x + s.w > b.width || s.y + s.h > b.height) {
      *error = "sprite " + f[0] + " lies outside its bitmap";
      return false;
    }
    m_sprites[f[0]] = s;
  }
  return true;
}

const CMockScreen::Sprite* CMockScreen::Find(const std::string& name) const {
  auto it = m_sprites.find(name);
  if (it == m_sprites.end()) {
    std::fprintf(stderr, "skinpreview: no sprite named %s\n", name.c_str());
    return nullptr;
  }
  return &it->second;
}

int CMockScreen::SpriteWidth(const std::string& name) const {
  const Sprite* s = Find(name);
  return s ? s->w : 0;
}

int CMockScreen::SpriteHeight(const std::string& name) const {
  const Sprite* s = Find(name);
  return s ? s->h : 0;
}

void CMockScreen::Clear(Rgb colour) {
  Fill(0, 0, Width(), Height(), colour);
}

void CMockScreen::Fill(int x, int y, int w, int h, Rgb colour) {
  m_canvas.FillRect(RectF{static_cast<float>(x), static_cast<float>(y), static_cast<float>(w),
                          static_cast<float>(h)},
                    Colour{colour.r, colour.g, colour.b, 1});
}

void CMockScreen::Draw(const std::string& name, int x, int y) {
  const Sprite* s = Find(name);
  if (s != nullptr) {
    DrawPart(name, x, y, s->w, s->h);
  }
}

void CMockScreen::DrawPart(const std::string& name, int x, int y, int w, int h) {
  const Sprite* s = Find(name);
  if (s == nullptr) {
    return;
  }
  const Image& b = m_bitmaps[s->bitmap];
  w = std::min(w, b.width - s->x);
  h = std::min(h, b.height - s->y);
  for (int j = 0; j < h; ++j) {
    for (int i = 0; i < w; ++i) {
      const Rgb c = b.At(s->x + i, s->y + j);
      if (!(c == Rgb{})) {
        m_canvas.Blend(x + i, y + j, Colour{c.r, c.g, c.b, 1}, 1);
      }
    }
  }
}

void CMockScreen::DrawTiled(const std::string& name, int x, int y, int w, int h) {
  const Sprite* s = Find(name);
  if (s == nullptr || s->w <= 0 || s->h <= 0) {
    return;
  }
  const int rx = w % s->w, ry = h % s->h;
  const int nx = (w - rx) / s->w, ny = (h - ry) / s->h;
  for (int i = 0; i <= nx; ++i) {
    const int tw = i < nx ? s->w : rx;
    for (int j = 0; j <= ny; ++j) {
      const int th = j < ny ? s->h : ry;
      if (tw > 0 && th > 0) {
        DrawPart(name, x + i * s->w, y + j * s->h, tw, th);
      }
    }
  }
}

void CMockScreen::Text(int x, int y, const std::string& utf8, Colour text, Colour outline) {
  const bool wide = std::any_of(utf8.begin(), utf8.end(),
                                [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
  TTF_Font* font =
      wide ? m_fonts.Get(FontFace::kUiGothic, 12) : m_fonts.Get(FontFace::kUiLatin, 13);
  DrawOutlinedText(m_canvas, font, utf8, x, y, text, outline);
}

void CMockScreen::Caption(int x, int y, const std::string& utf8, TTF_Font* font, Colour colour) {
  DrawText(m_canvas, font, utf8, x, y, colour);
}

void CMockScreen::DashedFrame(int left, int top, int right, int bottom, Colour pen) {
  // GDI's dashed pen: 18 pixels on, 6 off, continuing around the corners.
  int step = 0;
  auto plot = [&](int x, int y) {
    if (step++ % 24 < 18) {
      m_canvas.Blend(x, y, pen, 1);
    }
  };
  for (int x = left; x < right - 1; ++x)
    plot(x, top);
  for (int y = top; y < bottom - 1; ++y)
    plot(right - 1, y);
  for (int x = right - 1; x > left; --x)
    plot(x, bottom - 1);
  for (int y = bottom - 1; y > top; --y)
    plot(left, y);
}

bool CMockScreen::Save(const std::string& path) const {
  Image image{Width(), Height(), m_canvas.Compose(Rgb{})};
  return WriteBytes(path, EncodeBmp24(image));
}
