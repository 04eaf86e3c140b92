#include "RecordCells.h"

#include <algorithm>
#include <string>

#include "TableText.h"

namespace orrimax::cli {
namespace {

bool Holds(const FormCells::List& list, const FieldColumn& field) {
  return list.form == field.form && list.bytes == field.place.bytes;
}

bool WholeHex(const Place& p) {
  return p.shift == 0 && p.width == 8 * p.bytes && p.bytes <= 4;
}

}  // namespace

std::size_t FormCells::index(const FieldColumn& field) {
  for (std::size_t k = 0; k < lists_.size(); ++k)
    if (Holds(lists_[k], field)) return k;
  lists_.push_back({field.form, field.place.bytes, {}, false});
  return lists_.size() - 1;
}

FormCells::FormCells() {
  std::vector<std::size_t> sizes;  // 2 to the widest of each list's columns' widths
  for (int c = kFirstFieldColumn; c < kColumnCount; ++c) {
    const FieldColumn& field = FieldOf(c);
    if (field.place.width > kMaxWidth) continue;
    const std::size_t k = index(field);
    sizes.resize(lists_.size());
    sizes[k] = std::max(sizes[k], std::size_t{1} << field.place.width);
  }
  for (int c = kFirstFieldColumn; c < kColumnCount; ++c) {
    const FieldColumn& field = FieldOf(c);
    if (field.place.width > kMaxWidth) continue;
    // The form reads no more of the column than the byte count.
    const std::size_t k = index(field);
    List& list = lists_[k];
    while (list.cells.size() < sizes[k] && !list.tooLong) {
      orrimax::CellText text;
      field.form->decode(field, static_cast<std::uint32_t>(list.cells.size()), text);
      std::string cell(1, '\t');
      AppendCell(cell, text.view());
      if (cell.size() > ShortCell::kBytes) {
        list.tooLong = true;
        list.cells.clear();
        break;
      }
      ShortCell& added = list.cells.emplace_back();
      std::memcpy(added.text, cell.data(), cell.size());
      added.length = static_cast<std::uint8_t>(cell.size());
    }
  }
}

int FormCells::of(const FieldColumn& field) const {
  if (field.place.width > kMaxWidth) return -1;
  for (std::size_t k = 0; k < lists_.size(); ++k)
    if (Holds(lists_[k], field)) return lists_[k].tooLong ? -1 : static_cast<int>(k);
  return -1;
}

std::vector<FieldStep> FieldSteps(const FormCells& lists) {
  std::vector<FieldStep> steps;
  for (int c = kFirstFieldColumn; c < kColumnCount; ++c) {
    const FieldColumn& field = FieldOf(c);
    const Place& p = field.place;
    FieldStep& step = steps.emplace_back();
    step.field = &field;
    step.offset = static_cast<std::uint16_t>(p.offset);
    step.shift = static_cast<std::uint8_t>(p.shift);
    step.bytes = static_cast<std::uint8_t>(p.bytes);
    step.run = p.run;
    if (field.form == &kHexForm && WholeHex(p)) {
      step.kind = FieldStep::Kind::Hex;
      continue;
    }
    step.list = lists.of(field);
    if (step.list < 0) continue;
    step.mask = (1u << p.width) - 1;
    step.kind = InOneByte(p)             ? FieldStep::Kind::Byte
                : p.bytes == 2 && !p.run ? FieldStep::Kind::Word
                                         : FieldStep::Kind::Listed;
  }
  return steps;
}

}  // namespace orrimax::cli
