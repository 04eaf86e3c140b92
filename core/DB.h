// The roster document: loading, saving, the name pool, the column catalogue
// and the record codec. Standard C++ only, so that the window, the
// command-line tool, the tests and the fuzzers all drive this same code.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "Catalogue.h"
#include "ColumnList.h"
#include "Errors.h"
#include "FileIO.h"

namespace orrimax {

// ---- Sizes of the roster file ----------------------------------------------
inline constexpr std::size_t kCrcSize = 4;
inline constexpr std::size_t kHeaderSize = 20504;
inline constexpr std::size_t kFirstRecordOffset = kCrcSize + kHeaderSize;  // 20508
inline constexpr std::size_t kPoolSize = 112540;
inline constexpr std::size_t kPlayerCountOffset = 32;  // header offsets
inline constexpr std::size_t kPoolOffsetOffset = 476;
inline constexpr std::size_t kPoolBaseOffset = 484;
// The pool begins at file offset V476 + 64479.
inline constexpr std::uint32_t kPoolOffsetBias = 64479;
// The distance from V484's file position to the first player's SName field.
inline constexpr std::uint32_t kPoolBaseBias = 20020;
// The codec counts players in 16 bits.
inline constexpr std::uint32_t kMaxPlayers = 65535;

// ---- The document ----------------------------------------------------------

// One entry of the name pool: its text and its byte offset in the pool.
struct Name {
  std::u16string Data;
  std::uint32_t P = 0;
};
using NameBank = std::vector<Name>;

// An open roster, block by block. Bytes the program does not interpret are
// held as read and written back unchanged.
struct RosterDocument {
  std::vector<std::uint8_t> Header;  // file bytes 4 .. 20507
  std::uint32_t PlayerCount = 0;
  std::uint32_t PoolBase = 0;         // V484 - 20020
  std::vector<std::uint8_t> Players;  // PlayerCount records of 572 bytes
  std::vector<std::uint8_t> MiddleBlock;
  std::vector<std::uint8_t> NamePool;  // 112540 bytes
  std::vector<std::uint8_t> Tail;
  NameBank Bank;
  std::uint32_t StoredCrc = 0;  // as read; never checked by the loader

  std::size_t FileSize() const {
    return kFirstRecordOffset + Players.size() + MiddleBlock.size() + NamePool.size() + Tail.size();
  }
};

// The 235 columns of the player table, in display order; cell 0 of each is
// its header cell, cell r the player of record r - 1.
using PlayerColumns = std::array<ColumnList, kColumnCount>;

// The names bank as the names grid holds it: row 0 the header, row k + 1 the
// entry with entry number k.
struct NamesBankColumns {
  ColumnList Id;
  ColumnList Data;
  ColumnList Length;
};

// A player's name entries as its LNameID and FNameID cells give them.
struct NameIds {
  std::int32_t last = 0;
  std::int32_t first = 0;
};

struct LoadedRoster {
  RosterDocument Document;
  PlayerColumns Table;
  NamesBankColumns Names;
  FileStamp Stamp;  // the file as it was read (LoadRoster only)
};

// Reads and decodes a roster file. Nothing is shared with any previous
// roster, so a failure leaves the caller's open roster as it was.
LoadedRoster LoadRoster(const std::filesystem::path& path);

// The same from bytes already in memory (the whole file, CRC included).
LoadedRoster LoadRosterFromBytes(std::span<const std::uint8_t> file);

// Splits a roster file into its blocks and parses the name pool.
RosterDocument ReadRosterDocument(std::span<const std::uint8_t> file);
// The same, keeping the file's own buffer for the records.
RosterDocument ReadRosterDocument(std::vector<std::uint8_t>&& file);

// Encodes the table (display order, all 235 columns) and the names bank into
// a complete roster image, CRC-32 first. The document is not changed.
std::vector<std::uint8_t> BuildRosterImage(const RosterDocument& doc,
                                           std::span<const ColumnList> table,
                                           const ColumnList& namesData,
                                           const ColumnList& namesLength);
// The same into `image`, whose room is kept: a caller that builds many
// images pays for the buffer once. On failure `image` holds no roster.
void BuildRosterImage(const RosterDocument& doc, std::span<const ColumnList> table,
                      const ColumnList& namesData, const ColumnList& namesLength,
                      std::vector<std::uint8_t>& image);

// The same for a document whose records hold their new field values
// already (the tool's import writes them straight from its text): only the
// name pointers are written, from `nameIds`.
std::vector<std::uint8_t> BuildRosterImage(const RosterDocument& doc,
                                           std::span<const NameIds> nameIds,
                                           const ColumnList& namesData,
                                           const ColumnList& namesLength);

// Encodes and writes the roster to `path` (SaveFile: the file stays whole
// and keeps what it is). On success the document's Players, NamePool and
// name offsets are those written; on failure the document has not changed,
// nor has the file, but for an IncompleteSaveError.
SaveOutcome SaveRoster(RosterDocument& doc, const std::filesystem::path& path,
                       std::span<const ColumnList> table, const ColumnList& namesData,
                       const ColumnList& namesLength, const SaveOptions& options = {});
SaveOutcome SaveRoster(RosterDocument& doc, const std::filesystem::path& path,
                       std::span<const NameIds> nameIds, const ColumnList& namesData,
                       const ColumnList& namesLength, const SaveOptions& options = {});

// What the user is told after a failed save of the roster shown as
// `shownPath`: the failure's own message with its full stop, then what
// became of the file (and of its backup `shownBackup`, if one is kept).
std::string FailedSaveMessage(const RosterError& error, const std::string& shownPath,
                              const std::string& shownBackup = {});

// ---- Name pool and name references -----------------------------------------

NameBank ParseNamePool(std::span<const std::uint8_t> pool);

// The names grid's listing of a bank: header row, then ID, text and Length.
NamesBankColumns ListNameBank(const NameBank& bank);

// Pool offsets of the entries from the Lengths of the names grid (row k + 1
// for entry k). Refuses negative Lengths and a total beyond the pool.
std::vector<std::uint32_t> RecomputeNameOffsets(const ColumnList& namesLength);

// Writes every entry's text (cut to its Length), its filler and terminator
// into `pool`; bytes after the last entry keep their content.
void RebuildNamePool(const ColumnList& namesData, const ColumnList& namesLength,
                     std::span<std::uint8_t> pool);

// Pool offset of a record's last and first name, relative to the first
// player's last name (wrapping 32-bit arithmetic).
struct NameOffsets {
  std::uint32_t Last;
  std::uint32_t First;
};
NameOffsets DecodeNameOffsets(std::span<const std::uint8_t> records, std::size_t record);

// The entry at each pool offset: a roster's every name pointer is looked up
// in it, at the cost of one read each.
class NameEntryIndex {
 public:
  explicit NameEntryIndex(const NameBank& bank);
  // Index of the entry at pool offset `offset`, or nothing.
  std::optional<std::size_t> find(std::uint32_t offset) const {
    if (offset >= entryAt_.size() || entryAt_[offset] == 0) return std::nullopt;
    return entryAt_[offset] - 1;
  }

 private:
  // Entry + 1 where an entry begins, else 0: a pool has fewer entries than
  // 16 bits count, one per two bytes at most.
  std::vector<std::uint16_t> entryAt_;
};

// ---- Column catalogue --------------------------------------------------------

// The header text up to its first "(", trimmed.
std::u16string ShortName(std::u16string_view header);
std::u16string ColumnShortName(int column);

struct ColumnMove {
  int From;
  int To;
};
inline constexpr std::array<ColumnMove, 10> ColumnMoves = {{
    {211, 6},
    {210, 17},
    {211, 18},
    {212, 19},
    {216, 213},
    {217, 214},
    {218, 215},
    {219, 217},
    {220, 218},
    {223, 20},
}};

enum class ColumnOrder { RecordToDisplay, DisplayToRecord };

// Rearranges 235 whole columns between record order and display order.
template <typename T>
constexpr void ReorderColumns(std::array<T, kColumnCount>& columns, ColumnOrder direction) {
  if (direction == ColumnOrder::RecordToDisplay) {
    for (const ColumnMove& m : ColumnMoves) {
      T taken = std::move(columns[m.From]);
      for (int k = m.From; k > m.To; --k) columns[k] = std::move(columns[k - 1]);
      columns[m.To] = std::move(taken);
    }
  } else {
    for (auto it = ColumnMoves.rbegin(); it != ColumnMoves.rend(); ++it) {
      T taken = std::move(columns[it->To]);
      for (int k = it->To; k < it->From; ++k) columns[k] = std::move(columns[k + 1]);
      columns[it->From] = std::move(taken);
    }
  }
}

// Record-order position of each display column, and the reverse.
int RecordPositionOfColumn(int displayColumn);
int ColumnAtRecordPosition(int recordPosition);

// ---- Record codec ------------------------------------------------------------

// Decodes every record into the 235 columns (display order): row 0 holds
// the headers, row r the player of record r - 1, whose cell in column 0 is
// empty.
void DecodePlayers(const RosterDocument& doc, PlayerColumns& table);

// Rewrites `records` (the document's records, copied) from the table's rows,
// name pointers included, using the entries' pool offsets.
void EncodePlayers(std::span<std::uint8_t> records, std::span<const ColumnList> table,
                   std::span<const std::uint32_t> nameOffsets, std::uint32_t poolBase);

// Writes every record's name pointers from its players' name IDs and the
// entries' pool offsets. Refuses an ID that is no entry, and a first player
// whose LNameID is not 0, as EncodePlayers does.
void WriteNamePointers(std::span<std::uint8_t> records, std::span<const NameIds> ids,
                       std::span<const std::uint32_t> nameOffsets, std::uint32_t poolBase);

// One field column (6 to 234): record bytes to cell text, and cell text into
// record bytes (only the field's own bits change).
std::u16string DecodeField(int column, std::span<const std::uint8_t> record);
void EncodeField(int column, std::u16string_view cell, std::span<std::uint8_t> record);

// ---- Number parses ----------------------------------------------------------

// Optional blanks, sign, then decimal digits in the signed 32-bit range or
// "$", "x", "X", "0x" and 1 to 8 hex digits. Throws ConvertError
// "''%s'' is not a valid integer value".
std::int32_t ParseInteger(std::u16string_view text);
std::optional<std::int32_t> TryParseInteger(std::u16string_view text);

// Decimal fraction with "." as the separator and an optional exponent.
// Throws ConvertError "'%s' is not a valid floating point value".
double ParseFloat(std::u16string_view text);

// The rating text of a skill byte (25 .. 110, one cut fraction digit).
std::u16string RatingText(std::uint8_t b);

}  // namespace orrimax
