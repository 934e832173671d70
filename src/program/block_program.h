// The block program: a grid of placed chips (boxes), each a bag of string
// properties, and the two rules that keep arrows consistent.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "program/program_settings.h"

class CBlockProgram;
class CBox;
class CChipCatalogue;

// Told of every cell of a program just before it changes: its box replaced,
// removed, edited or given an empty key by a read. The edit history records
// the cells of a step this way, so that a step costs what it changed.
class CCellObserver {
 public:
  virtual ~CCellObserver() = default;
  // The box as it still is; nullptr for an empty cell.
  virtual void BeforeCellChange(int x, int y, const CBox* box) = 0;
};

// The content of one cell held outside its grid: what the edit history keeps
// of a step, and swaps back in to undo or redo it.
struct CellContent {
  int x = 0;
  int y = 0;
  std::unique_ptr<CBox> box;  // nullptr for an empty cell
};

// One placed chip: property keys to values, kept in ascending byte order of
// the key (the order in which they are saved). "id" names the chip type and
// "to" the direction of its arrow.
//
// Everyone reads a box; only its program changes it, so that every change is
// counted in the program's revision and no read can change what Save writes.
class CBox {
 public:
  using Property = std::pair<std::string, std::string>;

  explicit CBox(const std::string& chipName);
  // A box with these properties, as Properties() gave them: sorted by key,
  // each key once (the edit history keeps boxes this way). Properties out of
  // order are sorted and a repeated key keeps its first value.
  explicit CBox(std::vector<Property> properties);

  // The value of a key without adding it; nullptr when absent.
  const std::string* Find(const std::string& key) const;
  // The value of a key; empty when absent, which means the same.
  const std::string& Value(const std::string& key) const;
  const std::vector<Property>& Properties() const { return m_properties; }

 private:
  friend class CBlockProgram;

  // The value of a key; an absent key is added with an empty value (see
  // CBlockProgram::GetBoxProperty).
  const std::string& Materialize(const std::string& key);
  void Set(const std::string& key, const std::string& value);
  std::vector<Property>::iterator LowerBound(const std::string& key);

  std::vector<Property> m_properties;  // sorted by key
};

class CBlockProgram {
 public:
  CBlockProgram();
  ~CBlockProgram();
  CBlockProgram(const CBlockProgram&) = delete;
  CBlockProgram& operator=(const CBlockProgram&) = delete;

  // Creates the empty grid of the settings' columns x rows cells, keeps
  // their chip roles and binds the catalogue, which the program does not
  // own.
  void Init(CChipCatalogue* catalogue, const ProgramSettings& settings);
  CChipCatalogue* Catalogue() const { return m_catalogue; }
  // Which chips branch and loop, and the keys of their exits.
  const ChipRoles& Roles() const { return m_roles; }

  int Columns() const { return m_columns; }
  int Rows() const { return m_rows; }
  bool IsInside(int x, int y) const { return x >= 0 && y >= 0 && x < m_columns && y < m_rows; }

  // Places a new box whose "id" is the chip name; a box already there is
  // replaced. Cells outside the grid are ignored.
  void AddBox(int x, int y, const std::string& chipName);
  // Clears the arrows into the cell, then empties it.
  void DeleteBox(int x, int y);
  // Moves the box of one cell into another, every property with it. The
  // source must hold a box and the target lie inside; arrows are left alone.
  void MoveBox(int fromX, int fromY, int toX, int toY);
  // As MoveBox, but the source keeps its box.
  void CopyBox(int fromX, int fromY, int toX, int toY);
  bool HasBox(int x, int y) const;
  // The box of a cell, or nullptr. Boxes are read here and changed only
  // through the operations of the program.
  const CBox* GetBox(int x, int y) const;

  // The property of a cell's box; empty when the cell is outside or empty.
  // An absent key is added to the box with an empty value: the model's own
  // read, which the editing operations use, so that the keys they looked at
  // appear in saved files (as "to=" for a chip without an arrow). It is no
  // change of the program's meaning and does not move the revision. Drawing,
  // the windows and the generator read with BoxProperty, which adds nothing.
  std::string GetBoxProperty(int x, int y, const std::string& key);
  // The property of a cell's box without adding it; empty when absent.
  std::string BoxProperty(int x, int y, const std::string& key) const;
  void SetBoxProperty(int x, int y, const std::string& key, const std::string& value);
  bool GetBoxPropertyKeys(int x, int y, std::vector<std::string>& keys) const;
  // Sets many properties of a cell's box at once, as SetBoxProperty would
  // one after the other in the given order (a key given twice keeps its last
  // value). Sorting them together costs n log n, where inserting them one by
  // one into the sorted list costs n^2 for keys in descending order: the
  // reader hands over each box's lines here.
  void SetBoxProperties(int x, int y, std::vector<CBox::Property>&& properties);

  void SetGeneralAttribute(const std::string& key, const std::string& value);
  std::string GetGeneralAttribute(const std::string& key) const;
  bool GetGeneralKeys(std::vector<std::string>& keys) const;
  // As SetGeneralAttribute for each pair in order, sorted once.
  void SetGeneralAttributes(std::vector<std::pair<std::string, std::string>>&& attributes);

  // Before a box leaves a cell: every neighbour's "to" that points into the
  // cell is cleared.
  void ClearArrowsInto(int x, int y);
  // After a box arrived in a cell: its arrow into an empty neighbour is
  // cleared, and a neighbour's arrow opposed to its own is cleared.
  void ResolveArrowsAt(int x, int y);

  // A number that changes with every change of the grid, the boxes'
  // properties or the general attributes (reading a property, which may add
  // an empty key, is no change). The editor compares it with the number at
  // the last open or save to know whether anything would be lost.
  unsigned long Revision() const { return m_revision; }

  // The observer is not owned; nullptr removes it. At most one at a time.
  void SetCellObserver(CCellObserver* observer) { m_cellObserver = observer; }
  // Swaps the box of each cell with the one given (undo and redo), and puts
  // the revision back to the one the program had when it last held these
  // boxes. Revisions are never handed out twice, so a revision names one
  // content: the saved one is recognised again when a redo comes back to it,
  // and a new edit after an undo never looks saved. Cells outside the grid
  // are skipped; the cell observer is not told.
  void ExchangeCells(std::vector<CellContent>& cells, unsigned long revision);

  // The program is compiled into the robot script by WriteScript in the
  // generator's room (codegen/script_generator.h), which sits above this one.

 private:
  std::size_t Index(int x, int y) const {
    return static_cast<std::size_t>(y) * static_cast<std::size_t>(m_columns) +
           static_cast<std::size_t>(x);
  }

  CBox* MutableBox(int x, int y);
  // Tells the cell observer that the cell is about to change.
  void WillChange(int x, int y) {
    if (m_cellObserver != nullptr && IsInside(x, y)) {
      m_cellObserver->BeforeCellChange(x, y, m_cells[Index(x, y)].get());
    }
  }
  // The program changed: a revision it never had before.
  void Changed() { m_revision = ++m_lastRevision; }
  // Sets a box's arrow, counting a real change.
  void SetArrow(CBox& box, const std::string& direction);

  CChipCatalogue* m_catalogue = nullptr;
  unsigned long m_revision = 0;
  unsigned long m_lastRevision = 0;  // the highest revision handed out
  CCellObserver* m_cellObserver = nullptr;
  int m_columns = 0;
  int m_rows = 0;
  ChipRoles m_roles;
  std::vector<std::unique_ptr<CBox>> m_cells;                  // row-major
  std::vector<std::pair<std::string, std::string>> m_general;  // sorted by key
};
