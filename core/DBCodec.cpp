// DecodePlayers and EncodePlayers: every record to one table row and back.
#include <string>

#include "DBFields.h"
#include "Functions.h"
#include "Text.h"

namespace orrimax {
namespace {

void AppendNumber(ColumnList& column, std::uint64_t n) {
  char16_t buffer[24];
  char16_t* p = buffer + 24;
  do {
    *--p = static_cast<char16_t>(u'0' + n % 10);
    n /= 10;
  } while (n != 0);
  column.push_back({p, static_cast<std::size_t>(buffer + 24 - p)});
}

[[noreturn]] void ThrowNoEntry(std::size_t record, const char* which, std::uint32_t offset) {
  throw RosterError("Player record " + std::to_string(record) + ": its " + which +
                    " pointer leads to pool offset " + std::to_string(offset) +
                    ", where no name of the pool begins; the file is damaged or not a "
                    "NBA 2K10 roster");
}

// Entry number of a name ID cell, refused when the names bank has no such row.
std::size_t EntryOfCell(std::u16string_view cell, std::size_t record, const char* column,
                        std::size_t entries) {
  const std::int32_t id = ParseInteger(cell);
  if (id < 0 || static_cast<std::size_t>(id) >= entries)
    throw RosterError("Player " + std::to_string(record) + ": " + column + " " +
                      std::to_string(id) + " is not an entry of the names bank (0 to " +
                      std::to_string(entries == 0 ? 0 : entries - 1) + ")");
  return static_cast<std::size_t>(id);
}

}  // namespace

void DecodePlayers(const RosterDocument& doc, PlayerColumns& table) {
  const std::size_t n = doc.PlayerCount;
  const std::span<const std::uint8_t> records(doc.Players);
  // Columns are built in record order and moved to display order at the end.
  PlayerColumns columns;
  for (int c = 0; c < kColumnCount; ++c) {
    columns[c].reserve(n + 1, c >= 2 && c <= 3 ? 8 * n : 4 * n);
    columns[c].push_back(u"");
  }
  columns[0].resize(n + 1);

  std::array<const FieldColumn*, kColumnCount> fields{};
  for (int p = kFirstFieldColumn; p < kColumnCount; ++p)
    fields[p] = &FieldOf(ColumnAtRecordPosition(p));

  CellText text;
  for (std::size_t i = 0; i < n; ++i) {
    const std::uint8_t* record = records.data() + i * kRecordSize;
    AppendNumber(columns[1], i);

    // The first player's last name is entry 0 whatever its pointer holds.
    const NameOffsets offsets = DecodeNameOffsets(records, i);
    const auto last = FindNameEntry(doc.Bank, offsets.Last);
    if (!last) ThrowNoEntry(i, "last name", offsets.Last);
    const auto first = FindNameEntry(doc.Bank, offsets.First);
    if (!first) ThrowNoEntry(i, "first name", offsets.First);
    columns[2].push_back(doc.Bank[*last].Data);
    columns[3].push_back(doc.Bank[*first].Data);
    AppendNumber(columns[4], *last);
    AppendNumber(columns[5], *first);

    for (int p = kFirstFieldColumn; p < kColumnCount; ++p) {
      text.clear();
      DecodeFieldText(*fields[p], record, text);
      columns[p].push_back(text.view());
    }
  }
  ReorderColumns(columns, ColumnOrder::RecordToDisplay);
  table = std::move(columns);
}

void EncodePlayers(std::span<std::uint8_t> records, std::span<const ColumnList> table,
                   std::span<const std::uint32_t> nameOffsets, std::uint32_t poolBase) {
  if (table.size() != kColumnCount) throw RosterError("The player table needs 235 columns");
  const std::size_t n = records.size() / kRecordSize;
  for (const ColumnList& column : table.subspan(4))
    if (column.size() < n + 1) throw RosterError("The player table has fewer rows than players");

  // Visit the fields in record order, reading each from its display column.
  std::array<const ColumnList*, kColumnCount> byRecord{};
  for (int c = 0; c < kColumnCount; ++c) byRecord[c] = &table[c];
  ReorderColumns(byRecord, ColumnOrder::DisplayToRecord);
  std::array<const FieldColumn*, kColumnCount> fields{};
  for (int p = kFirstFieldColumn; p < kColumnCount; ++p)
    fields[p] = &FieldOf(ColumnAtRecordPosition(p));

  const std::size_t entries = nameOffsets.size();
  std::uint32_t previousName = poolBase;
  std::uint32_t previousOffset = 0;
  for (std::size_t i = 0; i < n; ++i) {
    std::uint8_t* record = records.data() + i * kRecordSize;
    const std::size_t last = EntryOfCell((*byRecord[4])[i + 1], i, "LNameID", entries);
    const std::size_t first = EntryOfCell((*byRecord[5])[i + 1], i, "FNameID", entries);
    if (i == 0 && last != 0)
      throw RosterError("The first player's LNameID is " + std::to_string(last) +
                        ", but it must stay 0: the game measures every name pointer from the "
                        "first player's last name");
    // Each pointer is relative to its own field, 572 bytes on per record.
    const std::uint32_t sname =
        i == 0 ? poolBase : previousName + nameOffsets[last] - previousOffset - kRecordSize;
    const std::uint32_t fname = sname + nameOffsets[first] - nameOffsets[last] - 4;
    WriteU32LE(record, sname);
    WriteU32LE(record + 4, fname);
    previousName = sname;
    previousOffset = nameOffsets[last];

    for (int p = kFirstFieldColumn; p < kColumnCount; ++p)
      EncodeFieldText(*fields[p], (*byRecord[p])[i + 1], record);
  }
}

}  // namespace orrimax
