// The name pool: parsing it into the bank, the players' self-relative name
// pointers, and rebuilding the pool from the names grid.
#include <algorithm>
#include <string>

#include "DB.h"
#include "Functions.h"
#include "Text.h"

namespace orrimax {

NameBank ParseNamePool(std::span<const std::uint8_t> pool) {
  // One entry per terminator: counted first, so the bank is sized once.
  std::size_t terminators = 0;
  for (std::size_t j = 0; j + 1 < pool.size(); j += 2) terminators += (pool[j] | pool[j + 1]) == 0;
  NameBank bank;
  bank.reserve(terminators);
  // Whole code units only; an odd last byte belongs to no string, and an
  // unterminated rest is no entry.
  std::size_t start = 0;
  for (std::size_t j = 0; j + 1 < pool.size(); j += 2) {
    if ((pool[j] | pool[j + 1]) != 0) continue;
    std::u16string text((j - start) / 2, u'\0');
    for (std::size_t k = 0; k < text.size(); ++k)
      text[k] = static_cast<char16_t>(pool[start + 2 * k] | (pool[start + 2 * k + 1] << 8));
    bank.push_back({std::move(text), static_cast<std::uint32_t>(start)});
    start = j + 2;
  }
  return bank;
}

NamesBankColumns ListNameBank(const NameBank& bank) {
  NamesBankColumns names;
  names.Id.reserve(bank.size() + 1, 6 * bank.size());
  names.Data.reserve(bank.size() + 1, 8 * bank.size());
  names.Length.reserve(bank.size() + 1, 2 * bank.size());
  names.Id.push_back(u"ID");
  names.Data.push_back(u"Data");
  names.Length.push_back(u"Length");
  for (std::size_t k = 0; k < bank.size(); ++k) {
    names.Id.push_back(Ascii(std::to_string(k)));
    names.Data.push_back(bank[k].Data);
    names.Length.push_back(Ascii(std::to_string(bank[k].Data.size())));
  }
  return names;
}

std::vector<std::uint32_t> RecomputeNameOffsets(const ColumnList& namesLength) {
  const std::size_t count = namesLength.empty() ? 0 : namesLength.size() - 1;
  std::vector<std::uint32_t> offsets(count);
  std::uint64_t next = 0;
  for (std::size_t k = 0; k < count; ++k) {
    const std::int32_t length = ParseInteger(namesLength[k + 1]);
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
  for (std::size_t k = 0; k < offsets.size(); ++k) {
    const auto length = static_cast<std::size_t>(ParseInteger(namesLength[k + 1]));
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

std::optional<std::size_t> FindNameEntry(const NameBank& bank, std::uint32_t offset) {
  // Offsets grow strictly with the entry number, so at most one entry matches.
  const auto it = std::lower_bound(bank.begin(), bank.end(), offset,
                                   [](const Name& n, std::uint32_t v) { return n.P < v; });
  if (it == bank.end() || it->P != offset) return std::nullopt;
  return static_cast<std::size_t>(it - bank.begin());
}

}  // namespace orrimax
