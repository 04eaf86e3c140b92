// Writes the fuzzers' seed corpora from the roster generator.
#include <filesystem>
#include <fstream>
#include <string>

#include "DB.h"
#include "FuzzRoster.h"
#include "RosterGen.h"
#include "TableText.h"

using namespace orrimax;
namespace fs = std::filesystem;

namespace {

void Write(const fs::path& path, const std::string& bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

std::string Bytes(const std::vector<std::uint8_t>& v) {
  return {v.begin(), v.end()};
}

}  // namespace

int main(int argc, char** argv) {
  const fs::path root = argc > 1 ? argv[1] : "corpus";
  for (std::uint32_t seed = 1; seed <= 3; ++seed) {
    gen::RosterShape shape;
    shape.players = seed * 2;
    shape.seed = seed;
    shape.middleSize = 10 * seed;
    shape.tailSize = seed;
    shape.values = seed == 2 ? gen::FieldValues::Random : gen::FieldValues::Realistic;
    const gen::GeneratedRoster roster = gen::GenerateRoster(shape);
    // Whole files over a small pool keep each execution fast.
    const auto pool = fuzz::SmallPool({u"Ab", u"", u"Cd\u011F", u"Zz"});
    const std::vector<std::uint8_t> record(roster.file.begin() + kFirstRecordOffset,
                                           roster.file.begin() + kFirstRecordOffset + kRecordSize);
    Write(root / "load" / ("whole-" + std::to_string(seed)),
          std::string(1, '\0') + Bytes(fuzz::MakeRoster(seed, pool, fuzz::EntryOffsets(pool, 4),
                                                        record.data(), record.size())));
    // The described form: odd first byte, count, pool base, record bytes.
    std::string described = "\x01";
    described += static_cast<char>(seed);
    described += static_cast<char>(8 * seed);
    described += Bytes({0x45, 0x23, 0x01, 0x00, 0x00});
    described +=
        Bytes(std::vector<std::uint8_t>(roster.file.begin() + kFirstRecordOffset,
                                        roster.file.begin() + kFirstRecordOffset + kRecordSize));
    Write(root / "load" / ("described-" + std::to_string(seed)), described);

    const LoadedRoster loaded = LoadRosterFromBytes(roster.file);
    const std::string table = cli::FormatTable(loaded.Table);
    Write(root / "import" / ("table-" + std::to_string(seed)), table.substr(0, 20000));
    Write(root / "import" / ("names-" + std::to_string(seed)),
          cli::FormatNames(loaded.Names).substr(0, 4000));
  }
  // Edits: a rating, a salary, a name ID, a Length, hex pairs.
  const auto edit = [](int column, int row, std::u16string_view text) {
    std::string e;
    e += static_cast<char>(column & 0xFF);
    e += static_cast<char>(column >> 8);
    e += static_cast<char>(row);
    e += static_cast<char>(text.size());
    for (char16_t c : text) {
      e += static_cast<char>(c & 0xFF);
      e += static_cast<char>(c >> 8);
    }
    return e;
  };
  Write(root / "encode" / "rating", edit(30, 1, u"98.6") + edit(31, 2, u"1e3"));
  Write(root / "encode" / "salary", edit(183, 3, u"1 234 567") + edit(184, 1, u"2147483648"));
  Write(root / "encode" / "names", edit(4, 2, u"2") + edit(5, 3, u"3") + edit(0, 1, u"Smithers"));
  Write(root / "encode" / "hex",
        edit(150, 1, u"0a0b0c0d") + edit(210, 2, u"aabbcc") + edit(215, 3, u"1946"));
  Write(root / "settings" / "full",
        "[GroupFilter]\r\n0=1\r\n4=0\r\n[Search]\r\nField1=smith\r\nField2=\r\nCol1=2\r\nCol2=0\r\n"
        "[Dialogs]\r\nOpen=C:\\Users\\me\\Saves\r\n");
  Write(root / "settings" / "odd", "; comment\n[Search]\nCol1 = -1\n\n[empty]\n=x\nkey\n");
  return 0;
}
