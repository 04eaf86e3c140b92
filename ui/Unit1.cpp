// The main window's construction: pages, bars, grids, menus and actions.
#include "Unit1.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMenuBar>
#include <QMessageBox>
#include <QProxyStyle>
#include <QScreen>
#include <QStandardPaths>
#include <QTimer>
#include <QVBoxLayout>

#include <QDir>
#include <utility>

#include "AboutBx.h"
#include "AppSetup.h"
#include "Version.h"

namespace orrimax::ui {
namespace {

const QColor kCream(255, 251, 240);

QFrame* CreamPanel(QWidget* parent, const char* name, int height) {
  auto* panel = new QFrame(parent);
  panel->setObjectName(name);
  panel->setFixedHeight(height);
  panel->setAutoFillBackground(true);
  QPalette p = panel->palette();
  p.setColor(QPalette::Window, kCream);
  panel->setPalette(p);
  return panel;
}

template <typename W>
W* Named(W* widget, const char* name) {
  widget->setObjectName(name);
  return widget;
}

QFont PixelFont(const QFont& base, int pixels, bool bold = false) {
  QFont f = base;
  f.setPixelSize(pixels);
  f.setBold(bold);
  return f;
}

QFont PointFont(const QFont& base, int points, bool bold) {
  QFont f = base;
  f.setPointSize(points);
  f.setBold(bold);
  return f;
}

// Styles that drop a combo box's list as a menu over it ignore how many items
// it may show; a plain list below the box shows as many as it is told.
class ListPopupStyle : public QProxyStyle {
 public:
  int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                QStyleHintReturn* returnData) const override {
    if (hint == QStyle::SH_ComboBox_Popup) return 0;
    return QProxyStyle::styleHint(hint, option, widget, returnData);
  }
};

}  // namespace

QString ProgramTitle() {
  return QString("Orrimax v. ") + kVersion;
}

QString ErrorText(const QString& message) {
  return QString::fromStdString(WithFullStop(message.toStdString()));
}

TForm1::TForm1(QWidget* parent, const QString& settingsFile)
    : TForm1(parent, settingsFile.isEmpty()
                         ? FindSettingsFile(ProgramFolder(), QStandardPaths::writableLocation(
                                                                 QStandardPaths::AppConfigLocation))
                         : SettingsLocation{settingsFile, settingsFile}) {}

TForm1::TForm1(QWidget* parent, SettingsLocation settingsFile)
    : QMainWindow(parent), settings(std::move(settingsFile)) {
  setObjectName("Form1");
  setWindowTitle(ProgramTitle());
  setAcceptDrops(true);
  QFont tahoma("Tahoma");
  setFont(PixelFont(tahoma, 11));

  PageControl1 = Named(new QTabWidget(this), "PageControl1");
  PageControl1->setUsesScrollButtons(false);
  PlayersSht = Named(new QWidget, "PlayersSht");
  NamesSht = Named(new QWidget, "NamesSht");
  PageControl1->addTab(PlayersSht, "Players");
  PageControl1->addTab(NamesSht, "Bank Of Names");
  setCentralWidget(PageControl1);
  PageControl1->hide();

  listPopupStyle_ = new ListPopupStyle;
  listPopupStyle_->setParent(this);
  buildPlayersPage();
  buildNamesPage();
  names_ = std::make_unique<NamesBankEditor>(*NamesB, *Players);
  ShowBalance();
  // The marker and the entry numbers follow from the rows: no steps of their own.
  history_.Ignore(*Players, kMarkerColumn);
  history_.Ignore(*NamesB, kNamesIdColumn);
  Players->observer = &history_;
  NamesB->observer = &history_;
  buildMenusAndActions();
  history_.onChanged = [this] { UpdateEditState(); };
  UpdateEditState();
  connect(PageControl1, &QTabWidget::currentChanged, this,
          [this](int i) { PageControl1Change(i); });

  qApp->installEventFilter(this);
  connect(GetID, &QPushButton::clicked, this, [this] { Guard([this] { GetIDClick(); }); });
  connect(FName, &QLineEdit::textChanged, this, [this](const QString& t) { FNameChange(t); });
  connect(FilterB, &QPushButton::clicked, this, [this] { FilterBClick(); });
  connect(GroupFilter, &QListWidget::itemChanged, this,
          [this](QListWidgetItem* item) { GroupFilterClickCheck(GroupFilter->row(item)); });
  Panel2->installEventFilter(this);

  // Creation: fixed column widths (above), then the settings, if any.
  LoadSettings();

  AboutBox = new TAboutBox(this);
  chooseRosterFile = [this] { return askForRosterFile(); };
  showError = [this](const QString& text) {
    QMessageBox box(QMessageBox::Critical, QApplication::applicationName(), text, QMessageBox::Ok,
                    this);
    box.exec();
  };
  showWarning = [this](const QString& text) {
    QMessageBox box(QMessageBox::Warning, QApplication::applicationName(), text, QMessageBox::Ok,
                    this);
    box.exec();
  };
  askQuestion = [this](const QString& text, const QString& goAhead) { return Ask(text, goAhead); };
  askSaveChanges = [this](const QString& text) { return AskSaveChanges(text); };

  // The client area is 884 x 704 below the menu bar, centred on the screen.
  resize(884, 704 + menuBar()->sizeHint().height());
  if (const QScreen* screen = QApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());
}

TForm1::~TForm1() {
  // The grids outlive the history as the window's children.
  Players->observer = nullptr;
  NamesB->observer = nullptr;
}

void TForm1::buildPlayersPage() {
  auto* layout = new QVBoxLayout(PlayersSht);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);

  Panel3 = CreamPanel(PlayersSht, "Panel3", 75);
  Panel4 = CreamPanel(Panel3, "Panel4", 75);
  Panel4->setFixedWidth(185);
  Panel4->setFrameShape(QFrame::StyledPanel);
  auto* caption = Named(new QLabel("Group Filter", Panel4), "Panel4Caption");
  caption->setAlignment(Qt::AlignCenter);
  caption->setFont(PointFont(font(), 12, true));
  caption->setGeometry(0, 0, 185, 75);
  FilterB = Named(new QPushButton("-", Panel4), "FilterB");
  FilterB->setGeometry(0, 0, 29, 15);
  GroupFilter = Named(new QListWidget(Panel3), "GroupFilter");
  GroupFilter->setFlow(QListView::TopToBottom);
  GroupFilter->setWrapping(true);
  GroupFilter->setResizeMode(QListView::Adjust);
  for (const ColumnGroup& g : kColumnGroups) {
    auto* item =
        new QListWidgetItem(QString::fromStdU16String(std::u16string(g.Name)), GroupFilter);
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(Qt::Checked);
    item->setSizeHint(QSize(180, 13));
  }
  auto* strip = new QHBoxLayout(Panel3);
  strip->setContentsMargins(0, 0, 0, 0);
  strip->setSpacing(0);
  // Folded, the caption panel stays at the left edge, not centred in the strip.
  strip->addWidget(Panel4, 0, Qt::AlignLeft | Qt::AlignTop);
  strip->addWidget(GroupFilter, 1);

  Players = Named(new Grid(PlayersSht), "Players");
  Players->setFont(PixelFont(font(), 12));
  Players->setColCount(kColumnCount);
  Players->setRowCount(2);
  Players->setFixedCols(kFixedColumns);
  Players->setFixedRows(1);
  Players->setDefaultColWidth(70);
  Players->setRowHeight(24);
  Players->colSizing = true;
  const int widths[kFixedColumns] = {10, 35, 150, 150};
  for (int c = 0; c < kFixedColumns; ++c) Players->setColWidth(c, widths[c]);
  Players->onDrawCell = [this](int col, int row, const QRect& rect, Grid::CellState) {
    PlayersDrawCell(col, row, rect);
  };
  Players->onSelectCell = [this](int col, int row) {
    bool allowed = true;
    Guard([&] { allowed = PlayersSelectCell(col, row); });
    return allowed;
  };
  Players->onFixedCellClick = [this](int col, int row) {
    Guard([&] { PlayersFixedCellClick(col, row); });
  };
  Players->onKeyDown = [this](QKeyEvent* event) { Guard([&] { PlayersKeyDown(event); }); };
  Players->onMouseDown = [this](Qt::KeyboardModifiers mods, QPoint pos) {
    Guard([&] { PlayersMouseDown(mods, pos); });
  };
  Players->onMouseMove = [this](QPoint pos) { Guard([&] { PlayersMouseMove(pos); }); };
  Players->onMouseUp = [this](QPoint) { Guard([&] { PlayersMouseUp(); }); };
  Players->onGetEditText = [this](int col, int row) {
    Guard([&] { PlayersGetEditText(col, row); });
  };
  Players->onSetEditText = [this](int col, int row, const QString& text) {
    Guard([&] { PlayersSetEditText(col, row, text); });
  };
  Players->onEditRestored = [this](int col, int row) {
    Guard([&] { PlayersEditRestored(col, row); });
  };
  Players->setContextMenuPolicy(Qt::CustomContextMenu);

  Panel2 = CreamPanel(PlayersSht, "Panel2", 36);
  LName = Named(new QLineEdit(Panel2), "LName");
  LName->setGeometry(6, 6, 113, 21);
  const auto chooser = [&](const char* name, int left) {
    auto* box = Named(new QComboBox(Panel2), name);
    box->setGeometry(left, 6, 145, 21);
    box->setMaxVisibleItems(20);
    box->setStyle(listPopupStyle_);
    return box;
  };
  ComboBox1 = chooser("ComboBox1", 125);
  FName = Named(new QLineEdit(Panel2), "FName");
  FName->setGeometry(306, 6, 113, 21);
  ComboBox2 = chooser("ComboBox2", 425);
  RevSrch = Named(new QCheckBox("Search Up", Panel2), "RevSrch");
  RevSrch->setGeometry(622, 6, 97, 17);
  Find = Named(new QPushButton("Find Next", Panel2), "Find");
  Find->setGeometry(758, 6, 99, 21);

  layout->addWidget(Panel3);
  layout->addWidget(Players, 1);
  layout->addWidget(Panel2);
}

void TForm1::buildNamesPage() {
  auto* layout = new QVBoxLayout(NamesSht);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);

  Panel5 = CreamPanel(NamesSht, "Panel5", 29);
  Label1 = Named(new QLabel("Resources:", Panel5), "Label1");
  Label1->setFont(PixelFont(font(), 16, true));
  Label1->setGeometry(8, 4, 100, 21);
  ResC = Named(new QLabel("0", Panel5), "ResC");
  ResC->setFont(PixelFont(font(), 16, true));
  ResC->setGeometry(112, 4, 200, 21);

  NamesB = Named(new Grid(NamesSht), "NamesB");
  NamesB->setFont(PixelFont(font(), 12));
  NamesB->setColCount(kNamesLengthColumn + 1);
  NamesB->setRowCount(2);
  NamesB->setFixedCols(kNamesDataColumn);
  NamesB->setFixedRows(1);
  NamesB->setRowHeight(24);
  NamesB->onGetEditText = [this](int col, int row) { Guard([&] { NamesBGetEditText(col, row); }); };
  NamesB->onSetEditText = [this](int col, int row, const QString& text) {
    Guard([&] { NamesBSetEditText(col, row, text); });
  };
  NamesB->onSelectCell = [this](int col, int row) {
    return Guard([&] { NamesBSelectCell(col, row); });
  };
  NamesB->setContextMenuPolicy(Qt::CustomContextMenu);

  Panel1 = CreamPanel(NamesSht, "Panel1", 35);
  GetIDE = Named(new QLineEdit(Panel1), "GetIDE");
  GetIDE->setGeometry(40, 8, 247, 21);
  GetID = Named(new QPushButton("Get ID by Name", Panel1), "GetID");
  GetID->setGeometry(308, 8, 99, 21);
  IDD = Named(new QLineEdit(Panel1), "IDD");
  IDD->setGeometry(430, 8, 61, 21);
  IDD->setReadOnly(true);

  layout->addWidget(Panel5);
  layout->addWidget(NamesB, 1);
  layout->addWidget(Panel1);
}

void TForm1::buildMenusAndActions() {
  QMenu* file = menuBar()->addMenu("File");
  file->setObjectName("File1");
  OpenR = Named(file->addAction("Open..."), "OpenR");
  OpenR->setShortcut(QKeySequence("Ctrl+O"));
  SaveR = Named(file->addAction("Save"), "SaveR");
  SaveR->setShortcut(QKeySequence("Ctrl+S"));
  SaveR->setEnabled(false);
  Close1 = Named(file->addAction("Close"), "Close1");
  Close1->setEnabled(false);
  file->addSeparator();
  Quit = Named(file->addAction("Quit"), "Quit");
  QMenu* edit = menuBar()->addMenu("Edit");
  edit->setObjectName("Edit1");
  Undo1 = Named(edit->addAction("Undo"), "Undo1");
  Undo1->setShortcut(QKeySequence("Ctrl+Z"));
  Redo1 = Named(edit->addAction("Redo"), "Redo1");
  Redo1->setShortcuts({QKeySequence("Ctrl+Y"), QKeySequence("Ctrl+Shift+Z")});
  for (QAction* a : {Undo1, Redo1}) a->setShortcutContext(Qt::WindowShortcut);
  connect(Undo1, &QAction::triggered, this, [this] { Guard([this] { UndoExecute(); }); });
  connect(Redo1, &QAction::triggered, this, [this] { Guard([this] { RedoExecute(); }); });
  QMenu* help = menuBar()->addMenu("Help");
  help->setObjectName("Help1");
  About1 = Named(help->addAction("About..."), "About1");
  connect(OpenR, &QAction::triggered, this, [this] { OpenRClick(); });
  connect(SaveR, &QAction::triggered, this, [this] { SaveRClick(); });
  connect(Close1, &QAction::triggered, this, [this] { Close1Click(); });
  connect(Quit, &QAction::triggered, this, [this] { QuitClick(); });
  connect(About1, &QAction::triggered, this, [this] { About1Click(); });

  auto action = [this](const char* name, const char* caption, const char* key, QWidget* scope,
                       void (TForm1::*handler)()) {
    auto* a = Named(new QAction(caption, this), name);
    a->setShortcut(QKeySequence(key));
    // Window-wide shortcuts, or those of a popup menu's own grid.
    a->setShortcutContext(scope == this ? Qt::WindowShortcut : Qt::WidgetWithChildrenShortcut);
    scope->addAction(a);
    connect(a, &QAction::triggered, this, [this, handler] { Guard([&] { (this->*handler)(); }); });
    return a;
  };
  FindNext = action("FindNext", "Find Next", "F3", this, &TForm1::FindNextExecute);
  SelectAll = action("SelectAll", "SelectAll", "Ctrl+A", this, &TForm1::SelectAllExecute);
  CopyToClipboard =
      action("CopyToClipboard", "Copy", "Ctrl+C", Players, &TForm1::CopyToClipboardExecute);
  PasteFromClipboard =
      action("PasteFromClipboard", "Paste", "Ctrl+V", Players, &TForm1::PasteFromClipboardExecute);
  Merge = action("Merge", "Merge With Previous", "Ctrl+D", this, &TForm1::MergeExecute);
  Create = action("Create", "Create New", "Ctrl+N", this, &TForm1::CreateExecute);
  connect(Find, &QPushButton::clicked, FindNext, &QAction::trigger);

  PlayersPM = Named(new QMenu(this), "PlayersPM");
  PlayersPM->addAction(CopyToClipboard);
  PlayersPM->addAction(PasteFromClipboard);
  NamesPM = Named(new QMenu(this), "NamesPM");
  NamesPM->addAction(Merge);
  NamesPM->addAction(Create);
  connect(Players, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& pos) { PlayersPM->popup(Players->mapToGlobal(pos)); });
  connect(NamesB, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& pos) { NamesPM->popup(NamesB->mapToGlobal(pos)); });
}

bool TForm1::Ask(const QString& text, const QString& goAhead) {
  QMessageBox box(QMessageBox::Question, QApplication::applicationName(), text, QMessageBox::Cancel,
                  this);
  QPushButton* yes = box.addButton(goAhead, QMessageBox::AcceptRole);
  box.setDefaultButton(QMessageBox::Cancel);
  box.setEscapeButton(QMessageBox::Cancel);
  box.exec();
  return box.clickedButton() == yes;
}

bool TForm1::Guard(const std::function<void()>& command) {
  try {
    command();
    return true;
  } catch (const RosterError& e) {
    const std::string& message = e.message();
    showError(ErrorText(QString::fromUtf8(message.data(), static_cast<qsizetype>(message.size()))));
    return false;
  } catch (const std::exception& e) {
    showError(ErrorText(QString::fromUtf8(e.what())));
    return false;
  }
}

void TForm1::closeEvent(QCloseEvent* event) {
  if (!ConfirmDiscard()) {
    event->ignore();
    return;
  }
  // The window closes even when its settings cannot be written; the user
  // is told while it is still there (a Windows program has no console).
  try {
    SaveSettings();
  } catch (const std::exception& e) {
    showWarning(ErrorText("The settings could not be written to " +
                          QDir::toNativeSeparators(settings.write) + ": " +
                          QString::fromUtf8(e.what())));
  }
  event->accept();
}

void TForm1::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  // Said over the shown window, once, when its creation is over.
  if (!settingsProblem_.isEmpty())
    QTimer::singleShot(
        0, this, [this, text = std::exchange(settingsProblem_, QString())] { showWarning(text); });
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
  // Line edits claim some Ctrl keys for themselves; in this window Select
  // All, Create New and Merge With Previous work from wherever the focus is,
  // and in a cell editor Undo and Redo are the window's, not the line's.
  if (event->type() == QEvent::ShortcutOverride) {
    const auto* key = static_cast<QKeyEvent*>(event);
    auto* widget = qobject_cast<QWidget*>(watched);
    const QKeyCombination combination = key->keyCombination();
    if (widget && widget->window() == this &&
        (combination == QKeyCombination(Qt::ControlModifier, Qt::Key_A) ||
         ((watched == Players->editor() || watched == NamesB->editor()) &&
          (combination == QKeyCombination(Qt::ControlModifier, Qt::Key_Z) ||
           combination == QKeyCombination(Qt::ControlModifier, Qt::Key_Y) ||
           combination == QKeyCombination(Qt::ControlModifier | Qt::ShiftModifier, Qt::Key_Z))) ||
         combination == QKeyCombination(Qt::ControlModifier, Qt::Key_N) ||
         combination == QKeyCombination(Qt::ControlModifier, Qt::Key_D)))
      return true;
    // In the player grid's cell editor, Copy and Paste act on the grid.
    if (watched == Players->editor() &&
        (key->keyCombination() == QKeyCombination(Qt::ControlModifier, Qt::Key_C) ||
         key->keyCombination() == QKeyCombination(Qt::ControlModifier, Qt::Key_V)))
      return true;
  }
  if (watched == Panel2 && event->type() == QEvent::Resize) PlaceSearchControls();
  return QMainWindow::eventFilter(watched, event);
}

}  // namespace orrimax::ui
