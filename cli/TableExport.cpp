// The player table's text written straight from the record bytes: the
// cells of narrow fields come from lists made once per text form, hex
// digits are written as the bytes are read, and the text goes out in
// pieces of about half a megabyte.
#include <algorithm>
#include <array>
#include <charconv>
#include <condition_variable>
#include <cstring>
#include <exception>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "DBFields.h"
#include "TableText.h"

namespace orrimax::cli {
namespace {

constexpr std::string_view kLineEnd = "\r\n";

// A cell of a few bytes, its TAB first. A row copies all eight bytes
// whatever the length: its room allows it, and one fixed copy is faster.
struct ShortCell {
  static constexpr std::size_t kBytes = 7;
  char text[kBytes];
  std::uint8_t length;

  char* write(char* out) const {
    std::memcpy(out, this, sizeof *this);
    return out + length;
  }
};
static_assert(sizeof(ShortCell) == 8);

// The cell of every value of a text form, for the columns narrow enough to
// list them. A form's text depends on the value alone (hex also on the
// place's byte count), so the columns of a form share one list, which stays
// in the cache where 183 lists of their own would not.
class FormCells {
 public:
  static constexpr int kMaxWidth = 10;

  // Makes room for the values of `field`: every column first, then `of`.
  void need(const FieldColumn& field) {
    if (field.place.width > kMaxWidth) return;
    List& list = find(field);
    list.size = std::max(list.size, std::size_t{1} << field.place.width);
  }

  // The list for `field`, or null when one of its texts is too long.
  const ShortCell* of(const FieldColumn& field) {
    if (field.place.width > kMaxWidth) return nullptr;
    List& list = find(field);
    // The form reads no more of the column than the byte count.
    while (list.cells.size() < list.size && !list.tooLong) add(field, list);
    return list.tooLong ? nullptr : list.cells.data();
  }

 private:
  struct List {
    const TextForm* form;
    int bytes;
    std::size_t size = 0;  // the widest of its columns
    std::vector<ShortCell> cells;
    bool tooLong = false;
  };

  List& find(const FieldColumn& field) {
    for (List& list : lists_)
      if (list.form == field.form && list.bytes == field.place.bytes) return list;
    return lists_.emplace_back(List{field.form, field.place.bytes, 0, {}, false});
  }

  static void add(const FieldColumn& field, List& list) {
    orrimax::CellText text;
    field.form->decode(field, static_cast<std::uint32_t>(list.cells.size()), text);
    std::string cell(1, '\t');
    AppendCell(cell, text.view());
    if (cell.size() > ShortCell::kBytes) {
      list.tooLong = true;
      return;
    }
    ShortCell& added = list.cells.emplace_back();
    std::memcpy(added.text, cell.data(), cell.size());
    added.length = static_cast<std::uint8_t>(cell.size());
  }

  std::vector<List> lists_;
};

// "00" to "FF", a byte's two hex digits.
constexpr auto kHexPairs = [] {
  std::array<std::array<char, 2>, 256> pairs{};
  constexpr char kDigits[] = "0123456789ABCDEF";
  for (std::size_t b = 0; b < pairs.size(); ++b) pairs[b] = {kDigits[b >> 4], kDigits[b & 15]};
  return pairs;
}();

// How a row writes one field column's cell.
struct Step {
  enum class Kind : std::uint8_t {
    Byte,    // bits of one byte, from a list
    Word,    // bits of two little-endian bytes, from a list
    Listed,  // any other narrow place, from a list
    Hex,     // whole bytes as hex digits, written as they are read
    Other    // formatted as it comes
  };
  Kind kind;
  std::uint8_t shift = 0;
  std::uint16_t offset = 0;
  std::uint32_t mask = 0;
  const ShortCell* cells = nullptr;
  const FieldColumn* field = nullptr;
};

Step StepOf(const FieldColumn& field, FormCells& lists) {
  const Place& p = field.place;
  Step step{Step::Kind::Other};
  step.field = &field;
  step.offset = static_cast<std::uint16_t>(p.offset);
  step.shift = static_cast<std::uint8_t>(p.shift);
  if (field.form == &kHexForm && p.shift == 0 && p.width == 8 * p.bytes && p.bytes <= 4) {
    step.kind = Step::Kind::Hex;
    return step;
  }
  step.cells = lists.of(field);
  if (step.cells == nullptr) return step;
  step.mask = (1u << p.width) - 1;
  step.kind = InOneByte(p)                                        ? Step::Kind::Byte
              : p.bytes == 2 && !p.run && p.shift + p.width <= 16 ? Step::Kind::Word
                                                                  : Step::Kind::Listed;
  return step;
}

// The bank entry of each player's last and first name. A pointer that leads
// nowhere is the decoder's to report, in its own words.
std::vector<std::pair<std::size_t, std::size_t>> NameEntries(const RosterDocument& doc) {
  std::vector<std::pair<std::size_t, std::size_t>> entries(doc.PlayerCount);
  const NameEntryIndex index(doc.Bank);
  for (std::size_t i = 0; i < doc.PlayerCount; ++i) {
    const NameOffsets offsets = DecodeNameOffsets(doc.Players, i);
    const auto last = index.find(offsets.Last);
    const auto first = index.find(offsets.First);
    if (!last || !first) {
      PlayerColumns table;
      DecodePlayers(doc, table);
      throw RosterError("Player record " + std::to_string(i) + " has a name pointer to no entry");
    }
    entries[i] = {*last, *first};
  }
  return entries;
}

// Room for text, not cleared first: every byte handed on has been written.
class TextBuffer {
 public:
  std::uint8_t* data() { return data_.get(); }
  std::size_t size() const { return size_; }
  // Room for `size` bytes at least, keeping the first `keep`.
  void grow(std::size_t size, std::size_t keep) {
    if (size <= size_) return;
    auto grown = std::make_unique_for_overwrite<std::uint8_t[]>(size);
    if (keep > 0) std::memcpy(grown.get(), data_.get(), keep);
    data_ = std::move(grown);
    size_ = size;
  }

 private:
  std::unique_ptr<std::uint8_t[]> data_;
  std::size_t size_ = 0;
};

// What the formatting threads share: the document, each player's name
// entries, each entry's name cell and how each field column is written.
struct TableParts {
  explicit TableParts(const RosterDocument& document)
      : doc(document), entries(NameEntries(document)), nameCells(document.Bank.size()) {
    for (std::size_t k = 0; k < doc.Bank.size(); ++k) {
      nameCells[k].push_back('\t');
      AppendCell(nameCells[k], doc.Bank[k].Data);
      longestName = std::max(longestName, nameCells[k].size());
    }
    for (int c = kFirstFieldColumn; c < kColumnCount; ++c) lists.need(FieldOf(c));
    for (int c = kFirstFieldColumn; c < kColumnCount; ++c)
      steps.push_back(StepOf(FieldOf(c), lists));
  }

  const RosterDocument& doc;
  std::vector<std::pair<std::size_t, std::size_t>> entries;
  std::vector<std::string> nameCells;  // each with the TAB that leads it
  std::size_t longestName = 0;
  FormCells lists;
  std::vector<Step> steps;
};

// The text of runs of rows.
class RowFormatter {
 public:
  // The longest a field's cell may write: its TAB, two quotes, and each of
  // a cell text's 32 code units at most six bytes (an escaped lone
  // surrogate); a short cell's copy goes up to 7 bytes past its end.
  static constexpr std::size_t kMaxCell = 6 * 32 + 3;
  static constexpr std::size_t kOvershoot = sizeof(ShortCell);

  explicit RowFormatter(const TableParts& parts) : parts_(parts) {}

  // Rows `from` to `to` - 1, each line with its CR LF, into `text` (whose
  // room is kept from run to run); gives the bytes written.
  std::size_t rows(std::size_t from, std::size_t to, TextBuffer& text) {
    // A row is written straight into the buffer, which always has room for
    // the longest row there can be.
    const std::size_t longestRow = 2 * parts_.longestName + 3 * 24 +
                                   parts_.steps.size() * kMaxCell + kOvershoot + kLineEnd.size();
    text.grow((to - from) * 1024 + longestRow, 0);
    std::size_t used = 0;
    for (std::size_t i = from; i < to; ++i) {
      if (text.size() - used < longestRow) text.grow(2 * text.size() + longestRow, used);
      char* const start = reinterpret_cast<char*>(text.data() + used);
      used += static_cast<std::size_t>(row(i, start) - start);
    }
    return used;
  }

 private:
  char* row(std::size_t i, char* out) {
    const auto number = [&out](std::size_t n) { out = std::to_chars(out, out + 24, n).ptr; };
    const auto append = [&out](const std::string& cell) {
      std::memcpy(out, cell.data(), cell.size());
      out += cell.size();
    };
    const auto [last, first] = parts_.entries[i];
    number(i);
    append(parts_.nameCells[last]);
    append(parts_.nameCells[first]);
    *out++ = '\t';
    number(last);
    *out++ = '\t';
    number(first);
    const std::uint8_t* record = parts_.doc.Players.data() + i * kRecordSize;
    for (const Step& step : parts_.steps) {
      switch (step.kind) {
        case Step::Kind::Byte:
          out = step.cells[(record[step.offset] >> step.shift) & step.mask].write(out);
          break;
        case Step::Kind::Word: {
          const std::uint32_t word = record[step.offset] | record[step.offset + 1] << 8;
          out = step.cells[(word >> step.shift) & step.mask].write(out);
          break;
        }
        case Step::Kind::Listed:
          out = step.cells[ReadWidePlace(step.field->place, record)].write(out);
          break;
        case Step::Kind::Hex: {
          // The form's digits, high to low: a run's bytes in record order,
          // a little-endian value's the other way round.
          const Place& p = step.field->place;
          *out++ = '\t';
          for (int k = 0; k < p.bytes; ++k) {
            const auto& pair = kHexPairs[record[step.offset + (p.run ? k : p.bytes - 1 - k)]];
            *out++ = pair[0];
            *out++ = pair[1];
          }
          break;
        }
        case Step::Kind::Other:
          out = formatted(*step.field, record, out);
          break;
      }
    }
    *out++ = '\r';
    *out++ = '\n';
    return out;
  }

  char* formatted(const FieldColumn& field, const std::uint8_t* record, char* out) {
    text_.clear();
    field.form->decode(field, ReadPlace(field.place, record), text_);
    const std::u16string_view view = text_.view();
    *out++ = '\t';
    if (IsPlainAscii(view)) {
      for (const char16_t c : view) *out++ = static_cast<char>(c);
      return out;
    }
    cell_.clear();
    AppendCell(cell_, view);
    std::memcpy(out, cell_.data(), cell_.size());
    return out + cell_.size();
  }

  const TableParts& parts_;
  orrimax::CellText text_;
  std::string cell_;
};

// A run's text: the bytes in front of a buffer that is used again.
struct RunText {
  TextBuffer buffer;
  std::size_t size = 0;
};

// Runs of rows between the threads that format them and the one that
// writes them in order, a few ahead at most; their buffers go round.
class RunQueue {
 public:
  // Formatting side: a buffer to fill.
  TextBuffer buffer() {
    std::lock_guard lock(mutex_);
    if (spare_.empty()) return {};
    TextBuffer buffer = std::move(spare_.back());
    spare_.pop_back();
    return buffer;
  }
  // False once the writer has given up.
  bool put(std::size_t run, RunText text) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return run < next_ + kAhead || stopped_; });
    if (stopped_) return false;
    ready_.emplace(run, std::move(text));
    changed_.notify_all();
    return true;
  }
  void fail(std::exception_ptr failure) {
    std::lock_guard lock(mutex_);
    if (!failure_) failure_ = failure;
    changed_.notify_all();
  }
  // Writing side: the text of `run`, once it is there.
  RunText take(std::size_t run) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return ready_.count(run) || failure_; });
    if (!ready_.count(run)) std::rethrow_exception(failure_);
    RunText text = std::move(ready_.at(run));
    ready_.erase(run);
    next_ = run + 1;
    changed_.notify_all();
    return text;
  }
  void giveBack(TextBuffer buffer) {
    std::lock_guard lock(mutex_);
    spare_.push_back(std::move(buffer));
  }
  void stop() {
    std::lock_guard lock(mutex_);
    stopped_ = true;
    changed_.notify_all();
  }

 private:
  static constexpr std::size_t kAhead = 4;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::map<std::size_t, RunText> ready_;
  std::vector<TextBuffer> spare_;
  std::size_t next_ = 0;
  bool stopped_ = false;
  std::exception_ptr failure_;
};

std::span<const std::uint8_t> Bytes(std::string_view text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

void WriteTable(const TableParts& parts, const ContentSink& put) {
  std::string header;
  for (int c = kRowNumberColumn; c < kColumnCount; ++c) {
    if (c > kRowNumberColumn) header += '\t';
    AppendCell(header, ColumnHeader(c));
  }
  header += kLineEnd;
  put(Bytes(header));

  // Runs of rows of about half a megabyte; a larger table has two threads
  // formatting them, taking turns, while this one writes.
  constexpr std::size_t kRunRows = 512;
  const std::size_t players = parts.doc.PlayerCount;
  const std::size_t runs = (players + kRunRows - 1) / kRunRows;
  if (runs <= 1) {
    TextBuffer text;
    const std::size_t size = RowFormatter(parts).rows(0, players, text);
    put(std::span(text.data(), size));
    return;
  }
  RunQueue queue;
  const auto format = [&](std::size_t first) {
    try {
      RowFormatter formatter(parts);
      for (std::size_t run = first; run < runs; run += 2) {
        RunText text{queue.buffer()};
        text.size =
            formatter.rows(run * kRunRows, std::min(players, (run + 1) * kRunRows), text.buffer);
        if (!queue.put(run, std::move(text))) return;
      }
    } catch (...) {
      queue.fail(std::current_exception());
    }
  };
  std::thread even(format, 0);
  std::thread odd(format, 1);
  try {
    for (std::size_t run = 0; run < runs; ++run) {
      RunText text = queue.take(run);
      put(std::span(text.buffer.data(), text.size));
      queue.giveBack(std::move(text.buffer));
    }
  } catch (...) {
    queue.stop();
    even.join();
    odd.join();
    throw;
  }
  even.join();
  odd.join();
}

}  // namespace

void CheckNamePointers(const RosterDocument& doc) {
  NameEntries(doc);
}

ContentWriter TableContent(const RosterDocument& doc) {
  auto parts = std::make_shared<const TableParts>(doc);
  return [parts](const ContentSink& put) { WriteTable(*parts, put); };
}

}  // namespace orrimax::cli
