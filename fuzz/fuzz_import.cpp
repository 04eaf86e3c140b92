// The text readers of `orrimax-cli import`: any bytes as a table or a names
// file are either read or refused with a RosterError.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "DB.h"
#include "TableText.h"

using namespace orrimax;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  static const PlayerColumns empty = [] {
    PlayerColumns table;
    for (int c = 0; c < kColumnCount; ++c) {
      table[c].resize(4);
      table[c].set(0, ColumnHeader(c));
    }
    return table;
  }();
  try {
    PlayerColumns table = empty;
    cli::ParseTable(text, table, 3);
  } catch (const RosterError&) {
  }
  try {
    const NamesBankColumns names = cli::ParseNames(text);
    if (names.Data.size() != names.Length.size()) __builtin_trap();
  } catch (const RosterError&) {
  }
  return 0;
}
