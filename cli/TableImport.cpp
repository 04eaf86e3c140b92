// A table text read straight into the record bytes: each distinct short
// text of a column is parsed once, and no table of cell texts is built.
// Any fault sends the caller the general way, which names it.
#include <algorithm>
#include <bit>
#include <cstring>
#include <thread>
#include <vector>

#include "RecordCells.h"
#include "TableText.h"
#include "Text.h"

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
      // Eight bytes at once: most cells end within the first eight.
      std::uint64_t word = 0;
      bool found = false;
      bool inFirst = false;
      while (!found && end - p >= 8) {
        std::uint64_t next = 0;
        std::memcpy(&next, p, 8);
        if (p == begin) word = next;
        const std::uint64_t ends =
            ZeroBytes(next ^ 0x0909090909090909u) | ZeroBytes(next ^ 0x0A0A0A0A0A0A0A0Au);
        found = ends != 0;
        inFirst = found && p == begin;
        p += found ? std::countr_zero(ends) / 8 : 8;
      }
      if (!found)
        while (p != end && *p != '\t' && *p != '\n') ++p;
      cell = {begin, static_cast<std::size_t>(p - begin)};
      at_ = static_cast<std::size_t>(p - text_.data());
      if (!cell.empty() && cell.back() == '\r' && (p == end || *p == '\n')) cell.remove_suffix(1);
      if (inFirst) {
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
  ListedValues(const FormCells::List& list, const FieldColumn& field) {
    std::size_t size = 16;
    while (size < 2 * list.cells.size()) size *= 2;
    slots_.resize(size);
    std::u16string scratch;
    for (const ShortCell& cell : list.cells) {
      const std::string_view text = cell.value();
      std::uint64_t key = std::uint64_t{text.size() + 1} << 56;
      for (std::size_t k = 0; k < text.size(); ++k)
        key |= std::uint64_t{static_cast<unsigned char>(text[k])} << (8 * k);
      Slot& slot = find(key);
      if (slot.key == key) continue;
      try {
        slot = {key, Parse(field, text, scratch)};
      } catch (const Fault&) {
      }
    }
  }

  // `key` as the scanner gives it, never 0.
  const std::uint32_t* of(std::uint64_t key) const {
    const Slot& slot = find(key);
    return slot.key == key ? &slot.value : nullptr;
  }

 private:
  struct Slot {
    std::uint64_t key = 0;  // the bytes, and their count + 1 in the top byte
    std::uint32_t value = 0;
  };

  Slot& find(std::uint64_t key) {
    return const_cast<Slot&>(static_cast<const ListedValues*>(this)->find(key));
  }
  const Slot& find(std::uint64_t key) const {
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t at = (key * 0x9E3779B97F4A7C15u) >> 40;; ++at) {
      const Slot& slot = slots_[at & mask];
      if (slot.key == key || slot.key == 0) return slot;
    }
  }

  std::vector<Slot> slots_;
};

// What the reading threads share: how each field column is stored, and
// the values of its list's texts.
struct RecordColumns {
  RecordColumns() {
    values.reserve(lists.count());
    for (std::size_t k = 0; k < lists.count(); ++k) {
      const FormCells::List& list = lists.list(static_cast<int>(k));
      // Any column of the list's form and byte count parses its texts alike.
      const auto field = std::find_if(
          kColumns.begin() + kFirstFieldColumn, kColumns.end(),
          [&](const FieldColumn& f) { return f.form == list.form && f.place.bytes == list.bytes; });
      values.emplace_back(list, *field);
    }
    for (const FieldStep& step : FieldSteps(lists))
      columns.push_back(
          {step, step.list < 0 ? nullptr : &values[static_cast<std::size_t>(step.list)]});
  }

  struct Column {
    FieldStep step;
    const ListedValues* values;  // its list's, if it has one
  };
  FormCells lists;
  std::vector<ListedValues> values;
  std::vector<Column> columns;
};

std::int32_t NameId(std::string_view cell, std::u16string& scratch) {
  const auto id = TryParseInteger(CellValue(cell, scratch));
  if (!id) throw Fault{};
  return *id;
}

}  // namespace

namespace {

// Stores `value` in bits `shift` up of the `mask` wide field in `bits`.
template <typename Bits>
Bits WithField(Bits bits, const FieldStep& step, std::uint32_t value) {
  const std::uint32_t mask = step.mask << step.shift;
  return static_cast<Bits>((bits & ~mask) | ((value << step.shift) & mask));
}

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
      const std::uint32_t value = listed ? *listed : Parse(*step.field, bytes, scratch);
      switch (step.kind) {
        case FieldStep::Kind::Byte:
          record[step.offset] = WithField(record[step.offset], step, value);
          break;
        case FieldStep::Kind::Word: {
          const auto word = WithField(step.word(record), step, value);
          record[step.offset] = static_cast<std::uint8_t>(word);
          record[step.offset + 1] = static_cast<std::uint8_t>(word >> 8);
          break;
        }
        default:
          WritePlace(step.field->place, record, value);
      }
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
