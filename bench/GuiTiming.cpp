// What the user waits for in the real window: from the Open command
// receiving a path to the first paint of the player grid, and the paint of
// one screen while scrolling. With --memory the process only opens the
// roster, paints and scrolls it, so that its peak resident memory is the
// window's own.
#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QEvent>
#include <QTest>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "AppSetup.h"
#include "BenchRosters.h"
#include "QuietQt.h"
#include "Unit1.h"

using namespace orrimax;
using orrimax::ui::TForm1;

namespace {

// Counts the paints of the player grid's viewport.
class PaintProbe : public QObject {
 public:
  int paints = 0;

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) ++paints;
    return false;
  }
};

struct Options {
  QString roster;
  int opens = 3;
  int screens = 200;
  int width = 0;  // 0: the window's own size
  int height = 0;
  bool memory = false;
};

void Usage() {
  std::fprintf(stderr,
               "Usage: orrimax_gui_timing [--opens K] [--screens S] [--window WxH] ROSTER\n"
               "       orrimax_gui_timing --memory ROSTER\n");
}

bool ParseOptions(int argc, char** argv, Options& o) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--opens" && hasValue) {
      o.opens = std::max(1, std::atoi(argv[++i]));
    } else if (arg == "--screens" && hasValue) {
      o.screens = std::max(1, std::atoi(argv[++i]));
    } else if (arg == "--window" && hasValue) {
      if (std::sscanf(argv[++i], "%dx%d", &o.width, &o.height) != 2) return false;
    } else if (arg == "--memory") {
      o.memory = true;
    } else if (!arg.empty() && arg[0] != '-' && o.roster.isEmpty()) {
      o.roster = QString::fromLocal8Bit(argv[i]);
    } else {
      return false;
    }
  }
  return !o.roster.isEmpty();
}

double Milliseconds(const QElapsedTimer& timer) {
  return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

double Percentile(std::vector<double> values, double p) {
  std::sort(values.begin(), values.end());
  const auto k = static_cast<std::size_t>(p * static_cast<double>(values.size() - 1) + 0.5);
  return values[k];
}

double Megabytes(std::uint64_t bytes) {
  return static_cast<double>(bytes) / (1024.0 * 1024.0);
}

// Open's steps after the dialog, until the player grid has painted once.
double OpenToFirstPaint(TForm1& form, PaintProbe& probe, const QString& path) {
  QApplication::processEvents();
  probe.paints = 0;
  QElapsedTimer timer;
  timer.start();
  form.OpenRoster(path);
  while (probe.paints == 0) {
    QApplication::processEvents();
    if (timer.elapsed() > 60000) {
      std::fprintf(stderr, "orrimax_gui_timing: the player grid never painted\n");
      std::exit(1);
    }
  }
  return Milliseconds(timer);
}

// One screen down (back to the top at the end), painted at once.
std::vector<double> ScrollScreens(ui::Grid& grid, int screens) {
  std::vector<double> times;
  const int screen = grid.visibleRowCount();
  for (int s = 0; s < screens; ++s) {
    const int next = grid.topRow() + screen >= grid.rowCount() ? 1 : grid.topRow() + screen;
    QElapsedTimer timer;
    timer.start();
    grid.setTopRow(next);
    grid.viewport()->repaint();
    times.push_back(Milliseconds(timer));
  }
  return times;
}

int VisibleColumns(const ui::Grid& grid) {
  int shown = 0;
  for (int c = 0; c < grid.colCount(); ++c)
    if (!grid.cellRect(c, 0).isEmpty()) ++shown;
  return shown;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  bench::QuietOffscreenNotes();
  QApplication app(argc, argv);
  Options options;
  if (!ParseOptions(argc, argv, options)) {
    Usage();
    return 2;
  }
  ui::SetUpApplication();
  const bench::ScratchFolder folder;
  const QString settings = QString::fromStdString((folder.path() / "Config.ini").string());

  TForm1 form(nullptr, settings);
  if (options.width > 0) form.resize(options.width, options.height);
  form.show();
  if (!QTest::qWaitForWindowExposed(&form)) {
    std::fprintf(stderr, "orrimax_gui_timing: the window was never shown\n");
    return 1;
  }
  PaintProbe probe;
  form.Players->viewport()->installEventFilter(&probe);
  const bench::Memory empty = bench::ProcessMemory();

  if (options.memory) {
    OpenToFirstPaint(form, probe, options.roster);
    ScrollScreens(*form.Players, 50);
    const bench::Memory opened = bench::ProcessMemory();
    OpenToFirstPaint(form, probe, options.roster);
    ScrollScreens(*form.Players, 50);
    const bench::Memory reopened = bench::ProcessMemory();
    std::printf("Players: %d\n", form.Players->rowCount() - 1);
    std::printf("Resident before opening: %.1f MB\n", Megabytes(empty.current));
    std::printf("Peak resident, opened and painted: %.1f MB (%.1f MB resident after)\n",
                Megabytes(opened.peak), Megabytes(opened.current));
    std::printf("Peak resident, opened a second time: %.1f MB (%.1f MB resident after)\n",
                Megabytes(reopened.peak), Megabytes(reopened.current));
    // The undo history of a large paste costs what it changed.
    QString block;
    for (int r = 0; r < 1000; ++r) {
      for (int c = 0; c < 20; ++c) block += QString::number((r * 20 + c) % 100) + '\t';
      block += "\r\n";
    }
    QGuiApplication::clipboard()->setText(block);
    form.Players->moveTo(60, 100);
    form.PasteFromClipboard->trigger();
    form.Undo1->trigger();
    form.Redo1->trigger();
    std::printf("Undo history of a paste of 1,000 x 20 cells, undone and redone: %.2f MB\n",
                Megabytes(form.history().MemoryBytes()));
    return 0;
  }

  std::vector<double> opens;
  for (int k = 0; k < options.opens; ++k)
    opens.push_back(OpenToFirstPaint(form, probe, options.roster));
  const ui::Grid& grid = *form.Players;
  const std::vector<double> screens = ScrollScreens(*form.Players, options.screens);
  std::printf("Players: %d; grid viewport %dx%d, %d rows x %d columns per screen\n",
              grid.rowCount() - 1, grid.viewport()->width(), grid.viewport()->height(),
              grid.visibleRowCount(), VisibleColumns(grid));
  std::printf("Open to first paint: %.1f ms (median of %d; min %.1f, max %.1f)\n",
              Percentile(opens, 0.5), options.opens, Percentile(opens, 0), Percentile(opens, 1));
  std::printf(
      "One scrolled screen painted: %.2f ms (median of %d; 95th percentile %.2f, max %.2f)\n",
      Percentile(screens, 0.5), options.screens, Percentile(screens, 0.95), Percentile(screens, 1));
  return 0;
}
