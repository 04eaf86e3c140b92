// Orrimax: start-up of the editor window.
#include <QApplication>
#include <QIcon>

#include "AppSetup.h"
#include "Unit1.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  orrimax::ui::SetUpApplication();
  app.setWindowIcon(QIcon(":/orrimax.png"));
  orrimax::ui::TForm1 form;
  form.show();
  return app.exec();
}
