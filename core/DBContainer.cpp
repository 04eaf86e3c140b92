// The roster file container: splitting a file into its blocks, and writing
// them back with a fresh CRC-32 in front.
#include <algorithm>
#include <functional>
#include <string>

#include "DB.h"
#include "FileIO.h"
#include "FindCRC.h"
#include "Functions.h"
#include "NamesBank.h"

namespace orrimax {
namespace {

std::vector<std::uint8_t> Slice(std::span<const std::uint8_t> file, std::size_t from,
                                std::size_t length) {
  return {file.begin() + static_cast<std::ptrdiff_t>(from),
          file.begin() + static_cast<std::ptrdiff_t>(from + length)};
}

}  // namespace

namespace {

// Where the blocks lie, checked against the file's size before anything is
// allocated, so that a hostile header cannot make the loader ask for more.
struct Blocks {
  std::size_t recordsEnd;
  std::size_t poolStart;
};

Blocks FindBlocks(std::span<const std::uint8_t> file, RosterDocument& doc) {
  if (file.size() < kFirstRecordOffset) throw InOutError(100, kReadBeyondEnd);
  doc.StoredCrc = ReadU32LE(file.data());
  const std::uint8_t* header = file.data() + kCrcSize;
  doc.PlayerCount = ReadU32LE(header + kPlayerCountOffset);
  doc.PoolBase = ReadU32LE(header + kPoolBaseOffset) - kPoolBaseBias;
  if (doc.PlayerCount == 0 || doc.PlayerCount > kMaxPlayers)
    throw RosterError("The roster's header gives " + std::to_string(doc.PlayerCount) +
                      " players; a roster holds 1 to " + std::to_string(kMaxPlayers) +
                      " players, so this is not a roster the program can open");

  const std::size_t recordsEnd = kFirstRecordOffset + std::size_t{doc.PlayerCount} * kRecordSize;
  if (recordsEnd > file.size()) throw InOutError(100, kReadBeyondEnd);
  const std::uint32_t poolStart = ReadU32LE(header + kPoolOffsetOffset) + kPoolOffsetBias;
  if (poolStart < recordsEnd) throw RangeError();
  if (poolStart > file.size() || kPoolSize > file.size() - poolStart)
    throw InOutError(100, kReadBeyondEnd);
  return {recordsEnd, poolStart};
}

// Every block but the records.
void SliceOuterBlocks(std::span<const std::uint8_t> file, const Blocks& at, RosterDocument& doc) {
  doc.Header = Slice(file, kCrcSize, kHeaderSize);
  doc.MiddleBlock = Slice(file, at.recordsEnd, at.poolStart - at.recordsEnd);
  doc.NamePool = Slice(file, at.poolStart, kPoolSize);
  doc.Tail = Slice(file, at.poolStart + kPoolSize, file.size() - at.poolStart - kPoolSize);
  doc.Bank = ParseNamePool(doc.NamePool);
}

}  // namespace

RosterDocument ReadRosterDocument(std::span<const std::uint8_t> file) {
  RosterDocument doc;
  const Blocks at = FindBlocks(file, doc);
  SliceOuterBlocks(file, at, doc);
  doc.Players = Slice(file, kFirstRecordOffset, at.recordsEnd - kFirstRecordOffset);
  return doc;
}

RosterDocument ReadRosterDocument(std::vector<std::uint8_t>&& file) {
  RosterDocument doc;
  const Blocks at = FindBlocks(file, doc);
  SliceOuterBlocks(file, at, doc);
  // The records stay where they were read: a large roster is not held twice.
  file.resize(at.recordsEnd);
  file.erase(file.begin(), file.begin() + kFirstRecordOffset);
  doc.Players = std::move(file);
  return doc;
}

namespace {

LoadedRoster Decoded(RosterDocument document) {
  LoadedRoster roster;
  roster.Document = std::move(document);
  DecodePlayers(roster.Document, roster.Table);
  roster.Names = ListNameBank(roster.Document.Bank);
  return roster;
}

}  // namespace

LoadedRoster LoadRosterFromBytes(std::span<const std::uint8_t> file) {
  return Decoded(ReadRosterDocument(file));
}

LoadedRoster LoadRoster(const std::filesystem::path& path) {
  FileStamp stamp;
  // Opened for writing too, so a roster that could not be saved back is
  // refused at once.
  LoadedRoster roster =
      Decoded(ReadRosterDocument(ReadWholeFile(path, FileAccess::ReadWrite, &stamp)));
  roster.Stamp = stamp;
  return roster;
}

namespace {

// Puts the new records (name pointers included) into the image, given the
// entries' pool offsets.
using RecordEncoder =
    std::function<void(std::span<std::uint8_t> records, std::span<const std::uint32_t> offsets)>;

void BuildImage(const RosterDocument& doc, const ColumnList& namesData,
                const ColumnList& namesLength, const RecordEncoder& encode,
                std::vector<std::uint8_t>& image) {
  image.clear();
  if (doc.Header.size() != kHeaderSize || doc.NamePool.size() != kPoolSize)
    throw RosterError("No roster is open");
  // Appended block by block rather than zeroed first: every byte is written.
  image.reserve(doc.FileSize());
  image.resize(kCrcSize);
  for (const auto* block : {&doc.Header, &doc.Players, &doc.MiddleBlock, &doc.NamePool, &doc.Tail})
    image.insert(image.end(), block->begin(), block->end());
  const std::span<std::uint8_t> records(image.data() + kFirstRecordOffset, doc.Players.size());
  const std::span<std::uint8_t> pool(
      image.data() + kFirstRecordOffset + doc.Players.size() + doc.MiddleBlock.size(), kPoolSize);

  try {
    const std::vector<std::uint32_t> offsets = RecomputeNameOffsets(namesLength);
    // The pool keeps its size: what some entries take, others must give up,
    // or the pool's unused rest would move.
    if (const std::int64_t balance = PoolBalance(doc.Bank, namesLength); balance != 0)
      throw RosterError("The Lengths do not keep the name pool's size: the balance is " +
                        std::to_string(balance) + ", and it must be 0");
    encode(records, offsets);
    RebuildNamePool(namesData, namesLength, pool);
  } catch (...) {
    image.clear();
    throw;
  }

  WriteU32LE(image.data(), Crc32(std::span(image).subspan(kCrcSize)));
}

RecordEncoder FromTable(const RosterDocument& doc, std::span<const ColumnList> table) {
  return [&doc, table](std::span<std::uint8_t> records, std::span<const std::uint32_t> offsets) {
    EncodePlayers(records, table, offsets, doc.PoolBase);
  };
}

RecordEncoder FromNameIds(const RosterDocument& doc, std::span<const NameIds> nameIds) {
  return [&doc, nameIds](std::span<std::uint8_t> records, std::span<const std::uint32_t> offsets) {
    WriteNamePointers(records, nameIds, offsets, doc.PoolBase);
  };
}

SaveOutcome Save(RosterDocument& doc, const std::filesystem::path& path,
                 const ColumnList& namesData, const ColumnList& namesLength,
                 const RecordEncoder& encode, const SaveOptions& options) {
  std::vector<std::uint8_t> image;
  BuildImage(doc, namesData, namesLength, encode, image);
  const SaveOutcome outcome = SaveFile(path, image, options);

  // What was written is now the document.
  const std::span<const std::uint8_t> written(image);
  std::copy_n(written.begin() + kFirstRecordOffset, doc.Players.size(), doc.Players.begin());
  const std::size_t poolStart = kFirstRecordOffset + doc.Players.size() + doc.MiddleBlock.size();
  std::copy_n(written.begin() + static_cast<std::ptrdiff_t>(poolStart), kPoolSize,
              doc.NamePool.begin());
  // The bank is what was written: each text as cut to its Length, at its offset.
  const std::vector<std::uint32_t> offsets = RecomputeNameOffsets(namesLength);
  doc.Bank.resize(offsets.size());
  for (std::size_t k = 0; k < offsets.size(); ++k) {
    const auto length = static_cast<std::size_t>(ParseInteger(namesLength[k + 1]));
    doc.Bank[k].Data = k + 1 < namesData.size() ? namesData[k + 1].substr(0, length) : u"";
    doc.Bank[k].P = offsets[k];
  }
  doc.StoredCrc = ReadU32LE(image.data());
  return outcome;
}

}  // namespace

std::vector<std::uint8_t> BuildRosterImage(const RosterDocument& doc,
                                           std::span<const ColumnList> table,
                                           const ColumnList& namesData,
                                           const ColumnList& namesLength) {
  std::vector<std::uint8_t> image;
  BuildRosterImage(doc, table, namesData, namesLength, image);
  return image;
}

void BuildRosterImage(const RosterDocument& doc, std::span<const ColumnList> table,
                      const ColumnList& namesData, const ColumnList& namesLength,
                      std::vector<std::uint8_t>& image) {
  BuildImage(doc, namesData, namesLength, FromTable(doc, table), image);
}

std::vector<std::uint8_t> BuildRosterImage(const RosterDocument& doc,
                                           std::span<const NameIds> nameIds,
                                           const ColumnList& namesData,
                                           const ColumnList& namesLength) {
  std::vector<std::uint8_t> image;
  BuildImage(doc, namesData, namesLength, FromNameIds(doc, nameIds), image);
  return image;
}

SaveOutcome SaveRoster(RosterDocument& doc, const std::filesystem::path& path,
                       std::span<const ColumnList> table, const ColumnList& namesData,
                       const ColumnList& namesLength, const SaveOptions& options) {
  return Save(doc, path, namesData, namesLength, FromTable(doc, table), options);
}

SaveOutcome SaveRoster(RosterDocument& doc, const std::filesystem::path& path,
                       std::span<const NameIds> nameIds, const ColumnList& namesData,
                       const ColumnList& namesLength, const SaveOptions& options) {
  return Save(doc, path, namesData, namesLength, FromNameIds(doc, nameIds), options);
}

std::string FailedSaveMessage(const RosterError& error, const std::string& shownPath,
                              const std::string& shownBackup) {
  std::string message = WithFullStop(error.message()) + " The roster " + shownPath;
  if (dynamic_cast<const IncompleteSaveError*>(&error) == nullptr)
    return message + " was not changed.";
  message += " may be incomplete";
  if (!shownBackup.empty()) message += "; its backup " + shownBackup + " is whole";
  return message + ".";
}

}  // namespace orrimax
