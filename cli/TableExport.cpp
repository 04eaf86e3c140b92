// The player table's text written straight from the record bytes: the
// cells of narrow fields come from lists made once per text form, hex
// digits are written as the bytes are read, and the text goes out in
// pieces of about an eighth of a megabyte.
#include <algorithm>
#include <charconv>
#include <condition_variable>
#include <cstring>
#include <exception>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "RecordCells.h"
#include "TableText.h"

namespace orrimax::cli {
namespace {

constexpr std::string_view kLineEnd = "\r\n";

// Neighbouring columns written alike: a row goes through each run in a
// loop of its own, where one loop of many kinds would mispredict.
struct Group {
  FieldStep::Kind kind;
  std::size_t begin;
  std::size_t end;
};

// A field column as a row writes it.
struct Column {
  FieldStep step;
  const ShortCell* cells;  // its list, if it has one
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
// entries, their name cells and how each field column is written.
struct TableParts {
  explicit TableParts(const RosterDocument& document)
      : doc(document), entries(NameEntries(document)), nameCells(document.Bank.size()) {
    // Only the entries that players name: a pool holds thousands more.
    for (const auto& [last, first] : entries)
      for (const std::size_t k : {last, first}) {
        if (nameCells[k].second != 0) continue;
        const std::size_t start = nameText.size();
        nameText += '\t';
        AppendCell(nameText, doc.Bank[k].Data);
        nameCells[k] = {static_cast<std::uint32_t>(start),
                        static_cast<std::uint32_t>(nameText.size() - start)};
        longestName = std::max(longestName, nameText.size() - start);
      }
    for (FieldStep step : FieldSteps(lists)) {
      // A byte's bits are those of the little-endian word it begins, which
      // the record holds whole but at its very end: one kind for most.
      if (step.kind == FieldStep::Kind::Byte && step.offset + 1u < kRecordSize)
        step.kind = FieldStep::Kind::Word;
      columns.push_back({step, step.list < 0 ? nullptr : lists.list(step.list).cells.data()});
      if (groups.empty() || groups.back().kind != step.kind)
        groups.push_back({step.kind, columns.size() - 1, columns.size()});
      groups.back().end = columns.size();
    }
  }

  const RosterDocument& doc;
  std::vector<std::pair<std::size_t, std::size_t>> entries;
  std::string nameText;  // the name cells, each with the TAB that leads it
  std::vector<std::pair<std::uint32_t, std::uint32_t>> nameCells;  // by entry: start, size
  std::size_t longestName = 0;
  FormCells lists;
  std::vector<Column> columns;
  std::vector<Group> groups;  // runs of columns of one kind, in order
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
                                   parts_.columns.size() * kMaxCell + kOvershoot + kLineEnd.size();
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
    const auto append = [&out, this](std::pair<std::uint32_t, std::uint32_t> cell) {
      std::memcpy(out, parts_.nameText.data() + cell.first, cell.second);
      out += cell.second;
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
    for (const Group& group : parts_.groups) {
      const Column* column = parts_.columns.data() + group.begin;
      const Column* const end = parts_.columns.data() + group.end;
      switch (group.kind) {
        case FieldStep::Kind::Byte:
          for (; column != end; ++column) {
            const FieldStep& step = column->step;
            out = column->cells[(record[step.offset] >> step.shift) & step.mask].write(out);
          }
          break;
        case FieldStep::Kind::Word:
          for (; column != end; ++column) {
            const FieldStep& step = column->step;
            out = column->cells[(step.word(record) >> step.shift) & step.mask].write(out);
          }
          break;
        case FieldStep::Kind::Listed:
          for (; column != end; ++column)
            out = column->cells[ReadWidePlace(column->step.field->place, record)].write(out);
          break;
        case FieldStep::Kind::Hex:
          for (; column != end; ++column) {
            *out++ = '\t';
            for (int k = 0; k < column->step.bytes; ++k, out += 2)
              std::memcpy(out, kHexPairs[record[column->step.hexOffset(k)]].data(), 2);
          }
          break;
        case FieldStep::Kind::Other:
          for (; column != end; ++column) out = formatted(*column->step.field, record, out);
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

// Runs of rows between the two threads that format them, each taking the
// next run there is, and the one of them that also writes them in order
// (the other core formats while it writes). Their buffers go round.
class RunQueue {
 public:
  explicit RunQueue(std::size_t runs) : runs_(runs) {}

  // The next run to format with a buffer for it, while there is one and it
  // is not too far ahead of the writing; `wait` for the writing to come
  // closer, or give up at once.
  std::optional<std::pair<std::size_t, TextBuffer>> claim(bool wait) {
    std::unique_lock lock(mutex_);
    if (wait) changed_.wait(lock, [&] { return claimable() || done(); });
    if (!claimable()) return std::nullopt;
    TextBuffer buffer;
    if (!spare_.empty()) {
      buffer = std::move(spare_.back());
      spare_.pop_back();
    }
    return std::pair{claimed_++, std::move(buffer)};
  }
  void put(std::size_t run, RunText text) {
    std::lock_guard lock(mutex_);
    ready_.emplace(run, std::move(text));
    changed_.notify_all();
  }
  void fail(std::exception_ptr failure) {
    std::lock_guard lock(mutex_);
    if (!failure_) failure_ = failure;
    changed_.notify_all();
  }
  // The text of `run` if it is there, or once it is when `wait`.
  std::optional<RunText> take(std::size_t run, bool wait) {
    std::unique_lock lock(mutex_);
    if (wait) changed_.wait(lock, [&] { return ready_.count(run) || failure_; });
    if (!ready_.count(run)) {
      if (failure_) std::rethrow_exception(failure_);
      return std::nullopt;
    }
    RunText text = std::move(ready_.at(run));
    ready_.erase(run);
    return text;
  }
  void written(std::size_t run, TextBuffer buffer) {
    std::lock_guard lock(mutex_);
    spare_.push_back(std::move(buffer));
    written_ = run + 1;
    changed_.notify_all();
  }
  void stop() {
    std::lock_guard lock(mutex_);
    stopped_ = true;
    changed_.notify_all();
  }

 private:
  static constexpr std::size_t kAhead = 8;
  bool claimable() const { return !stopped_ && claimed_ < runs_ && claimed_ < written_ + kAhead; }
  bool done() const { return stopped_ || claimed_ == runs_; }

  const std::size_t runs_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::map<std::size_t, RunText> ready_;
  std::vector<TextBuffer> spare_;
  std::size_t claimed_ = 0;
  std::size_t written_ = 0;
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

  // Runs of rows of about an eighth of a megabyte, formatted by this thread
  // and one more.
  constexpr std::size_t kRunRows = 128;
  const std::size_t players = parts.doc.PlayerCount;
  const std::size_t runs = (players + kRunRows - 1) / kRunRows;
  RunQueue queue(runs);
  const auto format = [&](RowFormatter& formatter, std::pair<std::size_t, TextBuffer> claimed) {
    auto& [run, buffer] = claimed;
    RunText text{std::move(buffer)};
    text.size =
        formatter.rows(run * kRunRows, std::min(players, (run + 1) * kRunRows), text.buffer);
    queue.put(run, std::move(text));
  };
  std::thread helper;
  if (runs > 1)
    helper = std::thread([&] {
      try {
        RowFormatter formatter(parts);
        while (auto claimed = queue.claim(true)) format(formatter, std::move(*claimed));
      } catch (...) {
        queue.fail(std::current_exception());
      }
    });
  try {
    RowFormatter formatter(parts);
    for (std::size_t run = 0; run < runs; ++run) {
      // The next run to write, or else one to format, or else a wait.
      std::optional<RunText> text;
      while (!(text = queue.take(run, false))) {
        if (auto claimed = queue.claim(false)) {
          format(formatter, std::move(*claimed));
          continue;
        }
        text = queue.take(run, true);
        break;
      }
      put(std::span(text->buffer.data(), text->size));
      queue.written(run, std::move(text->buffer));
    }
  } catch (...) {
    queue.stop();
    if (helper.joinable()) helper.join();
    throw;
  }
  if (helper.joinable()) helper.join();
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
