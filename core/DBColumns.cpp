// The column catalogue's derived tables -- short names, the moves between the
// codec's record order and the table's display order -- and its checks.
#include <algorithm>

#include "DB.h"

namespace orrimax {
namespace {

struct OrderMaps {
  std::array<int, kColumnCount> recordOfDisplay{};
  std::array<int, kColumnCount> displayOfRecord{};
};

constexpr OrderMaps MakeOrderMaps() {
  OrderMaps maps;
  std::array<int, kColumnCount> positions{};
  for (int k = 0; k < kColumnCount; ++k) positions[k] = k;
  ReorderColumns(positions, ColumnOrder::RecordToDisplay);
  for (int k = 0; k < kColumnCount; ++k) maps.displayOfRecord[k] = -1;
  for (int display = 0; display < kColumnCount; ++display) {
    maps.recordOfDisplay[display] = positions[display];
    maps.displayOfRecord[positions[display]] = display;
  }
  return maps;
}

constexpr OrderMaps kMaps = MakeOrderMaps();

// ---- What the catalogue guarantees ----------------------------------------

// The moves between record order and display order are a permutation, and
// moving back undoes them.
constexpr bool MovesArePermutation() {
  for (int k = 0; k < kColumnCount; ++k)
    if (kMaps.displayOfRecord[k] < 0 || kMaps.recordOfDisplay[kMaps.displayOfRecord[k]] != k)
      return false;
  std::array<int, kColumnCount> positions{};
  for (int k = 0; k < kColumnCount; ++k) positions[k] = k;
  ReorderColumns(positions, ColumnOrder::RecordToDisplay);
  ReorderColumns(positions, ColumnOrder::DisplayToRecord);
  for (int k = 0; k < kColumnCount; ++k)
    if (positions[k] != k) return false;
  return true;
}
static_assert(MovesArePermutation());

// Every field column has a place inside the record and a text form; the
// six columns before them have neither.
constexpr bool EveryFieldHasAPlace() {
  for (int c = 0; c < kColumnCount; ++c) {
    const ColumnInfo& column = kColumns[c];
    const bool field = c >= kFirstFieldColumn;
    if ((column.place.bytes > 0) != field || (column.form != nullptr) != field) return false;
    if (!field) continue;
    const Place& p = column.place;
    if (p.offset < 0 || p.offset + p.bytes > static_cast<int>(kRecordSize) || p.width <= 0 ||
        p.shift + p.width > 8 * p.bytes)
      return false;
  }
  return true;
}
static_assert(EveryFieldHasAPlace());

// No bit of the record belongs to two fields, nor to a field and the two
// name pointers at bytes 0 to 7.
static_assert(CoveredRecordBits().has_value());

// A group is one run of columns; salaries are exactly the money columns.
constexpr bool GroupsAreRunsAndSalariesMoney() {
  for (int g = 0; g < kGroupCount; ++g)
    for (int c = kColumnGroups[g].First; c <= kColumnGroups[g].Last; ++c)
      if (kColumns[c].group != g) return false;
  for (const ColumnInfo& column : kColumns)
    if (column.salary != (column.form == &kMoneyForm)) return false;
  return true;
}
static_assert(GroupsAreRunsAndSalariesMoney());

}  // namespace

std::u16string ShortName(std::u16string_view header) {
  std::u16string_view name = header.substr(0, header.find(u'('));
  const auto first = name.find_first_not_of(u' ');
  if (first == std::u16string_view::npos) return {};
  const auto last = name.find_last_not_of(u' ');
  return std::u16string(name.substr(first, last - first + 1));
}

std::u16string ColumnShortName(int column) {
  return ShortName(ColumnHeader(column));
}

int RecordPositionOfColumn(int displayColumn) {
  return kMaps.recordOfDisplay[displayColumn];
}

int ColumnAtRecordPosition(int recordPosition) {
  return kMaps.displayOfRecord[recordPosition];
}

}  // namespace orrimax
