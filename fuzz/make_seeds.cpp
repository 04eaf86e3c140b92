// Writes the fuzzers' seed corpora from the roster generator.
#include <zip.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <string>

#include "DB.h"
#include "FuzzRoster.h"
#include "RosterGen.h"
#include "TableText.h"
#include "Workbook.h"

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

// The workbook's parts that the reader reads, stored uncompressed, so that
// the fuzzer's changes reach the XML.
std::string StoredParts(const std::vector<std::uint8_t>& workbook, const fs::path& scratch) {
  zip_error_t error;
  zip_error_init(&error);
  zip_source_t* source = zip_source_buffer_create(workbook.data(), workbook.size(), 0, &error);
  zip_t* in = zip_open_from_source(source, ZIP_RDONLY, &error);
  zip_t* out = zip_open(scratch.c_str(), ZIP_CREATE | ZIP_TRUNCATE, nullptr);
  std::vector<std::string> texts(static_cast<std::size_t>(zip_get_num_entries(in, 0)));
  for (zip_int64_t i = 0; i < zip_get_num_entries(in, 0); ++i) {
    const std::string name = zip_get_name(in, i, 0);
    if (name.find("theme") != std::string::npos || name.starts_with("docProps")) continue;
    std::string& text = texts[static_cast<std::size_t>(i)];
    zip_file_t* file = zip_fopen_index(in, i, 0);
    char block[4096];
    for (zip_int64_t got; (got = zip_fread(file, block, sizeof block)) > 0;)
      text.append(block, got);
    zip_fclose(file);
    const zip_int64_t added =
        zip_file_add(out, name.c_str(), zip_source_buffer(out, text.data(), text.size(), 0), 0);
    zip_set_file_compression(out, added, ZIP_CM_STORE, 0);
  }
  zip_close(out);
  zip_close(in);
  zip_error_fini(&error);
  std::ifstream f(scratch, std::ios::binary);
  std::string bytes{std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
  fs::remove(scratch);
  return bytes;
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
  // A workbook of texts the reader escapes, whole and as its stored parts.
  const auto book = cli::NewWorkbookWriter("Names", 3);
  const std::vector<std::array<std::string_view, 3>> rows = {
      {"ID", "Data", "Length"}, {"0", "a\tb_x0041_\x01\r", "9"}, {"1", "", "0"}};
  for (const auto& row : rows) book->AddRow(row);
  const std::vector<std::uint8_t> workbook = book->Finish();
  Write(root / "workbook" / "whole", Bytes(workbook));
  fs::create_directories(root / "workbook");
  Write(root / "workbook" / "stored", StoredParts(workbook, root / "workbook" / "scratch.zip"));
  Write(root / "settings" / "odd", "; comment\n[Search]\nCol1 = -1\n\n[empty]\n=x\nkey\n");
  return 0;
}
