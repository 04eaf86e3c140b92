// The roster's road under Google Benchmark: load and decode, encode and save,
// and the grid commands that walk every row (Find Next, a pasted block, a
// copied Select All), at a league's size and at the largest roster. The raw
// read and write of the same file run beside them, so that each figure can
// be read as a multiple of what the disk and a memory copy cost anyway.
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <unistd.h>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>
#include <cstdio>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "AppSetup.h"
#include "BenchRosters.h"
#include "DB.h"
#include "FileIO.h"
#include "FindCRC.h"
#include "GridClipboard.h"
#include "QuietQt.h"
#include "Unit1.h"

using namespace orrimax;
using namespace orrimax::bench;
using orrimax::ui::TForm1;

namespace {

const ScratchFolder* g_folder = nullptr;

std::filesystem::path Roster(std::uint32_t players) {
  return RosterFile(g_folder->path(), players);
}

std::filesystem::path Output(std::uint32_t players) {
  return g_folder->path() / ("Saved" + std::to_string(players) + ".ROS");
}

void CountBytes(benchmark::State& state, std::size_t bytes) {
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}

// ---- Baseline: the file's bytes in and out, nothing decoded ---------------------

void ReadFile(benchmark::State& state, std::uint32_t players) {
  const auto path = Roster(players);
  std::size_t size = 0;
  for (auto _ : state) {
    const std::vector<std::uint8_t> bytes = ReadWholeFile(path, FileAccess::ReadWrite);
    benchmark::DoNotOptimize(bytes.data());
    size = bytes.size();
  }
  CountBytes(state, size);
}

// A plain write of the bytes, as fast as the page cache takes them.
void WriteFile(benchmark::State& state, std::uint32_t players) {
  const std::vector<std::uint8_t> bytes = ReadWholeFile(Roster(players));
  const auto path = Output(players);
  for (auto _ : state) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) state.SkipWithError("write failed");
  }
  CountBytes(state, bytes.size());
}

// The crash-safe write a save goes through: temporary file, flush to disk, rename.
void WriteFileSafely(benchmark::State& state, std::uint32_t players) {
  const std::vector<std::uint8_t> bytes = ReadWholeFile(Roster(players));
  const auto path = Output(players);
  for (auto _ : state) SaveFile(path, bytes);
  CountBytes(state, bytes.size());
}

// The checksum alone, the project's and zlib's, over the whole roster.
void Checksum(benchmark::State& state, std::uint32_t players) {
  const std::vector<std::uint8_t> bytes = ReadWholeFile(Roster(players));
  for (auto _ : state) benchmark::DoNotOptimize(Crc32(bytes));
  CountBytes(state, bytes.size());
}

void ZlibChecksum(benchmark::State& state, std::uint32_t players) {
  const std::vector<std::uint8_t> bytes = ReadWholeFile(Roster(players));
  for (auto _ : state)
    benchmark::DoNotOptimize(
        crc32(crc32(0, nullptr, 0), bytes.data(), static_cast<uInt>(bytes.size())));
  CountBytes(state, bytes.size());
}

// ---- The codec ------------------------------------------------------------------

void LoadAndDecode(benchmark::State& state, std::uint32_t players) {
  const auto path = Roster(players);
  for (auto _ : state) {
    const LoadedRoster roster = LoadRoster(path);
    benchmark::DoNotOptimize(&roster);
  }
  CountBytes(state, std::filesystem::file_size(path));
}

// Encoding and the checksum, in memory only.
void EncodeImage(benchmark::State& state, std::uint32_t players) {
  const LoadedRoster roster = LoadRoster(Roster(players));
  std::size_t size = 0;
  for (auto _ : state) {
    const std::vector<std::uint8_t> image =
        BuildRosterImage(roster.Document, roster.Table, roster.Names.Data, roster.Names.Length);
    benchmark::DoNotOptimize(image.data());
    size = image.size();
  }
  CountBytes(state, size);
}

void EncodeAndSave(benchmark::State& state, std::uint32_t players) {
  LoadedRoster roster = LoadRoster(Roster(players));
  const auto path = Output(players);
  for (auto _ : state)
    SaveRoster(roster.Document, path, roster.Table, roster.Names.Data, roster.Names.Length);
  CountBytes(state, roster.Document.FileSize());
}

// ---- The window's commands --------------------------------------------------------

// One open window at a time: the largest roster's window holds some 170 MB.
std::unique_ptr<TForm1> g_form;
std::uint32_t g_formPlayers = 0;

TForm1& WindowWith(std::uint32_t players) {
  if (g_form && g_formPlayers == players) return *g_form;
  g_form.reset();
  g_form = std::make_unique<TForm1>(
      nullptr, QString::fromStdString((g_folder->path() / "Config.ini").string()));
  g_form->show();
  (void)QTest::qWaitForWindowExposed(g_form.get());
  g_form->OpenRoster(QString::fromStdString(Roster(players).string()));
  QApplication::processEvents();
  g_formPlayers = players;
  return *g_form;
}

// A last name no generated player has: every row is compared and none matches.
void FindNextThroughAllRows(benchmark::State& state, std::uint32_t players) {
  TForm1& form = WindowWith(players);
  form.ComboBox1->setCurrentIndex(2);  // Last Name
  form.LName->setText("Qqqqqq");
  form.ComboBox2->setCurrentIndex(0);
  form.FName->clear();
  form.RevSrch->setChecked(false);
  form.Players->setRow(1);
  for (auto _ : state) form.FindNextExecute();
  if (form.Players->row() != 1) state.SkipWithError("the search found a row");
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * players));
}

QString BlockText(ui::Grid& grid, int left, int top, int cols, int rows) {
  grid.setSelection(ui::MakeGridRect(left, left + cols - 1, top, top + rows - 1));
  return ui::SelectionText(grid);
}

// 1,000 rows of the 20 first skill ratings; two different blocks take turns,
// so every paste really rewrites its cells.
void PasteBlock(benchmark::State& state, std::uint32_t players) {
  TForm1& form = WindowWith(players);
  ui::Grid& grid = *form.Players;
  const QString blocks[] = {BlockText(grid, 22, 1, 20, 1000), BlockText(grid, 22, 101, 20, 1000)};
  grid.moveTo(22, static_cast<int>(players / 4));
  int turn = 0;
  for (auto _ : state) {
    const int lines = ui::PasteText(grid, blocks[turn]);
    turn ^= 1;
    if (lines != 1000) state.SkipWithError("the block was not pasted whole");
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * 20000));
}

void CopySelectAll(benchmark::State& state, std::uint32_t players) {
  TForm1& form = WindowWith(players);
  form.SelectAllExecute();
  qsizetype size = 0;
  for (auto _ : state) {
    const QString text = ui::SelectionText(*form.Players);
    benchmark::DoNotOptimize(text.data());
    size = text.size();
  }
  CountBytes(state, static_cast<std::size_t>(size) * sizeof(QChar));
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * players * 231));
}

using BenchFunction = void (*)(benchmark::State&, std::uint32_t);

// The console's report, and each benchmark's wall time (the median when
// repeated) kept for the summary.
class SummaryReporter : public benchmark::ConsoleReporter {
 public:
  // Colours only for a terminal, so that a saved report reads cleanly.
  SummaryReporter() : ConsoleReporter(isatty(STDOUT_FILENO) ? OO_ColorTabular : OO_Tabular) {}

  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.error_occurred) continue;
      const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
      if (run.run_type == Run::RT_Aggregate && !median) continue;
      Time& time = times_[run.run_name.function_name];
      if (time.fromMedian && !median) continue;
      time = {run.GetAdjustedRealTime(), median};
    }
  }

  // Milliseconds, or a negative number when the benchmark did not run.
  double milliseconds(const std::string& name) const {
    const auto it = times_.find(name);
    return it == times_.end() ? -1 : it->second.ms;
  }

 private:
  struct Time {
    double ms = -1;
    bool fromMedian = false;
  };
  std::map<std::string, Time> times_;
};

std::string NameAtSize(const char* benchmark, std::uint32_t players) {
  std::string name = benchmark;
  name += '/';
  name += std::to_string(players);
  return name;
}

std::string Figure(double ms) {
  if (ms < 0) return "-";
  char text[32];
  std::snprintf(text, sizeof text, ms < 1 ? "%.3f ms" : ms < 100 ? "%.1f ms" : "%.0f ms", ms);
  return text;
}

std::string Multiple(double ms, double baseline) {
  if (ms < 0 || baseline <= 0) return "";
  char text[32];
  std::snprintf(text, sizeof text, " (x%.1f)", ms / baseline);
  return text;
}

void PrintSummary(const SummaryReporter& r) {
  struct Line {
    const char* label;
    const char* benchmark;
    const char* baseline;  // what a multiple is of, or nullptr
  };
  const Line lines[] = {
      {"Raw read of the file (baseline)", "Baseline/ReadFile", nullptr},
      {"Raw write, plain (baseline)", "Baseline/WriteFile", nullptr},
      {"Raw write, crash-safe (baseline)", "Baseline/WriteFileSafely", nullptr},
      {"zlib's crc32 of the file (baseline)", "Baseline/zlib crc32", nullptr},
      {"Crc32 of the file", "Crc32", "Baseline/zlib crc32"},
      {"LoadRoster + DecodePlayers", "LoadRoster+DecodePlayers", "Baseline/ReadFile"},
      {"EncodePlayers + CRC, in memory", "EncodePlayers+CRC", nullptr},
      {"EncodePlayers + SaveRoster", "EncodePlayers+SaveRoster", "Baseline/WriteFileSafely"},
      {"Find Next through all rows", "FindNext/AllRows", nullptr},
      {"Paste of 1,000 x 20 cells", "Paste/1000x20", nullptr},
      {"Copy of a Select All", "Copy/SelectAll", nullptr},
  };
  std::printf(
      "\nSummary: wall time, the median when repeated; (xN) is N times the raw\n"
      "read (load), the crash-safe raw write (save) or zlib's crc32 of the same file.\n");
  std::printf("  %-36s %-22s %s\n", "", "1,500 players", "65,535 players");
  for (const Line& line : lines) {
    std::string cells[2];
    int k = 0;
    for (const std::uint32_t players : {kLeague, kLargest}) {
      const double ms = r.milliseconds(NameAtSize(line.benchmark, players));
      cells[k] = Figure(ms);
      if (line.baseline)
        cells[k] += Multiple(ms, r.milliseconds(NameAtSize(line.baseline, players)));
      ++k;
    }
    std::printf("  %-36s %-22s %s\n", line.label, cells[0].c_str(), cells[1].c_str());
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  bench::QuietOffscreenNotes();
  QApplication app(argc, argv);
  ui::SetUpApplication();
  const ScratchFolder folder;
  g_folder = &folder;

  const std::pair<const char*, BenchFunction> benchmarks[] = {
      {"Baseline/ReadFile", ReadFile},
      {"Baseline/WriteFile", WriteFile},
      {"Baseline/WriteFileSafely", WriteFileSafely},
      {"Crc32", Checksum},
      {"Baseline/zlib crc32", ZlibChecksum},
      {"LoadRoster+DecodePlayers", LoadAndDecode},
      {"EncodePlayers+CRC", EncodeImage},
      {"EncodePlayers+SaveRoster", EncodeAndSave},
      {"FindNext/AllRows", FindNextThroughAllRows},
      {"Paste/1000x20", PasteBlock},
      {"Copy/SelectAll", CopySelectAll},
  };
  // Size by size, so that only one roster's window is open at a time.
  for (const std::uint32_t players : {kLeague, kLargest}) {
    Roster(players);
    for (const auto& [name, function] : benchmarks) {
      benchmark::RegisterBenchmark(
          NameAtSize(name, players).c_str(),
          [function = function, players](benchmark::State& state) { function(state, players); })
          ->Unit(benchmark::kMillisecond)
          ->UseRealTime();
    }
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  SummaryReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  g_form.reset();
  PrintSummary(reporter);
  benchmark::Shutdown();
  return 0;
}
