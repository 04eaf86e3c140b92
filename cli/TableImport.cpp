// A table text read straight into the record bytes: the texts of the
// narrow fields' values are parsed once per text form, hex digits go
// straight into their bytes, and no table of cell texts is built. Any
// fault sends the caller the general way, which names it.
#include <bit>
#include <cstring>
#include <map>
#include <span>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <thread>
#include <vector>

#include "RecordCells.h"
#include "TableText.h"
#include "Text.h"

namespace orrimax::cli {
namespace {

// Why the direct way gave up; never seen by the user.
struct Fault {};

// Bit k set where byte k of the 64 at `p` is a TAB or a line feed.
std::uint64_t SeparatorBits(const char* p) {
#if defined(__SSE2__)
  const __m128i tab = _mm_set1_epi8('\t');
  const __m128i lineFeed = _mm_set1_epi8('\n');
  std::uint64_t bits = 0;
  for (int k = 0; k < 4; ++k) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * k));
    const __m128i hits = _mm_or_si128(_mm_cmpeq_epi8(bytes, tab), _mm_cmpeq_epi8(bytes, lineFeed));
    bits |= std::uint64_t{static_cast<std::uint16_t>(_mm_movemask_epi8(hits))} << (16 * k);
  }
  return bits;
#else
  std::uint64_t bits = 0;
  for (int k = 0; k < 64; ++k)
    if (p[k] == '\t' || p[k] == '\n') bits |= std::uint64_t{1} << k;
  return bits;
#endif
}

// The key of a text of up to seven bytes, whose first eight bytes `word`
// holds (those past its end are dropped): its bytes, and their count + 1 in
// the top byte, so that no text has the key 0.
std::uint64_t TextKey(std::uint64_t word, std::size_t size) {
  const auto bits = 8 * size;
  return (bits == 0 ? 0 : word & (~std::uint64_t{0} >> (64 - bits))) | std::uint64_t{size + 1}
                                                                           << 56;
}

// The cells of a text, as the general reader splits them: TAB between
// cells, CR LF or LF after a line, a cell in double quotes running to its
// closing quote. Anything the general reader would refuse, or reads in a
// way of its own (a lone CR straight after a closing quote), is a fault
// here. The separators are found 64 bytes at a time, so that where each
// cell ends does not wait for where the one before it ended.
class CellScanner {
 public:
  explicit CellScanner(std::string_view text) : text_(text) { seek(); }

  bool atEnd() const { return at_ >= text_.size(); }
  std::string_view rest() const { return at_ >= text_.size() ? "" : text_.substr(at_); }

  // The next cell's bytes; `lineEnds` tells whether it was its line's last.
  // `key` is a short cell's bytes with their count + 1 in the top byte, 0
  // for a cell of more than seven bytes or in quotes.
  // Inline in the reading loop, where its state can stay in registers.
  [[gnu::always_inline]] std::string_view next(bool& lineEnds, std::uint64_t& key) {
    key = 0;
    std::string_view cell;
    const char* data = text_.data();
    const bool inQuotes = at_ < text_.size() && data[at_] == '"';
    if (inQuotes) {
      cell = quoted();
    } else {
      const std::size_t end = separator();
      cell = {data + at_, end - at_};
      if (!cell.empty() && cell.back() == '\r' && (end == text_.size() || data[end] == '\n'))
        cell.remove_suffix(1);
      if (cell.size() < 8 && at_ + 8 <= text_.size()) {
        std::uint64_t word = 0;
        std::memcpy(&word, data + at_, 8);
        key = TextKey(word, cell.size());
      }
      at_ = end;
    }
    lineEnds = at_ >= text_.size() || data[at_] == '\n';
    ++at_;
    if (inQuotes) seek();
    return cell;
  }

 private:
  // The next separator at or after at_, or the end of the text.
  std::size_t separator() {
    while (separators_ == 0) {
      block_ += 64;
      if (block_ >= text_.size()) return text_.size();
      separators_ = bits(block_);
    }
    const std::size_t end = block_ + static_cast<std::size_t>(std::countr_zero(separators_));
    separators_ &= separators_ - 1;
    return end;
  }

  // The separators of the 64 bytes from `block`; none past the text's end.
  std::uint64_t bits(std::size_t block) const {
    if (text_.size() - block >= 64) return SeparatorBits(text_.data() + block);
    char last[64] = {};
    std::memcpy(last, text_.data() + block, text_.size() - block);
    return SeparatorBits(last);
  }

  // Starts the separators afresh at at_, after a cell that moved it itself.
  void seek() {
    block_ = at_ - at_ % 64;
    separators_ = block_ < text_.size() ? bits(block_) & (~std::uint64_t{0} << (at_ % 64)) : 0;
  }

  [[gnu::noinline]] std::string_view quoted() {
    scratch_.clear();
    ++at_;
    while (true) {
      const auto quote = text_.find('"', at_);
      if (quote == std::string_view::npos) throw Fault{};
      scratch_.append(text_.substr(at_, quote - at_));
      at_ = quote + 1;
      if (at_ < text_.size() && text_[at_] == '"') {
        scratch_ += '"';
        ++at_;
        continue;
      }
      break;
    }
    if (text_.substr(at_, 2) == "\r\n") ++at_;
    if (at_ < text_.size() && text_[at_] != '\t' && text_[at_] != '\n') throw Fault{};
    return scratch_;
  }

  std::string_view text_;
  std::size_t at_ = 0;
  std::size_t block_ = 0;         // where the 64 bytes of `separators_` begin
  std::uint64_t separators_ = 0;  // those at or after at_
  std::string scratch_;
};

bool IsAscii(std::string_view bytes) {
  for (const char c : bytes)
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  return true;
}

// A cell's text; its bytes are checked as the general reader checks them.
std::u16string_view CellValue(std::string_view bytes, std::u16string& scratch) {
  if (IsAscii(bytes)) {
    scratch.assign(bytes.begin(), bytes.end());
  } else {
    try {
      scratch = DecodeCell(bytes, 0);
    } catch (const RosterError&) {
      throw Fault{};
    }
  }
  return scratch;
}

// The value a cell text stores, parsed by the column's form. Throws Fault.
std::uint32_t Parse(const FieldColumn& field, std::string_view cell, std::u16string& scratch) {
  try {
    return field.form->encode(field, CellValue(cell, scratch));
  } catch (const ConvertError&) {
    throw Fault{};
  }
}

// The values of the texts of a form's list, by the scanner's key of a text:
// what nearly every cell holds is found there, anything else is parsed.
class ListedValues {
 public:
  // The texts of the values below 2 to the `width` (a column's own).
  ListedValues(const FormCells::List& list, int width, const FieldColumn& field) {
    const std::span cells = std::span(list.cells).first(std::size_t{1} << width);
    // A quarter full: a lookup seldom goes past its first slot, which a
    // lookup of random texts would mispredict.
    std::size_t size = 16;
    while (size < 4 * cells.size()) size *= 2;
    keys_.resize(size);
    values_.resize(size);
    std::u16string scratch;
    for (const ShortCell& cell : cells) {
      const std::string_view text = cell.value();
      std::uint64_t word = 0;
      std::memcpy(&word, text.data(), text.size());
      const std::uint64_t key = TextKey(word, text.size());
      const std::size_t slot = find(key);
      if (keys_[slot] == key) continue;
      try {
        values_[slot] = Parse(field, text, scratch);
        keys_[slot] = key;
      } catch (const Fault&) {
      }
    }
  }

  // `key` as the scanner gives it, never 0.
  const std::uint32_t* of(std::uint64_t key) const {
    const std::size_t slot = find(key);
    return keys_[slot] == key ? &values_[slot] : nullptr;
  }

 private:
  std::size_t find(std::uint64_t key) const {
    const std::size_t mask = keys_.size() - 1;
    for (std::size_t at = (key * 0x9E3779B97F4A7C15u) >> 40;; ++at)
      if (keys_[at & mask] == key || keys_[at & mask] == 0) return at & mask;
  }

  std::vector<std::uint64_t> keys_;  // a text's bytes, and their count + 1 in the top byte
  std::vector<std::uint32_t> values_;
};

// What the reading threads share: how each field column is stored, and
// the values of the texts of its list, one table for each list and width
// (the narrow columns of a form look among their own few texts, not among
// those of its widest).
struct RecordColumns {
  RecordColumns() {
    for (const FieldStep& step : FieldSteps(lists)) {
      const ListedValues* listed = nullptr;
      if (step.list >= 0) {
        const int width = step.field->place.width;
        // The first column of a list and width parses its texts as the
        // others would: a form reads no more of its column than that.
        listed = &values.try_emplace({step.list, width}, lists.list(step.list), width, *step.field)
                      .first->second;
      }
      columns.push_back({step, listed});
    }
  }

  struct Column {
    FieldStep step;
    const ListedValues* values;  // its list's, if it has one
  };
  FormCells lists;
  std::map<std::pair<int, int>, ListedValues> values;  // by list and width
  std::vector<Column> columns;
};

std::int32_t NameId(std::string_view cell, std::u16string& scratch) {
  // Nearly every ID is a few digits, which the integer parse reads as this.
  if (!cell.empty() && cell.size() <= 9) {
    std::int32_t id = 0;
    std::size_t k = 0;
    for (; k < cell.size() && cell[k] >= '0' && cell[k] <= '9'; ++k) id = 10 * id + (cell[k] - '0');
    if (k == cell.size()) return id;
  }
  const auto id = TryParseInteger(CellValue(cell, scratch));
  if (!id) throw Fault{};
  return *id;
}

}  // namespace

namespace {

// Whole bytes as hex digits, each byte's two digits straight into its place;
// false when the cell is anything else (the form then reads it).
bool ReadHexDigits(std::string_view cell, const FieldStep& step, std::uint8_t* record) {
  const int bytes = step.bytes;
  if (cell.size() != static_cast<std::size_t>(2 * bytes)) return false;
  for (const char c : cell)
    if (HexDigitValue(static_cast<unsigned char>(c)) < 0) return false;
  for (int k = 0; k < bytes; ++k)
    record[step.hexOffset(k)] =
        static_cast<std::uint8_t>(16 * HexDigitValue(static_cast<unsigned char>(cell[2 * k])) +
                                  HexDigitValue(static_cast<unsigned char>(cell[2 * k + 1])));
  return true;
}

// Players `from` to `to` - 1, whose lines are the whole of `text`.
void ReadRows(std::string_view text, std::size_t from, std::size_t to, const RecordColumns& columns,
              RosterDocument& doc, std::vector<NameIds>& ids) {
  CellScanner cells(text);
  std::u16string scratch;
  bool lineEnds = false;
  std::uint64_t key = 0;
  const auto cell = [&] {
    if (cells.atEnd() || lineEnds) throw Fault{};
    return cells.next(lineEnds, key);
  };
  for (std::size_t i = from; i < to; ++i) {
    std::uint8_t* record = doc.Players.data() + i * kRecordSize;
    lineEnds = false;
    // The row number and the names are not read, but must be sound text.
    for (int c = kRowNumberColumn; c <= kFirstNameColumn; ++c)
      if (const std::string_view bytes = cell(); !IsAscii(bytes)) CellValue(bytes, scratch);
    ids[i].last = NameId(cell(), scratch);
    ids[i].first = NameId(cell(), scratch);
    for (const auto& [step, values] : columns.columns) {
      const std::string_view bytes = cell();
      if (step.kind == FieldStep::Kind::Hex && ReadHexDigits(bytes, step, record)) continue;
      const std::uint32_t* listed = values && key != 0 ? values->of(key) : nullptr;
      WritePlace(step.field->place, record, listed ? *listed : Parse(*step.field, bytes, scratch));
    }
    if (!lineEnds) throw Fault{};
  }
  if (!cells.atEnd()) throw Fault{};
}

// Where the line of player `row` begins, so that two threads can each read
// a part. A line break inside a quoted cell is told by the count of quotes
// before it; a quote inside a cell that is not quoted misleads the count,
// and then the first part does not end where the second begins, which its
// reader sees.
std::optional<std::size_t> LineStart(std::string_view rows, std::size_t row) {
  std::size_t at = 0;
  bool inQuotes = false;
  for (std::size_t k = 0; k < row;) {
    const auto end = rows.find('\n', at);
    if (end == std::string_view::npos) return std::nullopt;
    const std::string_view line = rows.substr(at, end - at);
    for (auto quote = line.find('"'); quote != line.npos; quote = line.find('"', quote + 1))
      inQuotes = !inQuotes;
    at = end + 1;
    if (!inQuotes) ++k;
  }
  return at;
}

}  // namespace

std::optional<std::vector<NameIds>> ReadTableIntoRecords(std::string_view text,
                                                         RosterDocument& doc) {
  try {
    CellScanner header(StripByteOrderMark(text));
    std::u16string scratch;
    bool lineEnds = false;
    std::uint64_t key = 0;
    for (int c = kRowNumberColumn; c < kColumnCount; ++c) {
      if (header.atEnd() || lineEnds) throw Fault{};
      if (CellValue(header.next(lineEnds, key), scratch) != ColumnHeader(c)) throw Fault{};
    }
    if (!lineEnds) throw Fault{};

    const std::string_view rows = header.rest();
    const std::size_t players = doc.PlayerCount;
    std::vector<NameIds> ids(players);
    // A large table is read in two halves at once.
    const RecordColumns columns;
    const std::size_t half = players / 2;
    const auto split = players >= 1024 ? LineStart(rows, half) : std::nullopt;
    if (!split) {
      ReadRows(rows, 0, players, columns, doc, ids);
      return ids;
    }
    bool secondRead = false;
    std::thread second([&] {
      try {
        ReadRows(rows.substr(*split), half, players, columns, doc, ids);
        secondRead = true;
      } catch (...) {
      }
    });
    bool firstRead = false;
    try {
      ReadRows(rows.substr(0, *split), 0, half, columns, doc, ids);
      firstRead = true;
    } catch (...) {
    }
    second.join();
    if (!firstRead || !secondRead) throw Fault{};
    return ids;
  } catch (const Fault&) {
    return std::nullopt;
  }
}

}  // namespace orrimax::cli
