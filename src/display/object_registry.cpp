// The registry of named screen objects.
#include "display/object_registry.h"

#include <algorithm>
#include <climits>
#include <cmath>

#include "display/display.h"
#include "foundation/errorlog.h"
#include "foundation/settings.h"
#include "foundation/texts.h"

CObjectRegistry* g_registry = nullptr;

namespace {

// Truncation toward zero, as a cast does, but defined for every double: the
// positions come from callers' arithmetic and must not turn into undefined
// behaviour when they run far off the screen.
int TruncToInt(double v) {
  if (std::isnan(v)) {
    return 0;
  }
  return static_cast<int>(
      std::clamp(std::trunc(v), static_cast<double>(INT_MIN), static_cast<double>(INT_MAX)));
}

void LogNoSuchObject(const std::string& name, const char* operation) {
  ErrorLog("%s", text::kLogNoSuchObject);
  ErrorLog("%s", name.c_str());
  ErrorLog("%s", operation);
}

// The tiles of a row or column that can reach the screen: from the first
// whose far edge is at or after 0 to the last whose near edge is at or before
// the screen's edge. Tiles outside would be skipped by the copy anyway;
// leaving them out keeps a huge area from costing a huge loop.
void VisibleTiles(double origin, int tile, std::int64_t count, int screen, std::int64_t* first,
                  std::int64_t* last) {
  auto index = [](double v) -> std::int64_t {
    return std::isnan(v) ? 0 : static_cast<std::int64_t>(std::clamp(std::floor(v), -1e15, 1e15));
  };
  *first = std::max<std::int64_t>(0, index(-origin / tile) - 1);
  *last = std::min<std::int64_t>(count - 1, index((screen - origin) / tile) + 1);
}

}  // namespace

CObjectRegistry::CObjectRegistry() = default;
CObjectRegistry::~CObjectRegistry() = default;

int CObjectRegistry::LoadSkin(const std::string& section) {
  return m_symbols.LoadSection(section);
}

void CObjectRegistry::CreateObject(const std::string& name, const std::string& sprite, int x,
                                   int y) {
  auto object = std::make_unique<CScreenObject>();
  object->x = x;
  object->y = y;
  object->spriteWidth = GetSymbolWidth(sprite);
  object->spriteHeight = GetSymbolHeight(sprite);
  object->hitWidth = object->spriteWidth;
  object->hitHeight = object->spriteHeight;
  object->sprite = sprite;
  m_objects[name] = std::move(object);
}

int CObjectRegistry::Exists(const std::string& name) const {
  return m_objects.contains(name) ? 1 : 0;
}

void CObjectRegistry::RemoveObject(const std::string& name) {
  m_objects.erase(name);
}

void CObjectRegistry::Clear() {
  m_objects.clear();
  m_symbols.Release();
}

void CObjectRegistry::SetPosition(const std::string& name, double x, double y) {
  CScreenObject* object = Lookup(name);
  if (object == nullptr) {
    return;
  }
  // Not-a-number is no position either.
  if (x >= 0) {
    object->x = x;
  }
  if (y >= 0) {
    object->y = y;
  }
}

void CObjectRegistry::SetHitWidth(const std::string& name, double width) {
  if (CScreenObject* object = Lookup(name)) {
    object->hitWidth = TruncToInt(width);
  }
}

void CObjectRegistry::SetHitHeight(const std::string& name, double height) {
  if (CScreenObject* object = Lookup(name)) {
    object->hitHeight = TruncToInt(height);
  }
}

void CObjectRegistry::ChangeSymbol(const std::string& name, const std::string& sprite) {
  if (CScreenObject* object = Lookup(name)) {
    object->sprite = sprite;
    object->spriteWidth = GetSymbolWidth(sprite);
    object->spriteHeight = GetSymbolHeight(sprite);
  }
}

int CObjectRegistry::GetObjectWidth(const std::string& name) const {
  const CScreenObject* object = Find(name);
  return object != nullptr ? object->spriteWidth : 0;
}

int CObjectRegistry::GetObjectHeight(const std::string& name) const {
  const CScreenObject* object = Find(name);
  return object != nullptr ? object->spriteHeight : 0;
}

int CObjectRegistry::IsOnSymbol(const std::string& name, int px, int py) const {
  const CScreenObject* object = Find(name);
  if (object == nullptr) {
    LogNoSuchObject(name, text::kLogIsOnSymbolFor);
    return 0;
  }
  const double x = px;
  const double y = py;
  return (object->x <= x && x < object->x + object->hitWidth && object->y <= y &&
          y < object->y + object->hitHeight)
             ? 1
             : 0;
}

void CObjectRegistry::Draw(const std::string& name) {
  const CScreenObject* object = Find(name);
  if (object == nullptr) {
    LogNoSuchObject(name, text::kLogDrawCalledFor);
    return;
  }
  m_symbols.DrawSymbol(object->sprite, TruncToInt(object->x), TruncToInt(object->y));
}

void CObjectRegistry::DrawAt(const std::string& name, int x, int y) {
  const CScreenObject* object = Find(name);
  if (object == nullptr) {
    LogNoSuchObject(name, text::kLogDrawCalledFor);
    return;
  }
  m_symbols.DrawSymbol(object->sprite, x, y);
}

void CObjectRegistry::DrawTiled(const std::string& name, int width, int height) {
  const CScreenObject* object = Find(name);
  if (object == nullptr) {
    LogNoSuchObject(name, text::kLogDrawCalledFor);
    return;
  }
  const int w = object->spriteWidth;
  const int h = object->spriteHeight;
  if (w <= 0 || h <= 0 || width <= 0 || height <= 0) {
    return;  // no tile to repeat, or no area to cover
  }
  const int rx = width % w;
  const int ry = height % h;
  const std::int64_t nx = (width - rx) / w;
  const std::int64_t ny = (height - ry) / h;
  const double x = object->x;
  const double y = object->y;
  const std::string& sprite = object->sprite;
  auto at = [](double origin, std::int64_t index, int size) {
    return TruncToInt(origin + static_cast<double>(index) * size);
  };

  std::int64_t i0 = 0;
  std::int64_t i1 = 0;
  std::int64_t j0 = 0;
  std::int64_t j1 = 0;
  // Tiles are drawn on the one display; only those on its surface are.
  const int screenWidth = g_display != nullptr ? g_display->Width() : 0;
  const int screenHeight = g_display != nullptr ? g_display->Height() : 0;
  VisibleTiles(x, w, nx, screenWidth, &i0, &i1);
  VisibleTiles(y, h, ny, screenHeight, &j0, &j1);
  for (std::int64_t i = i0; i <= i1; ++i) {
    for (std::int64_t j = j0; j <= j1; ++j) {
      m_symbols.DrawSymbol(sprite, at(x, i, w), at(y, j, h));
    }
    if (ry > 0) {
      m_symbols.DrawSymbolPart(sprite, at(x, i, w), at(y, ny, h), w, ry);
    }
  }
  if (rx > 0) {
    for (std::int64_t j = j0; j <= j1; ++j) {
      m_symbols.DrawSymbolPart(sprite, at(x, nx, w), at(y, j, h), rx, h);
    }
    if (ry > 0) {
      m_symbols.DrawSymbolPart(sprite, at(x, nx, w), at(y, ny, h), rx, ry);
    }
  }
}

void CObjectRegistry::DrawAll() {
  for (const auto& [name, object] : m_objects) {
    m_symbols.DrawSymbol(object->sprite, TruncToInt(object->x), TruncToInt(object->y));
  }
}

int CObjectRegistry::GetSymbolWidth(const std::string& sprite) const {
  const RECT r = m_symbols.GetSymbolRect(sprite);
  return static_cast<int>(
      std::clamp<std::int64_t>(std::int64_t{r.right} - r.left, INT_MIN, INT_MAX));
}

int CObjectRegistry::GetSymbolHeight(const std::string& sprite) const {
  const RECT r = m_symbols.GetSymbolRect(sprite);
  return static_cast<int>(
      std::clamp<std::int64_t>(std::int64_t{r.bottom} - r.top, INT_MIN, INT_MAX));
}

const CScreenObject* CObjectRegistry::Find(const std::string& name) const {
  auto found = m_objects.find(name);
  return found != m_objects.end() ? found->second.get() : nullptr;
}

CScreenObject* CObjectRegistry::Lookup(const std::string& name) {
  auto found = m_objects.find(name);
  return found != m_objects.end() ? found->second.get() : nullptr;
}
