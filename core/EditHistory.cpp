#include "EditHistory.h"

#include <algorithm>

namespace orrimax {

bool EditHistory::ignored(const CellStore& store, int col) const {
  return std::find(ignored_.begin(), ignored_.end(), std::pair{&store, col}) != ignored_.end();
}

namespace {

void Notify(const std::function<void()>& f) {
  if (f) f();
}

}  // namespace

void EditHistory::Begin(std::string name, StepCell where, std::int64_t balance) {
  if (open_) return;
  open_ = Step{std::move(name), where, balance, balance, false, {}};
  openCells_.clear();
  Notify(onChanged);
}

void EditHistory::MarkSaved() {
  saved_ = static_cast<std::ptrdiff_t>(done_);
  Notify(onChanged);
}

std::string EditHistory::NextUndoName() const {
  if (open_ && !open_->changes.empty()) return open_->name;
  return CanUndo() ? UndoName() : std::string();
}

void EditHistory::End(std::int64_t balance) {
  if (!open_) return;
  Step step = std::move(*open_);
  open_.reset();
  openCells_.clear();
  step.balanceAfter = balance;
  // Typing that ends where it began (an Escape) is no step.
  std::erase_if(step.changes, [](const Step::Change& c) {
    return c.kind == Step::Change::Kind::Cell && c.before == c.after;
  });
  if (step.changes.empty() && step.balanceBefore == step.balanceAfter) {
    Notify(onChanged);
    return;
  }
  // A new step forgets what was undone; a save among it is gone too.
  steps_.resize(done_);
  if (saved_ > static_cast<std::ptrdiff_t>(done_)) saved_ = -1;
  steps_.push_back(std::move(step));
  ++done_;
  Notify(onChanged);
}

void EditHistory::Clear() {
  steps_.clear();
  done_ = 0;
  saved_ = 0;
  open_.reset();
  openCells_.clear();
  Notify(onChanged);
}

void EditHistory::cellChanged(CellStore& store, int col, int row, std::u16string_view before,
                              std::u16string_view after) {
  if (replaying_ || !open_ || ignored(store, col)) return;
  Step& step = *open_;
  if (!step.rowsChanged) {
    // The same cell again (each keystroke): its first text before, its last after.
    const auto key = std::tuple{static_cast<const CellStore*>(&store), col, row};
    if (const auto it = openCells_.find(key); it != openCells_.end()) {
      step.changes[it->second].after = after;
      return;
    }
    openCells_[key] = step.changes.size();
  }
  step.changes.push_back({Step::Change::Kind::Cell,
                          &store,
                          col,
                          row,
                          std::u16string(before),
                          std::u16string(after),
                          {}});
  if (step.changes.size() == 1) Notify(onChanged);  // the step now has something to undo
}

void EditHistory::rowInserted(CellStore& store, int row) {
  if (replaying_ || !open_) return;
  open_->rowsChanged = true;
  openCells_.clear();
  open_->changes.push_back({Step::Change::Kind::RowInserted, &store, 0, row, {}, {}, {}});
}

void EditHistory::rowDeleted(CellStore& store, int row, std::vector<std::u16string> texts) {
  if (replaying_ || !open_) return;
  open_->rowsChanged = true;
  openCells_.clear();
  open_->changes.push_back(
      {Step::Change::Kind::RowDeleted, &store, 0, row, {}, {}, std::move(texts)});
}

const EditHistory::Step& EditHistory::Undo() {
  const Step& step = steps_[--done_];
  replaying_ = true;
  for (auto it = step.changes.rbegin(); it != step.changes.rend(); ++it) {
    switch (it->kind) {
      case Step::Change::Kind::Cell:
        it->store->setCell(it->col, it->row, it->before);
        break;
      case Step::Change::Kind::RowInserted:
        it->store->deleteRow(it->row);
        break;
      case Step::Change::Kind::RowDeleted:
        it->store->insertRow(it->row);
        for (std::size_t c = 0; c < it->texts.size(); ++c)
          it->store->setCell(static_cast<int>(c), it->row, it->texts[c]);
        break;
    }
  }
  replaying_ = false;
  Notify(onChanged);
  return step;
}

const EditHistory::Step& EditHistory::Redo() {
  const Step& step = steps_[done_++];
  replaying_ = true;
  for (const Step::Change& change : step.changes) {
    switch (change.kind) {
      case Step::Change::Kind::Cell:
        change.store->setCell(change.col, change.row, change.after);
        break;
      case Step::Change::Kind::RowInserted:
        change.store->insertRow(change.row);
        break;
      case Step::Change::Kind::RowDeleted:
        change.store->deleteRow(change.row);
        break;
    }
  }
  replaying_ = false;
  Notify(onChanged);
  return step;
}

std::size_t EditHistory::MemoryBytes() const {
  std::size_t bytes = steps_.capacity() * sizeof(Step);
  for (const Step& step : steps_) {
    bytes += step.changes.capacity() * sizeof(Step::Change);
    for (const Step::Change& c : step.changes) {
      bytes += (c.before.capacity() + c.after.capacity()) * sizeof(char16_t);
      for (const auto& text : c.texts) bytes += sizeof text + text.capacity() * sizeof(char16_t);
    }
  }
  return bytes;
}

}  // namespace orrimax
