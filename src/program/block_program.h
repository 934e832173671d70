// The block program: a grid of placed chips (boxes), each a bag of string
// properties, and the two rules that keep arrows consistent.
//
// The grid is flat: every cell is a small handle in one array, the
// properties of all boxes are slots in one array (each box a run of them,
// sorted by key), keys are interned to numbers and long values kept in one
// arena. A million-chip program so costs a few dozen bytes per chip and no
// allocation of its own per chip.
#pragma once

#include <cstdint>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "program/program_settings.h"
#include "program/property_store.h"

class CBlockProgram;
class CChipCatalogue;

// One placed chip: property keys to values, kept in ascending byte order of
// the key (the order in which they are saved). "id" names the chip type and
// "to" the direction of its arrow.
//
// A box is a view of its program's storage: everyone reads it, only its
// program changes it, so that every change is counted in the program's
// revision and no read can change what Save writes. The keys and values it
// hands out stay valid until the program next changes (a read that adds a
// key included).
class CBox {
 public:
  // A property held outside a program (the edit history's copy of a box).
  using Property = std::pair<std::string, std::string>;
  using PropertyView = std::pair<std::string_view, std::string_view>;

  // The properties of a box in saving order.
  class PropertyRange {
   public:
    class iterator {
     public:
      using iterator_category = std::forward_iterator_tag;
      using value_type = PropertyView;
      using difference_type = std::ptrdiff_t;
      using pointer = void;
      using reference = PropertyView;
      iterator() = default;
      iterator(const CPropertyStore* store, const PropertySlot* slot)
          : m_store(store), m_slot(slot) {}
      PropertyView operator*() const {
        return {m_store->KeyName(m_slot->key), m_store->ValueOf(*m_slot)};
      }
      iterator& operator++() {
        ++m_slot;
        return *this;
      }
      iterator operator++(int) {
        iterator before = *this;
        ++m_slot;
        return before;
      }
      bool operator==(const iterator& other) const { return m_slot == other.m_slot; }

     private:
      const CPropertyStore* m_store = nullptr;
      const PropertySlot* m_slot = nullptr;
    };
    using const_iterator = iterator;
    using value_type = PropertyView;

    PropertyRange(const CPropertyStore* store, const PropertySlot* first, std::size_t count)
        : m_store(store), m_first(first), m_count(count) {}
    iterator begin() const { return iterator(m_store, m_first); }
    iterator end() const { return iterator(m_store, m_first + m_count); }
    std::size_t size() const { return m_count; }
    bool empty() const { return m_count == 0; }
    // The properties as strings of their own, which outlive the program.
    std::vector<Property> ToVector() const;
    friend bool operator==(const PropertyRange& a, const PropertyRange& b);

   private:
    const CPropertyStore* m_store;
    const PropertySlot* m_first;
    std::size_t m_count;
  };

  // The value of a key without adding it; nothing when absent.
  std::optional<std::string_view> Find(std::string_view key) const;
  // The same for a key interned by the program (CBlockProgram::FindKey), which
  // spares the lookup of the key's string.
  std::optional<std::string_view> Find(KeyId key) const;
  // The value of a key; empty when absent, which means the same.
  std::string_view View(std::string_view key) const { return Find(key).value_or(""); }
  std::string_view View(KeyId key) const { return Find(key).value_or(""); }
  // As View, in a string of its own.
  std::string Value(std::string_view key) const { return std::string(View(key)); }
  PropertyRange Properties() const;

 private:
  friend class CBlockProgram;

  const CBlockProgram* m_program = nullptr;  // nullptr: the cell is empty
  std::uint32_t m_first = 0;                 // the box's run in the program's slots
  std::uint32_t m_count = 0;
};

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
  // The box's properties sorted by key, each key once; nothing for an empty
  // cell. Properties out of order are sorted when they are swapped in, and a
  // repeated key keeps its first value.
  std::optional<std::vector<CBox::Property>> box;
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
  void AddBox(int x, int y, std::string_view chipName);
  // Clears the arrows into the cell, then empties it.
  void DeleteBox(int x, int y);
  // Moves the box of one cell into another, every property with it. The
  // source must hold a box and the target lie inside; arrows are left alone.
  void MoveBox(int fromX, int fromY, int toX, int toY);
  // As MoveBox, but the source keeps its box.
  void CopyBox(int fromX, int fromY, int toX, int toY);
  bool HasBox(int x, int y) const;
  // The box of a cell, or nullptr. Boxes are read here and changed only
  // through the operations of the program. The pointer stays valid, and
  // shows the cell's box of the moment, until the next Init.
  const CBox* GetBox(int x, int y) const;

  // The property of a cell's box; empty when the cell is outside or empty.
  // An absent key is added to the box with an empty value: the model's own
  // read, which the editing operations use, so that the keys they looked at
  // appear in saved files (as "to=" for a chip without an arrow). It is no
  // change of the program's meaning and does not move the revision. Drawing,
  // the windows and the generator read with BoxProperty, which adds nothing.
  std::string GetBoxProperty(int x, int y, std::string_view key);
  // The property of a cell's box without adding it; empty when absent.
  std::string BoxProperty(int x, int y, std::string_view key) const;
  void SetBoxProperty(int x, int y, std::string_view key, std::string_view value);
  bool GetBoxPropertyKeys(int x, int y, std::vector<std::string>& keys) const;
  // Sets many properties of a cell's box at once, as SetBoxProperty would
  // one after the other in the given order (a key given twice keeps its last
  // value). Sorting them together costs n log n, where inserting them one by
  // one into the sorted run costs n^2 for keys in descending order.
  void SetBoxProperties(int x, int y, std::vector<CBox::Property>&& properties);

  // The same one property at a time, for the reader, which hands over each
  // line of a box without copying it first: Begin opens the box of a cell,
  // Add gives it a property, End sorts them in. Nothing else may change the
  // program while a box is open.
  void BeginBoxProperties(int x, int y);
  void AddBoxProperty(std::string_view key, std::string_view value);
  void EndBoxProperties();
  // Room for this many properties more, so that a reader who knows about how
  // many follow does not grow the slots many times over.
  void ReserveProperties(std::size_t count);

  // The number of a key in this program, for CBox::Find; kNoKey for a key
  // the program never met (no box has it). Numbers stay valid until the
  // next Init.
  KeyId FindKey(std::string_view key) const { return m_store.FindKey(key); }

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

  // What the storage holds, for the tests of its bounds: the property slots
  // (of boxes and those left behind by edits) and the bytes of the arena.
  std::size_t SlotCount() const { return m_slots.size(); }
  std::size_t ArenaBytes() const { return m_store.ArenaBytes(); }

  // The program is compiled into the robot script by WriteScript in the
  // generator's room (codegen/script_generator.h), which sits above this one.

 private:
  friend class CBox;
  static constexpr std::size_t kNoCell = static_cast<std::size_t>(-1);

  std::size_t Index(int x, int y) const {
    return static_cast<std::size_t>(y) * static_cast<std::size_t>(m_columns) +
           static_cast<std::size_t>(x);
  }

  // The box of a cell about to change (the observer is told), or nullptr.
  CBox* MutableBox(int x, int y);
  // Tells the cell observer that the cell is about to change.
  void WillChange(int x, int y) {
    if (m_cellObserver != nullptr && IsInside(x, y)) {
      const CBox& box = m_cells[Index(x, y)];
      m_cellObserver->BeforeCellChange(x, y, box.m_program != nullptr ? &box : nullptr);
    }
  }
  // The program changed: a revision it never had before.
  void Changed() { m_revision = ++m_lastRevision; }

  // The slots of a box.
  PropertySlot* SlotsOf(const CBox& box) { return m_slots.data() + box.m_first; }
  // Copies a box's run to the end of the slots; where the copy starts.
  std::uint32_t AppendRunOf(const CBox& box);
  // A new run at the end of the slots for a box, its old one left behind.
  void MoveToEnd(CBox& box);
  // Empties a cell's handle, leaving its run behind.
  void Vacate(CBox& box);
  // Gives a box the run of these properties, sorted as CellContent says.
  void Fill(CBox& box, std::vector<CBox::Property>& properties);
  // The value of a key; an absent key is added with an empty value (see
  // GetBoxProperty).
  std::string_view Materialize(CBox& box, std::string_view key);
  // Sets a value; returns whether it differs from the one before (an absent
  // key reading as empty).
  bool Set(CBox& box, std::string_view key, std::string_view value);
  // Sets a box's arrow, counting a real change.
  void SetArrow(CBox& box, std::string_view direction);
  // Moves the runs of all boxes together and rebuilds the arena once edits
  // have left more behind than the boxes hold, so that a long editing session
  // keeps its storage in proportion to the program.
  void CompactIfWasteful();
  void Compact();

  CChipCatalogue* m_catalogue = nullptr;
  unsigned long m_revision = 0;
  unsigned long m_lastRevision = 0;  // the highest revision handed out
  CCellObserver* m_cellObserver = nullptr;
  int m_columns = 0;
  int m_rows = 0;
  ChipRoles m_roles;
  std::vector<CBox> m_cells;  // row-major
  std::vector<PropertySlot> m_slots;
  std::size_t m_deadSlots = 0;  // slots left behind, of no box
  CPropertyStore m_store;
  std::size_t m_openCell = kNoCell;  // the box between Begin- and EndBoxProperties
  std::uint32_t m_openSorted = 0;    // its slots from before Begin
  // The keys last read, two to a place chosen by their length and end bytes:
  // a file uses a few keys over and over, which are then recognised by one
  // comparison instead of being hashed whole.
  static constexpr std::size_t kRecentKeys = 64;
  KeyId m_recentKeys[kRecentKeys];
  KeyId m_idKey = kNoKey;  // "id", which every box has
  // The keys added to recent boxes that held only their "id", when they
  // came sorted, each once and without "id", and where "id" went among
  // them: the boxes of a saved file mostly repeat one such list for each
  // chip type, which then needs no comparison of key strings.
  struct KeyList {
    std::vector<KeyId> keys;
    std::size_t idPlace = 0;
  };
  static constexpr std::size_t kKeyLists = 8;
  // The remembered list that the slots' keys repeat, if any.
  const KeyList* KnownKeyList(const PropertySlot* first, const PropertySlot* last);
  KeyList m_keyLists[kKeyLists];
  std::size_t m_lastKeyList = 0;                               // the list matched last, tried first
  std::size_t m_nextKeyList = 0;                               // the list a new one replaces
  std::vector<std::pair<std::string, std::string>> m_general;  // sorted by key
};
