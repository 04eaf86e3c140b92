// The player table's text written straight from the record bytes: each
// distinct value of a column is formatted once, and the text goes out in
// pieces of about a megabyte.
#include <algorithm>
#include <charconv>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <exception>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "DBFields.h"
#include "TableText.h"

namespace orrimax::cli {
namespace {

constexpr std::string_view kLineEnd = "\r\n";
constexpr std::size_t kPieceSize = 1 << 20;

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
  // The longest a cell may write.
  static constexpr std::size_t kMaxCell = 4 * 32 + 3;

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
  static constexpr int kHashedBits = 12;
  static constexpr std::size_t kHashedSlots = std::size_t{1} << kHashedBits;
  static constexpr std::size_t kTrial = 1024;

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
  for (std::size_t i = 0; i < doc.PlayerCount; ++i) {
    const NameOffsets offsets = DecodeNameOffsets(doc.Players, i);
    const auto last = FindNameEntry(doc.Bank, offsets.Last);
    const auto first = FindNameEntry(doc.Bank, offsets.First);
    if (!last || !first) {
      PlayerColumns table;
      DecodePlayers(doc, table);
      throw RosterError("Player record " + std::to_string(i) + " has a name pointer to no entry");
    }
    entries[i] = {*last, *first};
  }
  return entries;
}

void WriteTable(const RosterDocument& doc,
                const std::vector<std::pair<std::size_t, std::size_t>>& entries,
                const ContentSink& put) {
  std::vector<std::string> nameCells(doc.Bank.size());
  std::size_t longestName = 0;
  for (std::size_t k = 0; k < doc.Bank.size(); ++k) {
    nameCells[k].push_back('\t');
    AppendCell(nameCells[k], doc.Bank[k].Data);
    longestName = std::max(longestName, nameCells[k].size());
  }
  std::vector<ValueTexts> columns;
  columns.reserve(kColumnCount - kFirstFieldColumn);
  for (int c = kFirstFieldColumn; c < kColumnCount; ++c) columns.emplace_back(FieldOf(c));

  // A row is written straight into the buffer, which always has room for
  // the longest row there can be.
  const std::size_t longestRow = 2 * longestName + 3 * 24 + columns.size() * ValueTexts::kMaxCell +
                                 Cell::kInline + kLineEnd.size();
  std::vector<char> buffer(kPieceSize + longestRow);
  std::string header;
  for (int c = kRowNumberColumn; c < kColumnCount; ++c) {
    if (c > kRowNumberColumn) header += '\t';
    AppendCell(header, ColumnHeader(c));
  }
  header += kLineEnd;
  put(std::span(reinterpret_cast<const std::uint8_t*>(header.data()), header.size()));

  char* out = buffer.data();
  const auto flush = [&] {
    put(std::span(reinterpret_cast<const std::uint8_t*>(buffer.data()),
                  static_cast<std::size_t>(out - buffer.data())));
    out = buffer.data();
  };
  const auto number = [&out](std::size_t n) { out = std::to_chars(out, out + 24, n).ptr; };
  const auto text = [&out](const std::string& cell) {
    std::memcpy(out, cell.data(), cell.size());
    out += cell.size();
  };
  // Players go in blocks, and a block's cells are looked up column by
  // column, which keeps each column's texts in the cache, then written row
  // by row.
  constexpr std::size_t kBlock = 64;
  const std::size_t fields = columns.size();
  std::vector<Cell> block(kBlock * fields);
  for (std::size_t begin = 0; begin < doc.PlayerCount; begin += kBlock) {
    const std::size_t rows = std::min<std::size_t>(kBlock, doc.PlayerCount - begin);
    const std::uint8_t* records = doc.Players.data() + begin * kRecordSize;
    for (std::size_t f = 0; f < fields; ++f)
      for (std::size_t r = 0; r < rows; ++r)
        block[r * fields + f] = columns[f].of(records + r * kRecordSize);
    for (std::size_t r = 0; r < rows; ++r) {
      const std::size_t i = begin + r;
      const auto [last, first] = entries[i];
      number(i);
      text(nameCells[last]);
      text(nameCells[first]);
      *out++ = '\t';
      number(last);
      *out++ = '\t';
      number(first);
      for (const Cell* cell = &block[r * fields]; cell != &block[(r + 1) * fields]; ++cell)
        out = cell->write(out);
      *out++ = '\r';
      *out++ = '\n';
      if (static_cast<std::size_t>(out - buffer.data()) >= kPieceSize) flush();
    }
  }
  if (out != buffer.data()) flush();
}

}  // namespace

namespace {

// The pieces between the thread that formats them and the one that writes
// them, a few at a time, so that formatting and writing overlap.
class PieceQueue {
 public:
  // Formatting side: false once the writer has given up.
  bool push(std::span<const std::uint8_t> piece) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return pieces_.size() < kDepth || stopped_; });
    if (stopped_) return false;
    pieces_.emplace_back(piece.begin(), piece.end());
    changed_.notify_all();
    return true;
  }
  void finish(std::exception_ptr failure) {
    std::lock_guard lock(mutex_);
    finished_ = true;
    failure_ = failure;
    changed_.notify_all();
  }
  // Writing side: the next piece, or nothing at the end.
  std::optional<std::vector<std::uint8_t>> pop() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return !pieces_.empty() || finished_; });
    if (pieces_.empty()) {
      if (failure_) std::rethrow_exception(failure_);
      return std::nullopt;
    }
    std::vector<std::uint8_t> piece = std::move(pieces_.front());
    pieces_.pop_front();
    changed_.notify_all();
    return piece;
  }
  void stop() {
    std::lock_guard lock(mutex_);
    stopped_ = true;
    changed_.notify_all();
  }

 private:
  static constexpr std::size_t kDepth = 4;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::vector<std::uint8_t>> pieces_;
  bool finished_ = false;
  bool stopped_ = false;
  std::exception_ptr failure_;
};

struct Stopped {};

}  // namespace

ContentWriter TableContent(const RosterDocument& doc) {
  return [&doc, entries = NameEntries(doc)](const ContentSink& put) {
    PieceQueue queue;
    std::thread formatter([&] {
      try {
        WriteTable(doc, entries, [&](std::span<const std::uint8_t> piece) {
          if (!queue.push(piece)) throw Stopped{};
        });
        queue.finish(nullptr);
      } catch (const Stopped&) {
        queue.finish(nullptr);
      } catch (...) {
        queue.finish(std::current_exception());
      }
    });
    try {
      while (auto piece = queue.pop()) put(*piece);
    } catch (...) {
      queue.stop();
      formatter.join();
      throw;
    }
    formatter.join();
  };
}

}  // namespace orrimax::cli
