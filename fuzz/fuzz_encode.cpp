// Any cell texts typed or pasted into a valid roster, then saved: every
// failure must be a RosterError with a message, and a save that succeeds
// must load again with every player's name IDs intact.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "DB.h"
#include "FuzzRoster.h"

using namespace orrimax;

namespace {

const LoadedRoster& Base() {
  static const LoadedRoster roster = [] {
    const std::uint8_t fill[] = {0x5A, 0x00, 0xFF, 0x13, 0x80, 0x7F, 0x01};
    const auto pool = fuzz::SmallPool({u"Smith", u"", u"Jones", u"Ko\u010D"});
    return LoadRosterFromBytes(
        fuzz::MakeRoster(4, pool, fuzz::EntryOffsets(pool, 4), fill, sizeof fill));
  }();
  return roster;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // One working copy, whose edited columns are put back from the base
  // before each execution: copying the whole roster every time would cost
  // more than the save. Columns past the table stand for the names bank.
  static LoadedRoster roster = Base();
  static std::vector<int> edited;
  for (const int c : edited) {
    if (c < kColumnCount)
      roster.Table[c] = Base().Table[c];
    else if (c == kColumnCount)
      roster.Names.Data = Base().Names.Data;
    else
      roster.Names.Length = Base().Names.Length;
  }
  edited.clear();
  // Edits: column (2 bytes), row, length, then that many UTF-16 code units.
  std::size_t i = 0;
  while (i + 4 <= size) {
    const int column = (data[i] | (data[i + 1] << 8)) % kColumnCount;
    const int row = data[i + 2] % 5;
    const std::size_t length = data[i + 3];
    i += 4;
    std::u16string text;
    for (std::size_t k = 0; k < length && i + 1 < size; ++k, i += 2)
      text += static_cast<char16_t>(data[i] | (data[i + 1] << 8));
    if (column >= 1 && row >= 1) {
      roster.Table[column].set(row, text);
      edited.push_back(column);
    } else if (row >= 1) {
      // Column 0 stands for the names bank: text or Length of an entry.
      const bool length = data[i - 1] % 2;
      ColumnList& names = length ? roster.Names.Length : roster.Names.Data;
      names.set(1 + row % (names.size() - 1), text);
      edited.push_back(kColumnCount + (length ? 1 : 0));
    }
  }
  // Kept from one execution to the next, as a roster is larger than the
  // sanitizer allocator keeps at hand.
  static std::vector<std::uint8_t> image;
  try {
    BuildRosterImage(roster.Document, roster.Table, roster.Names.Data, roster.Names.Length, image);
  } catch (const RosterError& e) {
    if (*e.what() == '\0') std::abort();
    return 0;
  }
  const LoadedRoster again = LoadRosterFromBytes(image);
  for (std::size_t r = 1; r <= roster.Document.PlayerCount; ++r)
    for (int c : {4, 5})
      if (ParseInteger(roster.Table[c][r]) != ParseInteger(again.Table[c][r])) std::abort();
  return 0;
}
