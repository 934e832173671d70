// The rules by which chips are joined, shared by the generator and the
// checker.
#include "program/connections.h"

#include <algorithm>

#include "program/block_program.h"

namespace {

const std::string kToKey = "to";

}  // namespace

ChipKind KindOf(const CBox& box, const ChipRoles& roles) {
  const std::string_view id = box.View("id");
  if (id == roles.branchChipId) {
    return ChipKind::kBranch;
  }
  if (id == roles.loopChipId) {
    return ChipKind::kLoop;
  }
  return ChipKind::kPlain;
}

std::array<const std::string*, 5> ConnectionKeys(const ChipRoles& roles) {
  return {&kToKey, &roles.branchTrueKey, &roles.branchFalseKey, &roles.loopTrueKey,
          &roles.loopFalseKey};
}

std::optional<GridCell> FollowConnection(int x, int y, std::string_view value, ArrowForm form) {
  const int d = DirectionOf(value, form);
  if (d < 0) {
    return std::nullopt;
  }
  const DirectionInfo& info = Info(static_cast<Direction>(d));
  return GridCell{x + info.dx, y + info.dy};
}

CConnectionCounts::CConnectionCounts(const CBlockProgram& program)
    : m_columns(program.Columns()), m_rows(program.Rows()) {
  m_counts.assign(static_cast<std::size_t>(m_columns) * static_cast<std::size_t>(m_rows), 0);
  if (!m_counts.empty()) {
    m_counts[0] = 1;  // the start cell
  }
  // The keys are looked up once, not at every box.
  std::array<KeyId, 5> keys{};
  const auto names = ConnectionKeys(program.Roles());
  std::transform(names.begin(), names.end(), keys.begin(),
                 [&](const std::string* name) { return program.FindKey(*name); });
  for (int y = 0; y < m_rows; ++y) {
    for (int x = 0; x < m_columns; ++x) {
      const CBox* box = program.GetBox(x, y);
      if (box == nullptr) {
        continue;
      }
      for (const KeyId key : keys) {
        const std::string_view value = box->View(key);
        if (value.empty()) {
          continue;
        }
        // Words and glyphs count alike: the first form that names a
        // direction decides.
        std::optional<GridCell> to = FollowConnection(x, y, value, ArrowForm::kWord);
        if (!to) {
          to = FollowConnection(x, y, value, ArrowForm::kGlyph);
        }
        if (to && program.HasBox(to->x, to->y)) {
          ++m_counts[static_cast<std::size_t>(to->y) * static_cast<std::size_t>(m_columns) +
                     static_cast<std::size_t>(to->x)];
        }
      }
    }
  }
}

int CConnectionCounts::At(int x, int y) const {
  if (x < 0 || y < 0 || x >= m_columns || y >= m_rows) {
    return (x == 0 && y == 0) ? 1 : 0;
  }
  return m_counts[static_cast<std::size_t>(y) * static_cast<std::size_t>(m_columns) +
                  static_cast<std::size_t>(x)];
}
