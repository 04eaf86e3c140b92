// The floor the tool's figures are measured against: a program that only
// reads the roster and writes as many bytes as the tool writes, the same
// way (crash-safe through the same saver, or to standard output in pieces
// of a megabyte).
//   orrimax_io_baseline export ROSTER BYTES [OUT]   like export [-o OUT]
//   orrimax_io_baseline import ROSTER TABLE         like import --table
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "Errors.h"
#include "FileIO.h"

namespace {

using orrimax::ContentSink;

void WritePieces(std::size_t total, const ContentSink& put) {
  const std::vector<std::uint8_t> piece(1 << 20, 'x');
  for (std::size_t done = 0; done < total; done += piece.size())
    put(std::span(piece).first(std::min(piece.size(), total - done)));
}

}  // namespace

int main(int argc, char** argv) {
  std::ios::sync_with_stdio(false);
  const std::string mode = argc > 1 ? argv[1] : "";
  try {
    if (mode == "export" && (argc == 4 || argc == 5)) {
      const auto roster = orrimax::ReadWholeFile(argv[2], orrimax::FileAccess::ReadWrite);
      const auto total = static_cast<std::size_t>(std::strtoull(argv[3], nullptr, 10));
      if (argc == 5) {
        orrimax::SaveFile(argv[4], [&](const ContentSink& put) { WritePieces(total, put); });
      } else {
        WritePieces(total, [](std::span<const std::uint8_t> piece) {
          std::cout.write(reinterpret_cast<const char*>(piece.data()),
                          static_cast<std::streamsize>(piece.size()));
        });
      }
      return roster.empty();
    }
    if (mode == "import" && argc == 4) {
      const auto roster = orrimax::ReadWholeFile(argv[2], orrimax::FileAccess::ReadWrite);
      const auto table = orrimax::ReadWholeFile(argv[3]);
      orrimax::SaveFile(argv[2], roster);
      return table.empty();
    }
  } catch (const orrimax::RosterError& e) {
    std::fprintf(stderr, "orrimax_io_baseline: %s\n", e.message().c_str());
    return 1;
  }
  std::fprintf(stderr,
               "Usage: orrimax_io_baseline export ROSTER BYTES [OUT]\n"
               "       orrimax_io_baseline import ROSTER TABLE\n");
  return 2;
}
