// The property window.
#include "windows/property_window.h"

#include <algorithm>
#include <map>
#include <set>

#include "catalogue/chip_catalogue.h"
#include "display/display.h"
#include "display/object_registry.h"
#include "editor/editor_document.h"
#include "editor/editor_host.h"
#include "foundation/settings.h"
#include "foundation/strings.h"
#include "foundation/texts.h"
#include "platform/platform.h"
#include "program/block_program.h"

namespace {

const std::string kRowSprite = "property-row";
const std::string kRowActiveSprite = "property-row-active";
const std::string kUpdate = "update";
const std::string kUpdateSprite = "property-row-update";
const std::string kUpdateHoverSprite = "property-row-update-hover";
const std::string kCancel = "cancel";
const std::string kCancelSprite = "property-row-cancel";
const std::string kCancelHoverSprite = "property-row-cancel-hover";
const std::string kListSprite = "property-row-listbox";
const std::string kListHoverSprite = "property-row-listbox-hover";

// Where the texts of a row go, relative to the window's left edge and the
// row's top.
constexpr int kNameLeft = 10;
constexpr int kValueLeft = 105;
constexpr int kUnitFromRight = 20;
constexpr int kTextTop = 3;
constexpr int kOptionLeft = 10;
constexpr COLORREF kWhite = 0xFFFFFF;
constexpr COLORREF kLabelOutline = 0x606060;
constexpr COLORREF kValueOutline = 0x404040;
constexpr COLORREF kButtonOutline = 0x5C5C5C;
// The button labels are centred at 8 and 7 pixels per byte of their text.
constexpr int kOkLabelWidth = 16;
constexpr int kCancelLabelWidth = 70;

// The value shown for a property whose value differs among the chips; it is
// never written back.
constexpr char kDiffering[] = "*";
constexpr char kNull[] = "NULL";

std::string RowName(int i) {
  return "row" + std::to_string(i);
}

std::string ListRowName(int i) {
  return "list-row" + std::to_string(i);
}

// The first part of a field ("SELECT" of "SELECT;slow;fast"); empty for a
// field without parts.
const std::string& Kind(const std::vector<std::string>& field) {
  static const std::string kNone;
  return field.empty() ? kNone : field[0];
}

// The first field of a type names the row's kind as a whole field: "IF" and
// "VARIABLE" count only when nothing else is in that field.
using TypeFields = std::vector<std::vector<std::string>>;

bool FirstFieldIs(const TypeFields& type, const char* kind) {
  return !type.empty() && type[0].size() == 1 && type[0][0] == kind;
}

TypeFields SplitType(const std::string& text) {
  TypeFields fields;
  for (const std::string& field : SplitTokens(text, ":")) {
    fields.push_back(SplitTokens(field, ";"));
  }
  return fields;
}

// The property names that a chip type describes.
std::set<std::string> PropertyNames(const CChipCatalogue& catalogue, const std::string& chip) {
  std::set<std::string> names;
  const int count = ChipPropertyCount(catalogue, chip);
  for (int n = 1; n <= count; ++n) {
    names.insert(catalogue.GetAttribute(chip, "property" + std::to_string(n) + "_name"));
  }
  return names;
}

bool Inside(POINT p, int left, int top, int width, int height) {
  // Both far edges belong to the area, as the window has always tested it.
  return p.x >= left && p.x <= left + width && p.y >= top && p.y <= top + height;
}

POINT PointOf(LPARAM lParam) {
  return POINT{GetXLParam(lParam), GetYLParam(lParam)};
}

}  // namespace

int ChipPropertyCount(const CChipCatalogue& catalogue, const std::string& chip) {
  return std::clamp(ParseLeadingInt(catalogue.GetAttribute(chip, "property_num")), 0,
                    kMaxChipProperties);
}

CPropertyWindow::CPropertyWindow(CEditorHost& owner, int x, int y)
    : m_owner(owner),
      m_display(owner.Display()),
      m_registry(owner.Registry()),
      m_left(x),
      m_top(y) {}

RECT CPropertyWindow::WindowRect() const {
  return RECT{m_left, m_top, m_left + m_width, m_top + m_height};
}

RECT CPropertyWindow::ListRect() const {
  return RECT{m_listLeft, m_listTop, m_listLeft + m_listWidth, m_listTop + m_listHeight};
}

int CPropertyWindow::Enter(int /*argument*/) {
  const CEditorDocument& document = m_owner.Document();
  const std::vector<Cell>& selection = document.Selection().Cells();
  const CBlockProgram& program = document.Program();
  const CChipCatalogue& catalogue = document.Catalogue();
  // Reading a value adds no empty property to a chip that the user only
  // looked at.
  auto valueOf = [&program](Cell cell, const std::string& key) {
    return program.BoxProperty(cell.x, cell.y, key);
  };
  auto idOf = [&valueOf](Cell cell) { return valueOf(cell, "id"); };

  // Cells of the selection that hold no chip any more have nothing to show.
  std::vector<Cell> boxes;
  for (Cell cell : selection) {
    if (program.HasBox(cell.x, cell.y)) {
      boxes.push_back(cell);
    }
  }
  if (boxes.empty()) {
    return 0;
  }

  const Cell first = boxes.front();
  const std::string firstChip = idOf(first);
  const int count = ChipPropertyCount(catalogue, firstChip);
  for (int n = 1; n <= count; ++n) {
    const std::string prefix = "property" + std::to_string(n);
    Row row;
    row.name = catalogue.GetAttribute(firstChip, prefix + "_name");
    row.value = valueOf(first, row.name);
    row.units = SplitTokens(catalogue.GetAttribute(firstChip, prefix + "_unit"), ":");
    row.type = SplitType(catalogue.GetAttribute(firstChip, prefix + "_type"));
    m_rows.push_back(std::move(row));
  }

  // Only the properties every selected chip has stay; a value that differs
  // among them shows as "*". Chips of one type share their name list.
  std::map<std::string, std::set<std::string>> namesByChip;
  for (Cell cell : boxes) {
    const std::string chip = idOf(cell);
    auto found = namesByChip.find(chip);
    if (found == namesByChip.end()) {
      found = namesByChip.emplace(chip, PropertyNames(catalogue, chip)).first;
    }
    const std::set<std::string>& names = found->second;
    std::erase_if(m_rows, [&names](const Row& row) { return names.count(row.name) == 0; });
    for (Row& row : m_rows) {
      if (row.value != valueOf(cell, row.name)) {
        row.value = kDiffering;
      }
    }
  }
  if (m_rows.empty()) {
    return 0;
  }

  // The condition that a branch chip holds decides how its parameter rows
  // are edited and which units they show.
  for (const Row& row : m_rows) {
    if (!FirstFieldIs(row.type, "IF")) {
      continue;
    }
    for (std::size_t k = 1; k < row.type.size(); ++k) {
      if (Kind(row.type[k]) == row.value) {
        m_condition = static_cast<int>(k);
        break;
      }
    }
    break;
  }

  m_width = m_registry.GetSymbolWidth(kRowSprite);
  m_rowHeight = m_registry.GetSymbolHeight(kRowSprite);
  const int rowCount = static_cast<int>(m_rows.size());
  m_height = m_rowHeight * (rowCount + 1);
  // The window opens to the left of and above the click where the screen has
  // no room for it to the right and below.
  if (Settings.ScreenWidth - m_left < m_width) {
    m_left -= m_width;
  }
  if (Settings.ScreenHeight - m_top < m_height) {
    m_top -= m_height;
  }
  for (int i = 0; i < rowCount; ++i) {
    m_registry.CreateObject(RowName(i), kRowSprite, m_left, m_top + i * m_rowHeight - 1);
  }
  const int buttonsTop = m_top + rowCount * m_rowHeight - 1;
  m_registry.CreateObject(kUpdate, kUpdateSprite, m_left, buttonsTop);
  m_registry.CreateObject(kCancel, kCancelSprite, m_left + m_width / 2, buttonsTop);
  return 1;
}

LRESULT CPropertyWindow::HandleMessage(HWND /*hwnd*/, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_APP_TICK:
      Update();
      return 1;
    case WM_MOUSEMOVE:
      MouseMove(PointOf(lParam));
      return 0;
    case WM_LBUTTONDOWN:
      LeftDown(PointOf(lParam));
      return 0;
    case WM_LBUTTONUP:
      LeftUp(PointOf(lParam));
      return 0;
    case WM_KEYDOWN:
      if (wParam == VK_ESCAPE) {
        if (m_listOpen) {
          CloseList();
        } else {
          Cancel();
        }
      } else if (wParam == VK_RETURN) {
        if (m_listOpen) {
          CloseList();
        } else {
          Commit();
        }
      } else if (m_keyboardEntry) {
        TypeKey(wParam);
      }
      return 0;
    default:
      return 0;
  }
}

void CPropertyWindow::MouseMove(POINT p) {
  auto hover = [this, p](const std::string& object, const std::string& plain,
                         const std::string& hovered) {
    m_registry.ChangeSymbol(object, m_registry.IsOnSymbol(object, p.x, p.y) ? hovered : plain);
  };
  if (m_listOpen) {
    for (std::size_t i = 0; i < m_options.size(); ++i) {
      hover(ListRowName(static_cast<int>(i)), kListSprite, kListHoverSprite);
    }
  } else {
    hover(kUpdate, kUpdateSprite, kUpdateHoverSprite);
    hover(kCancel, kCancelSprite, kCancelHoverSprite);
  }
}

void CPropertyWindow::LeftDown(POINT p) {
  if (m_listOpen && !Inside(p, m_listLeft, m_listTop, m_listWidth, m_listHeight)) {
    CloseList();
    return;
  }
  if (!m_listOpen && !Inside(p, m_left, m_top, m_width, m_height)) {
    Cancel();
    return;
  }
  m_pressPoint = m_owner.ScrollView().ScreenToWorld(p);
  m_pressTime = platform::TimeGetTime();
  m_buttonDown = true;
}

void CPropertyWindow::LeftUp(POINT p) {
  if (!m_buttonDown) {
    return;
  }
  m_buttonDown = false;
  if (!IsClickRelease(m_pressPoint, m_pressTime, m_owner.ScrollView().ScreenToWorld(p))) {
    return;
  }
  // The click acts where the button went down.
  const POINT s = m_owner.ScrollView().WorldToScreen(m_pressPoint.x, m_pressPoint.y);
  if (m_listOpen) {
    ListClick(s);
  } else {
    WindowClick(s);
  }
}

void CPropertyWindow::WindowClick(POINT s) {
  if (m_registry.IsOnSymbol(kCancel, s.x, s.y)) {
    Cancel();
    return;
  }
  if (m_registry.IsOnSymbol(kUpdate, s.x, s.y)) {
    Commit();
    return;
  }
  int hit = -1;
  for (int i = 0; i < static_cast<int>(m_rows.size()); ++i) {
    if (m_registry.IsOnSymbol(RowName(i), s.x, s.y)) {
      hit = i;
      break;
    }
  }
  if (hit < 0) {
    // A click on no row leaves the active row active, and so it keeps its
    // picture: typing still goes into it.
    return;
  }
  if (hit != m_activeRow) {
    m_keyboardEntry = false;
    if (m_activeRow >= 0) {
      m_registry.ChangeSymbol(RowName(m_activeRow), kRowSprite);
    }
    m_registry.ChangeSymbol(RowName(hit), kRowActiveSprite);
    m_activeRow = hit;
  }
  Activate(s);
}

const std::vector<std::string>* CPropertyWindow::EditingField(const Row& row) const {
  const std::size_t f =
      FirstFieldIs(row.type, "VARIABLE") ? static_cast<std::size_t>(m_condition) : 0;
  return f < row.type.size() ? &row.type[f] : nullptr;
}

const std::string* CPropertyWindow::UnitOf(const Row& row) const {
  if (row.units.empty()) {
    return nullptr;
  }
  const std::size_t f = row.units[0] == "VARIABLE" ? static_cast<std::size_t>(m_condition) : 0;
  return f < row.units.size() ? &row.units[f] : nullptr;
}

void CPropertyWindow::Activate(POINT s) {
  const Row& row = m_rows[static_cast<std::size_t>(m_activeRow)];
  const std::vector<std::string>* field = EditingField(row);
  const bool branch = !row.type.empty() && Kind(row.type[0]).starts_with("IF");
  if (branch || (field && Kind(*field).starts_with("SELECT"))) {
    std::vector<std::string> options;
    if (FirstFieldIs(row.type, "IF")) {
      // The conditions: the first part of every field after "IF".
      for (std::size_t k = 1; k < row.type.size(); ++k) {
        options.push_back(Kind(row.type[k]));
      }
    } else if (field) {
      options.assign(field->begin() + 1, field->end());
    }
    OpenList(s, options);
  } else if (field && Kind(*field) == "NUM") {
    m_keyboardEntry = true;
  }
}

void CPropertyWindow::OpenList(POINT s, const std::vector<std::string>& options) {
  // A list without options would be an invisible list that only swallows
  // the next press; the row just stays active instead.
  if (options.empty()) {
    return;
  }
  CloseList();
  m_options = options;
  m_listWidth = m_registry.GetSymbolWidth(kListSprite);
  m_listRowHeight = m_registry.GetSymbolHeight(kListSprite);
  m_listHeight = m_listRowHeight * static_cast<int>(m_options.size());
  m_listLeft = s.x;
  if (Settings.ScreenWidth - m_listLeft < m_listWidth) {
    m_listLeft -= m_listWidth;
  }
  m_listTop = s.y - m_listHeight / 2;
  if (m_listTop + m_listHeight > Settings.ScreenHeight) {
    m_listTop = Settings.ScreenHeight - m_listHeight;
  }
  if (m_listTop < 0) {
    m_listTop = 0;
  }
  for (std::size_t i = 0; i < m_options.size(); ++i) {
    m_registry.CreateObject(ListRowName(static_cast<int>(i)), kListSprite, m_listLeft,
                            m_listTop + static_cast<int>(i) * m_listRowHeight);
  }
  m_listOpen = true;
}

void CPropertyWindow::CloseList() {
  if (!m_listOpen) {
    return;
  }
  for (std::size_t i = 0; i < m_options.size(); ++i) {
    m_registry.RemoveObject(ListRowName(static_cast<int>(i)));
  }
  m_options.clear();
  m_listOpen = false;
}

void CPropertyWindow::ListClick(POINT s) {
  // A skin without the list sprite gives rows of no height, which no press
  // can name.
  const int index =
      m_listRowHeight > 0 && s.y >= m_listTop ? (s.y - m_listTop) / m_listRowHeight : -1;
  if (index >= 0 && index < static_cast<int>(m_options.size()) && m_activeRow >= 0) {
    const std::size_t active = static_cast<std::size_t>(m_activeRow);
    Row& row = m_rows[active];
    row.value = m_options[static_cast<std::size_t>(index)];
    if (FirstFieldIs(row.type, "IF")) {
      for (std::size_t k = 1; k < row.type.size(); ++k) {
        if (Kind(row.type[k]) == row.value) {
          m_condition = static_cast<int>(k);
          break;
        }
      }
      // The two parameter rows of a branch chip follow its condition row;
      // what they held meant something else under the old condition.
      for (std::size_t next = active + 1; next <= active + 2 && next < m_rows.size(); ++next) {
        ResetDependentRow(m_rows[next]);
      }
    }
  }
  CloseList();
}

void CPropertyWindow::ResetDependentRow(Row& row) const {
  const std::vector<std::string>* field = EditingField(row);
  if (field && Kind(*field) == "NUM") {
    row.value = "0";
  } else if (field && Kind(*field).starts_with("SELECT")) {
    row.value = field->size() > 1 ? (*field)[1] : std::string();
  } else {
    row.value.clear();
  }
}

void CPropertyWindow::TypeKey(WPARAM key) {
  if (m_activeRow < 0) {
    return;
  }
  std::string& value = m_rows[static_cast<std::size_t>(m_activeRow)].value;
  char digit = 0;
  if (key >= '0' && key <= '9') {
    digit = static_cast<char>(key);
  } else if (key >= static_cast<WPARAM>(VK_NUMPAD0) && key <= static_cast<WPARAM>(VK_NUMPAD0 + 9)) {
    digit = static_cast<char>('0' + (key - VK_NUMPAD0));
  }
  if (digit != 0) {
    if (value == "0" || value == kDiffering) {
      value = digit;
    } else if (value.size() < kMaxTypedDigits) {
      value += digit;
    }
  } else if (key == VK_BACK) {
    if (!value.empty()) {
      value.pop_back();
    }
    if (value.empty()) {
      value = "0";
    }
  }
}

void CPropertyWindow::Commit() {
  {
    // Every value written to every selected chip is one action.
    CEditorDocument& document = m_owner.Document();
    CEditorDocument::CAction action = document.Begin(EditKind::kSetProperties);
    for (const Row& row : m_rows) {
      if (row.value == kDiffering) {
        continue;
      }
      for (Cell cell : document.Selection().Cells()) {
        action.SetBoxProperty(cell.x, cell.y, row.name, row.value);
      }
    }
  }
  Close();
}

void CPropertyWindow::Cancel() {
  Close();
}

void CPropertyWindow::Close() {
  CloseList();
  for (int i = 0; i < static_cast<int>(m_rows.size()); ++i) {
    m_registry.RemoveObject(RowName(i));
  }
  // "update" and "cancel" stay registered; whichever window uses those names
  // next creates them anew. The editor destroys the window once this call
  // has returned: nothing of it may be used after this line.
  m_owner.CloseOverlay();
}

void CPropertyWindow::Update() {
  m_display.RestoreScreen();
  const int rowCount = static_cast<int>(m_rows.size());
  for (int i = 0; i < rowCount; ++i) {
    const Row& row = m_rows[static_cast<std::size_t>(i)];
    const int y = m_top + i * m_rowHeight + kTextTop;
    m_registry.Draw(RowName(i));
    if (row.name != kNull) {
      m_display.DrawText(m_left + kNameLeft, y, kWhite, kLabelOutline, "%s", row.name.c_str());
    }
    if (row.value != kNull) {
      m_display.DrawText(m_left + kValueLeft, y, kWhite, kValueOutline, "%s", row.value.c_str());
    }
    const std::string* unit = UnitOf(row);
    if (unit && *unit != kNull) {
      m_display.DrawText(m_left + m_width - kUnitFromRight, y, kWhite, kLabelOutline, "%s",
                         unit->c_str());
    }
  }
  m_registry.Draw(kUpdate);
  m_registry.Draw(kCancel);
  const int labelTop = m_top + rowCount * m_rowHeight + kTextTop;
  const int half = m_width / 2;
  m_display.DrawText(m_left + (half - kOkLabelWidth) / 2, labelTop, kWhite, kButtonOutline, "%s",
                     text::kButtonOk);
  m_display.DrawText(m_left + half + (half - kCancelLabelWidth) / 2, labelTop, kWhite,
                     kButtonOutline, "%s", text::kButtonCancel);
  if (m_listOpen) {
    for (std::size_t i = 0; i < m_options.size(); ++i) {
      const int row = static_cast<int>(i);
      m_registry.Draw(ListRowName(row));
      m_display.DrawText(m_listLeft + kOptionLeft, m_listTop + row * m_listRowHeight + kTextTop,
                         kWhite, kValueOutline, "%s", m_options[i].c_str());
    }
  }
  m_display.Present();
}
