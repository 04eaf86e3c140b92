// The name pool: parsing it into the bank, the players' self-relative name
// pointers, and rebuilding the pool from the names grid.
#include <algorithm>
#include <cstring>
#include <iterator>
#include <string>

#include "DB.h"
#include "Functions.h"
#include "NamesBank.h"
#include "Text.h"

namespace orrimax {

namespace {

// The pool scan's branches only say where zeros are, which tells a fuzzer
// nothing; tracing them would make every pool cost far more than its
// entries. (Untraced code takes no traced code inline, so the scan reads
// the pool through a plain pointer.)
#if defined(__clang__)
#define NotTraced __attribute__((no_sanitize("coverage")))
#else
#define NotTraced
#endif

// Nonzero when one of the four code units at `p` is zero, in either byte
// order, as a unit is zero only when both its bytes are.
NotTraced std::uint64_t ZeroUnits(const std::uint8_t* p) {
  constexpr std::uint64_t kOnes = 0x0001000100010001;
  constexpr std::uint64_t kHighs = 0x8000800080008000;
  std::uint64_t units;
  std::memcpy(&units, p, sizeof units);
  return (units - kOnes) & ~units & kHighs;
}

// The even offset of the first zero code unit at or after `from` (even),
// or the pool's size rounded down to whole code units. Sixteen code units
// at a time, with one test for all of them: long names and an unused rest
// of the pool go by quickly.
NotTraced std::size_t NextTerminator(std::span<const std::uint8_t> pool, std::size_t from) {
  const std::uint8_t* const data = pool.data();
  const std::size_t size = pool.size();
  std::size_t j = from;
  // Most entries of a pool are empty: their terminator comes first.
  if (j + 1 < size && (data[j] | data[j + 1]) == 0) return j;
  for (; j + 32 <= size; j += 32) {
    const std::uint8_t* p = data + j;
    if ((ZeroUnits(p) | ZeroUnits(p + 8) | ZeroUnits(p + 16) | ZeroUnits(p + 24)) != 0) break;
  }
  for (; j + 1 < size; j += 2)
    if ((data[j] | data[j + 1]) == 0) return j;
  return size & ~std::size_t{1};
}

}  // namespace

NameBank ParseNamePool(std::span<const std::uint8_t> pool) {
  // One entry per terminator: counted first, so the bank is sized once.
  std::size_t terminators = 0;
  for (std::size_t j = NextTerminator(pool, 0); j + 1 < pool.size();
       j = NextTerminator(pool, j + 2))
    ++terminators;
  NameBank bank;
  bank.reserve(terminators);
  // Whole code units only; an odd last byte belongs to no string, and an
  // unterminated rest is no entry.
  for (std::size_t start = 0, j = NextTerminator(pool, 0); j + 1 < pool.size();
       start = j + 2, j = NextTerminator(pool, start)) {
    Name& name = bank.emplace_back();
    name.P = static_cast<std::uint32_t>(start);
    name.Data.resize((j - start) / 2);
    for (std::size_t k = 0; k < name.Data.size(); ++k)
      name.Data[k] = static_cast<char16_t>(pool[start + 2 * k] | (pool[start + 2 * k + 1] << 8));
  }
  return bank;
}

NamesBankColumns ListNameBank(const NameBank& bank) {
  NamesBankColumns names;
  names.Id.reserve(bank.size() + 1, 6 * bank.size(), bank.size() + 1);
  names.Data.reserve(bank.size() + 1, 8 * bank.size(), bank.size() + 1);
  names.Length.reserve(bank.size() + 1, 0);
  names.Id.push_back(u"ID");
  names.Data.push_back(u"Data");
  names.Length.push_back(u"Length");
  // Lengths repeat (a pool holds thousands of short and empty entries):
  // each is written once, and later entries show the same stored text.
  // Its index + 1 by length; 0: not written yet.
  std::vector<std::uint32_t> lengthText;
  char16_t digits[24];
  for (std::size_t k = 0; k < bank.size(); ++k) {
    names.Id.push_back(FormatDecimal(static_cast<std::int64_t>(k), digits));
    names.Data.push_back(bank[k].Data);
    const std::size_t length = bank[k].Data.size();
    if (length >= lengthText.size()) lengthText.resize(length + 1, 0);
    if (lengthText[length] != 0) {
      names.Length.push_back_index(lengthText[length] - 1);
    } else {
      names.Length.push_back(FormatDecimal(static_cast<std::int64_t>(length), digits));
      lengthText[length] = static_cast<std::uint32_t>(names.Length.textIndex(k + 1) + 1);
    }
  }
  return names;
}

std::vector<std::uint32_t> RecomputeNameOffsets(const ColumnList& namesLength) {
  const std::size_t count = namesLength.empty() ? 0 : namesLength.size() - 1;
  std::vector<std::uint32_t> offsets(count);
  ParsedOnce<std::int32_t> lengths(namesLength);
  std::uint64_t next = 0;
  for (std::size_t k = 0; k < count; ++k) {
    std::int32_t length;
    try {
      length = lengths(k + 1, ParseInteger);
    } catch (const ConvertError& e) {
      throw CellConvertError(e, CellConvertError::Table::NamesBank, kNamesLengthColumn,
                             static_cast<int>(k + 1));
    }
    if (length < 0)
      throw RosterError("The Length of name entry " + std::to_string(k) + " is negative (" +
                        std::to_string(length) + ")");
    offsets[k] = static_cast<std::uint32_t>(next);
    next += 2 * static_cast<std::uint64_t>(length) + 2;
    if (next > kPoolSize)
      throw RosterError("The names need more than the " + std::to_string(kPoolSize) +
                        " bytes of the name pool (entry " + std::to_string(k) +
                        " ends beyond it); shorten some Lengths until the balance is 0");
  }
  return offsets;
}

void RebuildNamePool(const ColumnList& namesData, const ColumnList& namesLength,
                     std::span<std::uint8_t> pool) {
  const std::vector<std::uint32_t> offsets = RecomputeNameOffsets(namesLength);
  ParsedOnce<std::int32_t> lengths(namesLength);
  for (std::size_t k = 0; k < offsets.size(); ++k) {
    const auto length = static_cast<std::size_t>(lengths(k + 1, ParseInteger));
    // A text not yet cut by the names grid is cut here, as a commit would.
    const std::u16string_view text =
        k + 1 < namesData.size() ? namesData[k + 1].substr(0, length) : std::u16string_view{};
    std::uint8_t* p = pool.data() + offsets[k];
    for (char16_t c : text) {
      *p++ = static_cast<std::uint8_t>(c);
      *p++ = static_cast<std::uint8_t>(c >> 8);
    }
    // Filler and terminator.
    std::fill_n(p, 2 * (length - text.size()) + 2, std::uint8_t{0});
  }
}

NameOffsets DecodeNameOffsets(std::span<const std::uint8_t> records, std::size_t record) {
  const std::uint8_t* first = records.data();
  const std::uint8_t* own = first + record * kRecordSize;
  // Every pointer is relative to its own field; measure from the first
  // player's last name, which is pool offset 0.
  const std::uint32_t shift = static_cast<std::uint32_t>(record * kRecordSize);
  const std::uint32_t last = ReadU32LE(own) - ReadU32LE(first) + shift;
  const std::uint32_t firstName = ReadU32LE(own + 4) - ReadU32LE(first) + shift + 4;
  return {last, firstName};
}

NameEntryIndex::NameEntryIndex(const NameBank& bank) {
  // Offsets grow strictly with the entry number, so at most one entry
  // begins at each; the parsed pool keeps them within its size.
  static_assert(kPoolSize / 2 + 1 < 0x10000);
  if (bank.empty()) return;
  entryAt_.assign(std::size_t{bank.back().P} + 1, 0);
  for (std::size_t k = 0; k < bank.size(); ++k)
    entryAt_[bank[k].P] = static_cast<std::uint16_t>(k + 1);
}

}  // namespace orrimax
