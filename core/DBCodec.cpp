// DecodePlayers and EncodePlayers: every record to one table row and back.
#include <algorithm>
#include <array>
#include <optional>
#include <string>
#include <vector>

#include "DBFields.h"
#include "Functions.h"
#include "Text.h"

namespace orrimax {
namespace {

void AppendNumber(ColumnList& column, std::uint64_t n) {
  char16_t buffer[24];
  column.push_back(FormatDecimal(static_cast<std::int64_t>(n), buffer));
}

[[noreturn]] void ThrowNoEntry(std::size_t record, const char* which, std::uint32_t offset) {
  throw RosterError("Player record " + std::to_string(record) + ": its " + which +
                    " pointer leads to pool offset " + std::to_string(offset) +
                    ", where no name of the pool begins; the file is damaged or not a "
                    "NBA 2K10 roster");
}

// The entry of a name ID, refused when the names bank has no such row.
std::size_t EntryOfId(std::int32_t id, std::size_t record, const char* column,
                      std::size_t entries) {
  if (id < 0 || static_cast<std::size_t>(id) >= entries)
    throw RosterError("Player " + std::to_string(record) + ": " + column + " " +
                      std::to_string(id) + " is not an entry of the names bank (0 to " +
                      std::to_string(entries == 0 ? 0 : entries - 1) + ")");
  return static_cast<std::size_t>(id);
}

struct NameEntries {
  std::size_t last = 0;
  std::size_t first = 0;
};

void CheckFirstPlayer(std::size_t record, const NameEntries& names) {
  if (record == 0 && names.last != 0)
    throw RosterError("The first player's LNameID is " + std::to_string(names.last) +
                      ", but it must stay 0: the game measures every name pointer from the "
                      "first player's last name");
}

// Writes the records' name pointers in order, each relative to its own
// field, 572 bytes on per record.
class NamePointerWriter {
 public:
  NamePointerWriter(std::span<std::uint8_t> records, std::span<const std::uint32_t> nameOffsets,
                    std::uint32_t poolBase)
      : records_(records), offsets_(nameOffsets), poolBase_(poolBase), previousName_(poolBase) {}

  void operator()(std::size_t i, const NameEntries& names) {
    std::uint8_t* record = records_.data() + i * kRecordSize;
    const std::uint32_t sname =
        i == 0 ? poolBase_ : previousName_ + offsets_[names.last] - previousOffset_ - kRecordSize;
    const std::uint32_t fname = sname + offsets_[names.first] - offsets_[names.last] - 4;
    WriteU32LE(record, sname);
    WriteU32LE(record + 4, fname);
    previousName_ = sname;
    previousOffset_ = offsets_[names.last];
  }

 private:
  std::span<std::uint8_t> records_;
  std::span<const std::uint32_t> offsets_;
  std::uint32_t poolBase_;
  std::uint32_t previousName_;
  std::uint32_t previousOffset_ = 0;
};

}  // namespace

void DecodePlayers(const RosterDocument& doc, PlayerColumns& table) {
  const std::size_t n = doc.PlayerCount;
  const std::span<const std::uint8_t> records(doc.Players);
  // Columns are built in record order and moved to display order at the end.
  PlayerColumns columns;
  for (int c = 0; c < kColumnCount; ++c) {
    columns[c].reserve(n + 1, 0);
    // Row 0 is the header, which the columns are named by.
    columns[c].push_back(ColumnHeader(ColumnAtRecordPosition(c)));
  }
  columns[0].resize(n + 1);

  // Most fields take a few values over and over (ratings, tendencies, gear):
  // a field is formatted once per value, and every later cell with that
  // value shows the text stored for the first. Names and their IDs are
  // shared the same way, by entry. The tables from value to stored text
  // (its index + 1; 0: none yet) are kept only where they are no longer
  // than the column, so a small or hostile roster never costs more than
  // its own records.
  const auto sharedTexts = [n](std::size_t values) {
    return std::vector<std::uint32_t>(values <= n + 1 ? values : 0, 0);
  };
  std::array<const FieldColumn*, kColumnCount> fields{};
  std::array<std::vector<std::uint32_t>, kColumnCount> textOfValue;
  for (int p = kFirstFieldColumn; p < kColumnCount; ++p) {
    fields[p] = &FieldOf(ColumnAtRecordPosition(p));
    if (fields[p]->place.width <= 16)
      textOfValue[p] = sharedTexts(std::size_t{1} << fields[p]->place.width);
    // A column of its own text per player (animation codes, colours, money)
    // is sized once rather than grown and copied.
    if (textOfValue[p].empty()) columns[p].reserve(n + 1, 8 * n, n + 1);
  }
  std::vector<std::uint32_t> lastNameText = sharedTexts(doc.Bank.size());
  std::vector<std::uint32_t> firstNameText = sharedTexts(doc.Bank.size());
  std::vector<std::uint32_t> lastIdText = sharedTexts(doc.Bank.size());
  std::vector<std::uint32_t> firstIdText = sharedTexts(doc.Bank.size());
  columns[1].reserve(n + 1, 5 * n, n + 1);
  if (lastNameText.empty())
    for (int c = 2; c <= 5; ++c) columns[c].reserve(n + 1, 8 * n, n + 1);

  // Players go in blocks, and a block column by column: the block's records
  // and each column's end stay in the cache while the column takes its cells.
  constexpr std::size_t kBlock = 64;
  CellText text;
  const NameEntryIndex entries(doc.Bank);
  for (std::size_t begin = 0; begin < n; begin += kBlock) {
    const std::size_t end = std::min(n, begin + kBlock);
    for (std::size_t i = begin; i < end; ++i) {
      const auto row = i + 1;
      AppendNumber(columns[1], i);

      // The first player's last name is entry 0 whatever its pointer holds.
      const NameOffsets offsets = DecodeNameOffsets(records, i);
      const auto last = entries.find(offsets.Last);
      if (!last) ThrowNoEntry(i, "last name", offsets.Last);
      const auto first = entries.find(offsets.First);
      if (!first) ThrowNoEntry(i, "first name", offsets.First);
      const auto name = [&](std::size_t entry, std::vector<std::uint32_t>& nameText,
                            std::vector<std::uint32_t>& idText, ColumnList& names,
                            ColumnList& ids) {
        if (!nameText.empty() && nameText[entry] != 0) {
          names.push_back_index(nameText[entry] - 1);
          ids.push_back_index(idText[entry] - 1);
          return;
        }
        names.push_back(doc.Bank[entry].Data);
        AppendNumber(ids, entry);
        if (nameText.empty()) return;
        nameText[entry] = static_cast<std::uint32_t>(names.textIndex(row) + 1);
        idText[entry] = static_cast<std::uint32_t>(ids.textIndex(row) + 1);
      };
      name(*last, lastNameText, lastIdText, columns[2], columns[4]);
      name(*first, firstNameText, firstIdText, columns[3], columns[5]);
    }

    for (int p = kFirstFieldColumn; p < kColumnCount; ++p) {
      const FieldColumn& field = *fields[p];
      ColumnList& column = columns[p];
      std::uint32_t* shared = textOfValue[p].empty() ? nullptr : textOfValue[p].data();
      for (std::size_t i = begin; i < end; ++i) {
        const std::uint32_t value = ReadPlace(field.place, records.data() + i * kRecordSize);
        if (shared && shared[value] != 0) {
          column.push_back_index(shared[value] - 1);
          continue;
        }
        text.clear();
        field.form->decode(field, value, text);
        column.push_back(text.view());
        if (shared) shared[value] = static_cast<std::uint32_t>(column.textIndex(i + 1) + 1);
      }
    }
  }
  // Each column moves once, straight to its display place.
  for (int c = 0; c < kColumnCount; ++c) table[c] = std::move(columns[RecordPositionOfColumn(c)]);
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
  // A column whose cells share their texts has each text parsed once; one
  // of nearly all distinct texts (animation codes, salaries) is not worth it.
  std::array<std::optional<ParsedOnce<std::uint32_t>>, kColumnCount> parsed;
  for (int p = kFirstFieldColumn; p < kColumnCount; ++p)
    if (2 * byRecord[p]->textCount() <= n) parsed[p].emplace(*byRecord[p]);

  const std::size_t entries = nameOffsets.size();
  // A cell that does not convert is named by where it is.
  const auto at = [](int column, std::size_t i, auto&& convert) {
    try {
      return convert();
    } catch (const ConvertError& e) {
      throw CellConvertError(e, CellConvertError::Table::Players, column, static_cast<int>(i + 1));
    }
  };
  const auto entryOf = [&](int column, std::size_t i, const char* name) {
    return at(column, i, [&] {
      return EntryOfId(ParseInteger((*byRecord[column])[i + 1]), i, name, entries);
    });
  };
  const auto readNames = [&](std::size_t i) {
    const NameEntries names{entryOf(kLNameIdColumn, i, "LNameID"),
                            entryOf(kFNameIdColumn, i, "FNameID")};
    CheckFirstPlayer(i, names);
    return names;
  };
  NamePointerWriter writeNames(records, nameOffsets, poolBase);
  const auto fieldValue = [&](int p, std::size_t i) {
    const FieldColumn& field = *fields[p];
    const ColumnList& column = *byRecord[p];
    const auto encode = [&](std::u16string_view cell) { return field.form->encode(field, cell); };
    return parsed[p] ? (*parsed[p])(i + 1, encode) : encode(column[i + 1]);
  };

  // Players go in blocks, and a block column by column, which keeps each
  // column's cells and the block's records in the cache. Every cell of a
  // block is parsed before any is written; a block with a bad cell is done
  // again player by player, field by field, so that it fails at the same
  // cell, with the same fields written before it, as it always has.
  constexpr std::size_t kBlock = 64;
  std::array<NameEntries, kBlock> names;
  const std::size_t width = std::min(n, kBlock);
  std::vector<std::uint32_t> values(kColumnCount * width);
  for (std::size_t begin = 0; begin < n; begin += kBlock) {
    const std::size_t end = std::min(n, begin + kBlock);
    bool parsedAll = true;
    try {
      for (std::size_t i = begin; i < end; ++i) names[i - begin] = readNames(i);
      for (int p = kFirstFieldColumn; p < kColumnCount; ++p)
        for (std::size_t i = begin; i < end; ++i) values[p * width + i - begin] = fieldValue(p, i);
    } catch (...) {
      parsedAll = false;
    }
    if (!parsedAll) {
      for (std::size_t i = begin; i < end; ++i) {
        writeNames(i, readNames(i));
        for (int p = kFirstFieldColumn; p < kColumnCount; ++p)
          WritePlace(fields[p]->place, records.data() + i * kRecordSize,
                     at(ColumnAtRecordPosition(p), i, [&] { return fieldValue(p, i); }));
      }
      continue;
    }
    for (std::size_t i = begin; i < end; ++i) writeNames(i, names[i - begin]);
    for (int p = kFirstFieldColumn; p < kColumnCount; ++p)
      for (std::size_t i = begin; i < end; ++i)
        WritePlace(fields[p]->place, records.data() + i * kRecordSize,
                   values[p * width + i - begin]);
  }
}

void WriteNamePointers(std::span<std::uint8_t> records, std::span<const NameIds> ids,
                       std::span<const std::uint32_t> nameOffsets, std::uint32_t poolBase) {
  const std::size_t n = records.size() / kRecordSize;
  if (ids.size() != n) throw RosterError("The name IDs do not match the players");
  NamePointerWriter write(records, nameOffsets, poolBase);
  for (std::size_t i = 0; i < n; ++i) {
    const NameEntries names{EntryOfId(ids[i].last, i, "LNameID", nameOffsets.size()),
                            EntryOfId(ids[i].first, i, "FNameID", nameOffsets.size())};
    CheckFirstPlayer(i, names);
    write(i, names);
  }
}

}  // namespace orrimax
