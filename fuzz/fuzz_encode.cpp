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
  LoadedRoster roster = Base();
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
    } else if (row >= 1) {
      // Column 0 stands for the names bank: text or Length of an entry.
      ColumnList& names = data[i - 1] % 2 ? roster.Names.Length : roster.Names.Data;
      names.set(1 + row % (names.size() - 1), text);
    }
  }
  std::vector<std::uint8_t> image;
  try {
    image = BuildRosterImage(roster.Document, roster.Table, roster.Names.Data, roster.Names.Length);
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
