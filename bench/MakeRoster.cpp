// Writes a benchmark roster to a file: orrimax_make_roster PLAYERS FILE.
#include <cstdio>
#include <cstdlib>

#include "BenchRosters.h"
#include "RosterGen.h"

int main(int argc, char** argv) {
  const long players = argc == 3 ? std::strtol(argv[1], nullptr, 10) : 0;
  if (players < 1 || players > 65535) {
    std::fprintf(stderr, "Usage: orrimax_make_roster PLAYERS FILE (1 to 65535 players)\n");
    return 2;
  }
  orrimax::gen::WriteBytes(argv[2],
                           orrimax::bench::MakeRoster(static_cast<std::uint32_t>(players)));
  return 0;
}
