// Undo and redo. Every change a user makes is one step: what it changed in
// the cell stores (each cell's text before and after, rows inserted or
// removed), the balance before and after, and the cell it began at -- never
// a copy of the roster, so a step costs what it changed.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "CellStore.h"

namespace orrimax {

// What a cell store reports of each change made to it.
class CellObserver {
 public:
  virtual void cellChanged(CellStore& store, int col, int row, std::u16string_view before,
                           std::u16string_view after) = 0;
  virtual void rowInserted(CellStore& store, int row) = 0;
  // `texts`: the row's cells, column by column, as they were.
  virtual void rowDeleted(CellStore& store, int row, std::vector<std::u16string> texts) = 0;

 protected:
  ~CellObserver() = default;
};

// The cell a step began at, to be current again when it is undone or redone.
struct StepCell {
  CellStore* store = nullptr;
  int col = 0;
  int row = 0;
};

class EditHistory final : public CellObserver {
 public:
  struct Step {
    std::string name;  // "Typing", "Paste", ...
    StepCell where;
    std::int64_t balanceBefore = 0, balanceAfter = 0;
    bool rowsChanged = false;
    struct Change {
      enum class Kind { Cell, RowInserted, RowDeleted } kind;
      CellStore* store;
      int col, row;
      std::u16string before, after;
      std::vector<std::u16string> texts;  // a deleted row's cells
    };
    std::vector<Change> changes;
  };

  // Changes to this column of this store are not steps of their own making
  // (the current-row marker, entry numbers that follow from the rows).
  void Ignore(const CellStore& store, int col) { ignored_.push_back({&store, col}); }

  // Opens a step unless one is open; what the stores report until End
  // belongs to it.
  void Begin(std::string name, StepCell where, std::int64_t balance);
  // Closes the open step; one that changed nothing is dropped.
  void End(std::int64_t balance);
  bool StepOpen() const { return open_.has_value(); }
  // A roster was opened: no history, and what is shown is what is on disk.
  void Clear();

  bool CanUndo() const { return done_ > 0; }
  bool CanRedo() const { return done_ < steps_.size(); }
  const std::string& UndoName() const { return steps_[done_ - 1].name; }
  const std::string& RedoName() const { return steps_[done_].name; }
  // Put the stores back as they were before the last step, or replay the
  // next; the step is returned for what the stores do not hold.
  const Step& Undo();
  const Step& Redo();

  // What is shown is what was last opened or saved.
  void MarkSaved();
  bool Dirty() const {
    return saved_ != static_cast<std::ptrdiff_t>(done_) || (open_ && !open_->changes.empty());
  }
  // The name of what Undo would take back: the open step's, or the last one's.
  std::string NextUndoName() const;
  // Called whenever what Undo, Redo or Dirty say may have changed.
  std::function<void()> onChanged;
  // Bytes the history holds, roughly: what its steps changed.
  std::size_t MemoryBytes() const;

  void cellChanged(CellStore& store, int col, int row, std::u16string_view before,
                   std::u16string_view after) override;
  void rowInserted(CellStore& store, int row) override;
  void rowDeleted(CellStore& store, int row, std::vector<std::u16string> texts) override;

 private:
  bool ignored(const CellStore& store, int col) const;

  std::vector<Step> steps_;
  std::size_t done_ = 0;      // steps_[0 .. done_) are done, the rest undone
  std::ptrdiff_t saved_ = 0;  // done_ when last saved; -1: that state is gone
  std::optional<Step> open_;
  // Where each cell's change stands in the open step, while no row moved.
  std::map<std::tuple<const CellStore*, int, int>, std::size_t> openCells_;
  bool replaying_ = false;
  std::vector<std::pair<const CellStore*, int>> ignored_;
};

}  // namespace orrimax
