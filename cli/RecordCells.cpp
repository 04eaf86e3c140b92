#include "RecordCells.h"

#include <algorithm>
#include <string>

#include "TableText.h"

namespace orrimax::cli {
namespace {

FormCells::List& Find(std::vector<FormCells::List>& lists, const FieldColumn& field) {
  for (FormCells::List& list : lists)
    if (list.form == field.form && list.bytes == field.place.bytes) return list;
  return lists.emplace_back(FormCells::List{field.form, field.place.bytes, 0, {}, false});
}

bool WholeHex(const Place& p) {
  return p.shift == 0 && p.width == 8 * p.bytes && p.bytes <= 4;
}

}  // namespace

FormCells::FormCells() {
  for (int c = kFirstFieldColumn; c < kColumnCount; ++c) {
    const FieldColumn& field = FieldOf(c);
    if (field.place.width > kMaxWidth) continue;
    List& list = Find(lists_, field);
    list.size = std::max(list.size, std::size_t{1} << field.place.width);
  }
  for (int c = kFirstFieldColumn; c < kColumnCount; ++c) {
    const FieldColumn& field = FieldOf(c);
    if (field.place.width > kMaxWidth) continue;
    // The form reads no more of the column than the byte count.
    List& list = Find(lists_, field);
    while (list.cells.size() < list.size && !list.tooLong) {
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
    if (lists_[k].form == field.form && lists_[k].bytes == field.place.bytes)
      return lists_[k].tooLong ? -1 : static_cast<int>(k);
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
