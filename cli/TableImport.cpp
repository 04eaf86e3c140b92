// A table text read straight into the record bytes: each distinct short
// text of a column is parsed once, and no table of cell texts is built.
// Any fault sends the caller the general way, which names it.
#include <bit>
#include <cstring>
#include <thread>
#include <vector>

#include "DBFields.h"
#include "TableText.h"

namespace orrimax::cli {
namespace {

// Why the direct way gave up; never seen by the user.
struct Fault {};

// The cells of a text, as the general reader splits them: TAB between
// cells, CR LF or LF after a line, a cell in double quotes running to its
// closing quote. Anything the general reader would refuse, or reads in a
// way of its own (a lone CR straight after a closing quote), is a fault
// here.
// The high bit of each byte of `word` that is 0, and of none before the
// first (those after it may be set too).
std::uint64_t ZeroBytes(std::uint64_t word) {
  return (word - 0x0101010101010101u) & ~word & 0x8080808080808080u;
}

class CellScanner {
 public:
  explicit CellScanner(std::string_view text) : text_(text) {}

  bool atEnd() const { return at_ >= text_.size(); }
  std::string_view rest() const { return at_ >= text_.size() ? "" : text_.substr(at_); }

  // The next cell's bytes; `lineEnds` tells whether it was its line's last.
  // `key` is a short cell's bytes with their count + 1 in the top byte, 0
  // for a cell of more than seven bytes or in quotes.
  std::string_view next(bool& lineEnds, std::uint64_t& key) {
    std::string_view cell;
    key = 0;
    const char* begin = text_.data() + at_;
    const char* end = text_.data() + text_.size();
    if (begin != end && *begin == '"') {
      cell = quoted();
    } else {
      const char* p = begin;
      // Most cells are a few bytes: look for their end in eight at once.
      std::uint64_t word = 0;
      std::uint64_t ends = 0;
      if (end - begin >= 8) {
        std::memcpy(&word, begin, 8);
        ends = ZeroBytes(word ^ 0x0909090909090909u) | ZeroBytes(word ^ 0x0A0A0A0A0A0A0A0Au);
      }
      if (ends != 0) {
        p += std::countr_zero(ends) / 8;
      } else {
        while (p != end && *p != '\t' && *p != '\n') ++p;
      }
      cell = {begin, static_cast<std::size_t>(p - begin)};
      at_ = static_cast<std::size_t>(p - text_.data());
      if (!cell.empty() && cell.back() == '\r' && (p == end || *p == '\n')) cell.remove_suffix(1);
      if (ends != 0) {
        const auto bits = 8 * cell.size();
        key = (bits == 0 ? 0 : word & (~std::uint64_t{0} >> (64 - bits))) |
              std::uint64_t{cell.size() + 1} << 56;
      }
    }
    lineEnds = at_ >= text_.size() || text_[at_] == '\n';
    ++at_;
    return cell;
  }

 private:
  std::string_view quoted() {
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

// The stored values of one field column by cell text. Texts of up to seven
// bytes (ratings, tendencies, flags: nearly every cell) are looked up in an
// open table that grows with the column's distinct texts, so that the few
// of most columns stay in the cache; a longer text, or a column whose texts
// hardly repeat, is parsed as it comes.
class ParsedTexts {
 public:
  explicit ParsedTexts(const FieldColumn& field) : field_(field), slots_(kFirstSlots) {}

  // `key` as the scanner gives it.
  std::uint32_t of(std::string_view cell, std::uint64_t key) {
    if (key == 0 || full_) return parse(cell);
    Slot& slot = find(key);
    if (slot.key == key) return slot.value;
    const std::uint32_t value = parse(cell);
    slot = {key, value};
    if (++used_ > slots_.size() / 2) grow();
    return value;
  }

 private:
  static constexpr std::size_t kFirstSlots = 16;
  static constexpr std::size_t kMaxSlots = 4096;
  struct Slot {
    std::uint64_t key = 0;  // the bytes, and their count + 1 in the top byte
    std::uint32_t value = 0;
  };

  Slot& find(std::uint64_t key) {
    const std::size_t mask = slots_.size() - 1;
    std::size_t at = (key * 0x9E3779B97F4A7C15u) >> 40;
    while (true) {
      Slot& slot = slots_[at & mask];
      if (slot.key == key || slot.key == 0) return slot;
      ++at;
    }
  }

  void grow() {
    // Past this size the column is mostly distinct texts.
    if (slots_.size() == kMaxSlots) {
      full_ = true;
      return;
    }
    std::vector<Slot> old(slots_.size() * 2);
    old.swap(slots_);
    for (const Slot& slot : old)
      if (slot.key != 0) find(slot.key) = slot;
  }

  std::uint32_t parse(std::string_view cell) {
    try {
      return field_.form->encode(field_, CellValue(cell, text_));
    } catch (const ConvertError&) {
      throw Fault{};
    }
  }

  const FieldColumn& field_;
  std::vector<Slot> slots_;
  std::size_t used_ = 0;
  bool full_ = false;
  std::u16string text_;
};

std::int32_t NameId(std::string_view cell, std::u16string& scratch) {
  const auto id = TryParseInteger(CellValue(cell, scratch));
  if (!id) throw Fault{};
  return *id;
}

}  // namespace

namespace {

// Players `from` to `to` - 1, whose lines are the whole of `text`.
void ReadRows(std::string_view text, std::size_t from, std::size_t to, RosterDocument& doc,
              std::vector<NameIds>& ids) {
  CellScanner cells(text);
  std::vector<ParsedTexts> columns;
  columns.reserve(kColumnCount - kFirstFieldColumn);
  for (int c = kFirstFieldColumn; c < kColumnCount; ++c) columns.emplace_back(FieldOf(c));
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
    for (int c = kFirstFieldColumn; c < kColumnCount; ++c) {
      const std::string_view bytes = cell();
      WritePlace(FieldOf(c).place, record, columns[c - kFirstFieldColumn].of(bytes, key));
    }
    if (!lineEnds) throw Fault{};
  }
  if (!cells.atEnd()) throw Fault{};
}

// Where the line of player `row` begins, when every line break ends a line
// (no cell is quoted), so that two threads can each read a part.
std::optional<std::size_t> LineStart(std::string_view rows, std::size_t row) {
  if (rows.find('"') != std::string_view::npos) return std::nullopt;
  std::size_t at = 0;
  for (std::size_t k = 0; k < row; ++k) {
    const auto end = rows.find('\n', at);
    if (end == std::string_view::npos) return std::nullopt;
    at = end + 1;
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
    const std::size_t half = players / 2;
    const auto split = players >= 1024 ? LineStart(rows, half) : std::nullopt;
    if (!split) {
      ReadRows(rows, 0, players, doc, ids);
      return ids;
    }
    bool secondRead = false;
    std::thread second([&] {
      try {
        ReadRows(rows.substr(*split), half, players, doc, ids);
        secondRead = true;
      } catch (...) {
      }
    });
    bool firstRead = false;
    try {
      ReadRows(rows.substr(0, *split), 0, half, doc, ids);
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
