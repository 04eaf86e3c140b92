// The player table's text written straight from the record bytes: each
// distinct value of a column is formatted once (per formatting thread), and
// the text goes out in pieces of about half a megabyte.
#include <algorithm>
#include <charconv>
#include <condition_variable>
#include <cstring>
#include <deque>
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

// One cell as a row is put together: up to 15 bytes (its TAB first) held
// inline, or a longer text elsewhere.
struct Cell {
  static constexpr std::size_t kInline = 15;
  static constexpr std::uint8_t kLong = 0xFF;
  char text[kInline];
  std::uint8_t length = 0;  // 0: not yet known

  char* write(char* out) const {
    if (length != kLong) {
      std::memcpy(out, text, kInline);
      return out + length;
    }
    const std::string* cell = nullptr;
    std::memcpy(&cell, text, sizeof cell);
    std::memcpy(out, cell->data(), cell->size());
    return out + cell->size();
  }
};
static_assert(sizeof(Cell) == 16);

// The cells of one field column by value. A narrow field keeps a cell for
// every value; a wide one (money, codes, colours) one per hash, which a
// colliding value takes over, until it turns out that its values hardly
// repeat: then each is formatted as it comes, which is no more work.
class ValueTexts {
 public:
  // The longest a cell may write: its TAB, two quotes, and each of a cell
  // text's 32 code units at most six bytes (an escaped lone surrogate).
  static constexpr std::size_t kMaxCell = 6 * 32 + 3;

  explicit ValueTexts(const FieldColumn& field)
      : field_(field), oneByte_(InOneByte(field.place)), exact_(field.place.width <= kExactBits) {
    cells_.resize(exact_ ? std::size_t{1} << field.place.width : kHashedSlots);
    if (!exact_) values_.resize(kHashedSlots);
  }

  Cell of(const std::uint8_t* record) {
    const std::uint32_t value = oneByte_ ? (record[field_.place.offset] >> field_.place.shift) &
                                               ((1u << field_.place.width) - 1)
                                         : ReadWidePlace(field_.place, record);
    if (exact_) {
      Cell& cell = cells_[value];
      if (cell.length == 0) fill(cell, value);
      return cell;
    }
    if (cells_.empty()) {
      Cell cell;
      fill(cell, value);
      return cell;
    }
    const std::uint32_t slot = (value * 0x9E3779B1u) >> (32 - kHashedBits);
    Cell& cell = cells_[slot];
    if (cell.length != 0 && values_[slot] == value) {
      ++hits_;
      return cell;
    }
    values_[slot] = value;
    fill(cell, value);
    if (++misses_ == kTrial && hits_ < kTrial) {
      const Cell filled = cell;
      cells_ = {};
      values_ = {};
      return filled;
    }
    return cell;
  }

 private:
  static constexpr int kExactBits = 10;
  static constexpr int kHashedBits = 10;
  static constexpr std::size_t kHashedSlots = std::size_t{1} << kHashedBits;
  static constexpr std::size_t kTrial = 256;

  void fill(Cell& cell, std::uint32_t value) {
    text_.clear();
    field_.form->decode(field_, value, text_);
    const std::u16string_view view = text_.view();
    if (view.size() < Cell::kInline && IsPlainAscii(view)) {
      cell.text[0] = '\t';
      for (std::size_t k = 0; k < view.size(); ++k) cell.text[k + 1] = static_cast<char>(view[k]);
      cell.length = static_cast<std::uint8_t>(view.size() + 1);
      return;
    }
    std::string text(1, '\t');
    AppendCell(text, view);
    if (text.size() <= Cell::kInline) {
      std::memcpy(cell.text, text.data(), text.size());
      cell.length = static_cast<std::uint8_t>(text.size());
      return;
    }
    long_.push_back(std::move(text));
    const std::string* stored = &long_.back();
    std::memcpy(cell.text, &stored, sizeof stored);
    cell.length = Cell::kLong;
  }

  const FieldColumn& field_;
  bool oneByte_;
  bool exact_;
  std::vector<Cell> cells_;
  std::vector<std::uint32_t> values_;
  std::size_t hits_ = 0;
  std::size_t misses_ = 0;
  std::deque<std::string> long_;  // never moves what it holds
  orrimax::CellText text_;
};

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
// entries and each entry's name cell.
struct TableParts {
  const RosterDocument& doc;
  std::vector<std::pair<std::size_t, std::size_t>> entries;
  std::vector<std::string> nameCells;  // each with the TAB that leads it
  std::size_t longestName = 0;
};

// The text of a run of rows, with its own texts of values.
class RowFormatter {
 public:
  explicit RowFormatter(const TableParts& parts) : parts_(parts) {
    columns_.reserve(kColumnCount - kFirstFieldColumn);
    for (int c = kFirstFieldColumn; c < kColumnCount; ++c) columns_.emplace_back(FieldOf(c));
    block_.resize(kBlock * columns_.size());
  }

  // Rows `from` to `to` - 1, each line with its CR LF, into `text` (whose
  // room is kept from run to run); gives the bytes written.
  std::size_t rows(std::size_t from, std::size_t to, TextBuffer& text) {
    const std::size_t fields = columns_.size();
    // A row is written straight into the buffer, which always has room for
    // the longest row there can be.
    const std::size_t longestRow = 2 * parts_.longestName + 3 * 24 + fields * ValueTexts::kMaxCell +
                                   Cell::kInline + kLineEnd.size();
    text.grow((to - from) * 1024 + longestRow, 0);
    std::size_t used = 0;
    char* out = nullptr;
    const auto number = [&out](std::size_t n) { out = std::to_chars(out, out + 24, n).ptr; };
    const auto append = [&out](const std::string& cell) {
      std::memcpy(out, cell.data(), cell.size());
      out += cell.size();
    };
    // Players go in blocks, and a block's cells are looked up column by
    // column, which keeps each column's texts in the cache, then written
    // row by row.
    for (std::size_t begin = from; begin < to; begin += kBlock) {
      const std::size_t count = std::min(kBlock, to - begin);
      const std::uint8_t* records = parts_.doc.Players.data() + begin * kRecordSize;
      for (std::size_t f = 0; f < fields; ++f)
        for (std::size_t r = 0; r < count; ++r)
          block_[r * fields + f] = columns_[f].of(records + r * kRecordSize);
      for (std::size_t r = 0; r < count; ++r) {
        if (text.size() - used < longestRow) text.grow(2 * text.size() + longestRow, used);
        out = reinterpret_cast<char*>(text.data() + used);
        const std::size_t i = begin + r;
        const auto [last, first] = parts_.entries[i];
        number(i);
        append(parts_.nameCells[last]);
        append(parts_.nameCells[first]);
        *out++ = '\t';
        number(last);
        *out++ = '\t';
        number(first);
        for (const Cell* cell = &block_[r * fields]; cell != &block_[(r + 1) * fields]; ++cell)
          out = cell->write(out);
        *out++ = '\r';
        *out++ = '\n';
        used = static_cast<std::size_t>(reinterpret_cast<std::uint8_t*>(out) - text.data());
      }
    }
    return used;
  }

 private:
  static constexpr std::size_t kBlock = 64;
  const TableParts& parts_;
  std::vector<ValueTexts> columns_;
  std::vector<Cell> block_;
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
  auto parts = std::make_shared<TableParts>(TableParts{doc, NameEntries(doc), {}, 0});
  parts->nameCells.resize(doc.Bank.size());
  for (std::size_t k = 0; k < doc.Bank.size(); ++k) {
    parts->nameCells[k].push_back('\t');
    AppendCell(parts->nameCells[k], doc.Bank[k].Data);
    parts->longestName = std::max(parts->longestName, parts->nameCells[k].size());
  }
  return [parts](const ContentSink& put) { WriteTable(*parts, put); };
}

}  // namespace orrimax::cli
