// The property window: the overlay window that shows the properties common to
// the selected chips and edits them, by typing a number or by picking an
// option or a branch condition from a list.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "foundation/scene.h"

class CChipCatalogue;
class CDisplay;
class CEditorHost;
class CObjectRegistry;

// The most properties a chip type can describe for the two windows that read
// them. "property_num" comes from ChipDB.txt unchecked; a huge number would
// make the windows ask for millions of absent attributes, and no row list of
// that length fits on a screen anyway.
inline constexpr int kMaxChipProperties = 64;
// The most digits a typed number takes. Nine digits always fit a signed
// 32-bit integer, so a typed value cannot overflow wherever it is read as one.
inline constexpr std::size_t kMaxTypedDigits = 9;

// The number of properties a chip type describes: its "property_num" read as
// a decimal number, brought into 0 .. kMaxChipProperties.
int ChipPropertyCount(const CChipCatalogue& catalogue, const std::string& chip);

class CPropertyWindow final : public CScene {
 public:
  // The window for the editor's selection, opened at the screen point of the
  // click, which becomes its top-left corner unless the screen has no room.
  CPropertyWindow(CEditorHost& owner, int x, int y);

  // Builds the rows common to every selected chip and creates the window's
  // objects. Returns 0, creating nothing, when the chips share no property.
  int Enter(int argument) override;
  // Returns 1 for the frame tick, 0 for every other message.
  LRESULT HandleMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) override;
  // Draws the rows, the two buttons and the open value list over the
  // editor's saved picture.
  void Update() override;

  // One property row: its name (also the key of the value in the chips), the
  // value shown, the unit fields and the type fields, each split into parts.
  struct Row {
    std::string name;
    std::string value;
    std::vector<std::string> units;
    std::vector<std::vector<std::string>> type;
  };

  // What the window holds, for tests.
  const std::vector<Row>& Rows() const { return m_rows; }
  int ConditionIndex() const { return m_condition; }
  int ActiveRow() const { return m_activeRow; }
  bool IsListOpen() const { return m_listOpen; }
  const std::vector<std::string>& ListOptions() const { return m_options; }
  RECT ListRect() const;
  RECT WindowRect() const;
  // The unit of a row: its first unit field, or the one at the condition
  // index when the first is "VARIABLE"; nullptr when there is no such field.
  // A unit "NULL" is returned as it is and not drawn.
  const std::string* UnitOf(const Row& row) const;

 private:
  void LeftDown(POINT p);
  void LeftUp(POINT p);
  void MouseMove(POINT p);
  void WindowClick(POINT s);
  void ListClick(POINT s);
  void Activate(POINT s);
  void OpenList(POINT s, const std::vector<std::string>& options);
  void CloseList();
  void ResetDependentRow(Row& row) const;
  void TypeKey(WPARAM key);
  // The field of a row's type that decides its editing now: the one at the
  // condition index for a VARIABLE row, else the first; nullptr when the
  // type has no such field.
  const std::vector<std::string>* EditingField(const Row& row) const;
  void Commit();
  void Cancel();
  void Close();

  CEditorHost& m_owner;
  // What the window draws on: the editor's own display and registry.
  CDisplay& m_display;
  CObjectRegistry& m_registry;
  int m_left;
  int m_top;
  int m_width = 0;
  int m_height = 0;
  int m_rowHeight = 0;
  std::vector<Row> m_rows;
  int m_activeRow = -1;
  int m_condition = 1;
  bool m_keyboardEntry = false;

  bool m_listOpen = false;
  int m_listLeft = 0;
  int m_listTop = 0;
  int m_listWidth = 0;
  int m_listHeight = 0;
  int m_listRowHeight = 0;
  std::vector<std::string> m_options;

  POINT m_pressPoint;  // world point
  DWORD m_pressTime = 0;
  bool m_buttonDown = false;
};
