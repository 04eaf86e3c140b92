// Orrimax: start-up of the editor window, with the roster to open, if any.
#include <QApplication>
#include <QCommandLineParser>
#include <QIcon>
#include <QTimer>
#include <cstring>

#include "AppSetup.h"
#include "Unit1.h"
#include "Version.h"

namespace {

void Describe(QCommandLineParser& parser) {
  parser.setApplicationDescription("Orrimax, a roster editor for NBA 2K10.");
  parser.addHelpOption();
  parser.addVersionOption();
  parser.addPositionalArgument("roster", "The roster file (.ROS) to open.", "[ROSTER]");
}

// --help and --version answer on the terminal, with or without a display.
bool AsksTheTerminal(int argc, char** argv) {
  for (int i = 1; i < argc; ++i)
    for (const char* option : {"-h", "--help", "--help-all", "-v", "--version", "-?"})
      if (std::strcmp(argv[i], option) == 0) return true;
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  if (AsksTheTerminal(argc, argv)) {
    QCoreApplication core(argc, argv);
    QCoreApplication::setApplicationName("orrimax");
    QCoreApplication::setApplicationVersion(QString::fromLatin1(orrimax::kVersion));
    QCommandLineParser parser;
    Describe(parser);
    parser.process(core);  // prints and exits
    return 0;
  }
  QApplication app(argc, argv);
  orrimax::ui::SetUpApplication();
  QApplication::setApplicationVersion(QString::fromLatin1(orrimax::kVersion));
  QCommandLineParser parser;
  Describe(parser);
  parser.process(app);

  app.setWindowIcon(QIcon(":/orrimax.png"));
  orrimax::ui::TForm1 form;
  form.show();
  // Opened as File > Open would, once the window is up: an error shows in
  // the error box and the window stays.
  if (const QStringList rosters = parser.positionalArguments(); !rosters.isEmpty())
    QTimer::singleShot(0, &form, [&form, path = rosters.first()] { form.OpenFile(path); });
  return app.exec();
}
