#include "ColumnList.h"

#include <algorithm>
#include <functional>
#include <stdexcept>
#include <string>

namespace orrimax {
namespace {

// Bytes per index, as a shift, for a column of `texts` stored texts.
unsigned ShiftFor(std::size_t texts) {
  if (texts <= 0x100) return 0;
  if (texts <= 0x10000) return 1;
  return 2;
}

// Dead text below this is not worth a pass over the column.
constexpr std::size_t kSlack = 4096;
// A column with up to this many stored texts looks each rewrite up from the
// start; one with more after this many rewrites.
constexpr std::size_t kFewTexts = 256;
constexpr std::size_t kLookupAfter = 1024;
// The first room a column takes for its texts: a header and a few values.
constexpr std::size_t kFirstChars = 32;
constexpr std::size_t kFirstTexts = 8;

std::size_t HashOf(std::u16string_view text) {
  return std::hash<std::u16string_view>{}(text);
}

}  // namespace

ColumnList::ColumnList(const ColumnList& other) {
  // Nothing to drop: a verbatim copy is cheaper than renumbering.
  if (other.orphaned_ == 0) {
    buffer_ = other.buffer_;
    texts_ = other.texts_;
    codes_ = other.codes_;
    shift_ = other.shift_;
    return;
  }
  other.copyLiveInto(*this);
}

ColumnList& ColumnList::operator=(const ColumnList& other) {
  if (this != &other) {
    ColumnList copy(other);
    *this = std::move(copy);
  }
  return *this;
}

void ColumnList::ensureEmptyText() {
  if (!texts_.empty()) return;
  texts_.reserve(kFirstTexts);
  texts_.push_back({});
}

std::uint32_t ColumnList::store(std::u16string_view text) {
  if (text.size() > UINT32_MAX || buffer_.size() > UINT32_MAX - text.size() ||
      texts_.size() >= UINT32_MAX)
    throw std::length_error("cell text too long");
  ensureEmptyText();
  if (ShiftFor(texts_.size() + 1) > shift_) widen(ShiftFor(texts_.size() + 1));
  const Text t{static_cast<std::uint32_t>(buffer_.size()), static_cast<std::uint32_t>(text.size())};
  // The text may be a cell of this very column, which the growing buffer
  // could move away from under it.
  const bool aliases =
      text.data() >= buffer_.data() && text.data() < buffer_.data() + buffer_.size();
  if (aliases) {
    const std::u16string copy(text);
    buffer_.insert(buffer_.end(), copy.begin(), copy.end());
  } else {
    // Room for several texts at once: a small column would otherwise
    // reallocate over and over for its first few.
    if (buffer_.capacity() - buffer_.size() < text.size())
      buffer_.reserve(std::max(
          {2 * buffer_.capacity(), buffer_.size() + text.size(), std::size_t{kFirstChars}}));
    // Cell texts are a few characters: unit by unit beats a library call.
    for (const char16_t c : text) buffer_.push_back(c);
  }
  if (texts_.size() == texts_.capacity())
    texts_.reserve(std::max(2 * texts_.capacity(), std::size_t{kFirstTexts}));
  texts_.push_back(t);
  return static_cast<std::uint32_t>(texts_.size() - 1);
}

std::uint32_t ColumnList::find(std::u16string_view text) const {
  const std::size_t mask = lookup_.size() - 1;
  for (std::size_t slot = HashOf(text) & mask;; slot = (slot + 1) & mask) {
    const std::uint32_t index = lookup_[slot];
    if (index == 0 || stored(index) == text) return index;
  }
}

void ColumnList::buildLookup() {
  // At most half full, so that probes stay short.
  std::size_t slots = 16;
  while (slots < 2 * texts_.size()) slots *= 2;
  lookup_.assign(slots, 0);
  const std::size_t mask = slots - 1;
  for (std::uint32_t index = 1; index < texts_.size(); ++index) {
    // A text stored twice (cells appended without a lookup) is entered once:
    // runs of equal texts would otherwise make every probe walk them all.
    const std::u16string_view text = stored(index);
    std::size_t slot = HashOf(text) & mask;
    while (lookup_[slot] != 0 && stored(lookup_[slot]) != text) slot = (slot + 1) & mask;
    if (lookup_[slot] == 0) lookup_[slot] = index;
  }
}

void ColumnList::remember(std::uint32_t index) {
  if (lookup_.empty()) return;  // built with every text when first needed
  if (2 * texts_.size() > lookup_.size()) {
    buildLookup();
    return;
  }
  // A new text: no equal one is entered.
  const std::size_t mask = lookup_.size() - 1;
  std::size_t slot = HashOf(stored(index)) & mask;
  while (lookup_[slot] != 0) slot = (slot + 1) & mask;
  lookup_[slot] = index;
}

void ColumnList::writeIndex(std::size_t row, std::uint32_t index) {
  std::uint8_t* code = codes_.data() + (row << shift_);
  if (shift_ == 0) {
    *code = static_cast<std::uint8_t>(index);
  } else if (shift_ == 1) {
    const auto narrow = static_cast<std::uint16_t>(index);
    std::memcpy(code, &narrow, sizeof narrow);
  } else {
    std::memcpy(code, &index, sizeof index);
  }
}

void ColumnList::throwOutOfRange(const char* what) {
  throw std::out_of_range(what);
}

void ColumnList::widen(unsigned shift) {
  const std::size_t rows = size();
  std::vector<std::uint8_t> codes;
  codes.reserve(codes_.capacity() << (shift - shift_));
  codes.resize(rows << shift);
  std::swap(codes, codes_);
  const unsigned narrow = shift_;
  shift_ = shift;
  if (narrow == 0) {
    for (std::size_t row = 0; row < rows; ++row) writeIndex(row, codes[row]);
    return;
  }
  for (std::size_t row = 0; row < rows; ++row) {
    std::uint16_t index;
    std::memcpy(&index, codes.data() + 2 * row, sizeof index);
    writeIndex(row, index);
  }
}

void ColumnList::set(std::size_t row, std::u16string_view text) {
  if (row >= size()) throw std::out_of_range("ColumnList::set");
  if ((*this)[row] == text) return;
  std::uint32_t index = 0;
  if (!text.empty()) {
    // A few rewrites store their texts as they come; a column rewritten
    // wholesale (a paste, an import) looks for an equal text first, so that
    // its cells keep sharing their texts.
    if (lookup_.empty() && (texts_.size() <= kFewTexts || ++rewrites_ > kLookupAfter))
      buildLookup();
    if (!lookup_.empty()) index = find(text);
    if (index == 0) {
      index = store(text);
      remember(index);
    }
  }
  letGo(row);
  writeIndex(row, index);
  collectIfWasteful();
}

void ColumnList::push_back(std::u16string_view text) {
  ensureEmptyText();
  appendIndex(text.empty() ? 0 : store(text));
}

void ColumnList::insert(std::size_t row, std::u16string_view text) {
  if (row > size()) throw std::out_of_range("ColumnList::insert");
  ensureEmptyText();
  const std::uint32_t index = text.empty() ? 0 : store(text);
  const std::size_t width = std::size_t{1} << shift_;
  codes_.insert(codes_.begin() + static_cast<std::ptrdiff_t>(row * width), width, 0);
  writeIndex(row, index);
}

void ColumnList::erase(std::size_t row) {
  if (row >= size()) throw std::out_of_range("ColumnList::erase");
  letGo(row);
  const auto at = codes_.begin() + static_cast<std::ptrdiff_t>(row << shift_);
  codes_.erase(at, at + (std::ptrdiff_t{1} << shift_));
  collectIfWasteful();
}

void ColumnList::resize(std::size_t rows) {
  ensureEmptyText();
  for (std::size_t row = rows; row < size(); ++row) letGo(row);
  codes_.resize(rows << shift_);
  collectIfWasteful();
}

void ColumnList::clear() {
  *this = ColumnList();
}

void ColumnList::reserve(std::size_t rows, std::size_t chars, std::size_t texts) {
  codes_.reserve(rows << shift_);
  buffer_.reserve(chars);
  texts_.reserve(texts);
}

void ColumnList::collectIfWasteful() {
  // The pass costs the rows, the texts and the buffer; it waits until the
  // text let go of could outweigh each of them. A column whose cells share
  // a few texts (one rating in a thousand cells) is thus rewritten many
  // times before it looks, and its dead text stays below a code unit a row.
  if (orphaned_ > kSlack && 2 * orphaned_ > buffer_.size() && orphaned_ > size() &&
      orphaned_ > texts_.size()) {
    const bool looking = !lookup_.empty();
    ColumnList live;
    copyLiveInto(live);
    *this = std::move(live);
    if (looking) buildLookup();
  }
}

void ColumnList::copyLiveInto(ColumnList& out) const {
  const std::size_t rows = size();
  out = ColumnList();
  out.ensureEmptyText();
  // Stored texts in the order of their first cell; the unused ones stay
  // behind, and texts stored twice become one where the lookup knows them.
  std::vector<std::uint32_t> renumber(texts_.size(), 0);
  std::size_t chars = 0;
  for (std::size_t row = 0; row < rows; ++row) {
    const std::size_t index = textIndex(row);
    if (index == 0 || renumber[index] != 0) continue;
    const std::uint32_t known = lookup_.empty() ? 0 : find(stored(index));
    if (known != 0 && renumber[known] != 0) {
      renumber[index] = renumber[known];
      continue;
    }
    renumber[index] = static_cast<std::uint32_t>(out.texts_.size());
    if (known != 0) renumber[known] = renumber[index];
    out.texts_.push_back({static_cast<std::uint32_t>(chars), texts_[index].length});
    chars += texts_[index].length;
  }
  out.buffer_.resize(chars);
  for (std::size_t index = 1; index < texts_.size(); ++index) {
    if (renumber[index] == 0) continue;
    const std::u16string_view text = stored(index);
    std::copy(text.begin(), text.end(), out.buffer_.begin() + out.texts_[renumber[index]].offset);
  }
  out.shift_ = ShiftFor(out.texts_.size());
  out.codes_.resize(rows << out.shift_);
  for (std::size_t row = 0; row < rows; ++row) out.writeIndex(row, renumber[textIndex(row)]);
}

}  // namespace orrimax
