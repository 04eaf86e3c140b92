// The main window: pages, menus, actions and every handler of the editor.
#pragma once

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>
#include <functional>
#include <memory>

#include "AppSetup.h"
#include "DB.h"
#include "DrawGrids.h"
#include "Grid.h"
#include "NamesBank.h"

namespace orrimax::ui {

class TAboutBox;

// The window's caption without a roster: "Orrimax v. 0.6".
QString ProgramTitle();

// The marker of the current row: U+2588 FULL BLOCK.
inline constexpr std::u16string_view kMarker = u"\u2588";

// The error box text: the message with a full stop, unless it already ends
// with "." or a character below it.
QString ErrorText(const QString& message);

class TForm1 : public QMainWindow {
 public:
  // `settingsFile` replaces Config.ini beside the executable (for tests),
  // or `settings` gives both where it is read from and where written to.
  explicit TForm1(QWidget* parent = nullptr, const QString& settingsFile = QString());
  TForm1(QWidget* parent, SettingsLocation settings);
  ~TForm1() override;

  // ---- Controls, named as the window's parts are known ----
  QTabWidget* PageControl1;
  QWidget* PlayersSht;
  QWidget* NamesSht;
  QFrame* Panel3;
  QFrame* Panel4;
  QPushButton* FilterB;
  QListWidget* GroupFilter;
  Grid* Players;
  QFrame* Panel2;
  QLineEdit* LName;
  QComboBox* ComboBox1;
  QLineEdit* FName;
  QComboBox* ComboBox2;
  QCheckBox* RevSrch;
  QPushButton* Find;
  QFrame* Panel5;
  QLabel* Label1;
  QLabel* ResC;
  Grid* NamesB;
  QFrame* Panel1;
  QLineEdit* GetIDE;
  QPushButton* GetID;
  QLineEdit* IDD;
  QMenu* PlayersPM;
  QMenu* NamesPM;
  QAction* OpenR;
  QAction* SaveR;
  QAction* Close1;
  QAction* Quit;
  QAction* About1;
  QAction* Undo1;
  QAction* Redo1;
  // ActionList1
  QAction* FindNext;
  QAction* SelectAll;
  QAction* CopyToClipboard;
  QAction* PasteFromClipboard;
  QAction* Merge;
  QAction* Create;
  TAboutBox* AboutBox;

  // ---- File commands ----
  void OpenRClick();
  void SaveRClick();
  void Close1Click();
  void QuitClick();
  void About1Click();
  void PageControl1Change(int index);
  // Open's steps after the dialog, for the dialog's answer or a test's path.
  void OpenRoster(const QString& path);
  // A roster given on the command line or dropped on the window: opened as
  // File > Open opens the one chosen, asking first about unsaved changes.
  void OpenFile(const QString& path);

  // ---- Player grid ----
  void PlayersDrawCell(int col, int row, const QRect& rect);
  Alignment PlayersCellAlignment(int col, int row) const;
  bool PlayersSelectCell(int col, int row);
  void PlayersFixedCellClick(int col, int row);
  void PlayersKeyDown(QKeyEvent* event);
  void PlayersMouseDown(Qt::KeyboardModifiers shift, QPoint pos);
  void PlayersMouseMove(QPoint pos);
  void PlayersMouseUp();
  void PlayersGetEditText(int col, int row);
  void PlayersSetEditText(int col, int row, const QString& text);
  void PlayersEditRestored(int col, int row);

  // ---- Names bank ----
  void NamesBGetEditText(int col, int row);
  void NamesBSetEditText(int col, int row, const QString& text);
  bool NamesBSelectCell(int col, int row);
  // Closes the names bank's editor and commits its pending edit, for the
  // commands that commit without a move of the selection.
  void CommitNameEdit();
  void GetIDClick();

  // ---- Search bar, group filter, settings ----
  void FNameChange(const QString& text);
  void PlaceSearchControls();
  void ShowHideColumnGroups(int index);
  void GroupFilterClickCheck(int index);
  void FilterBClick();
  void LoadSettings();
  void SaveSettings();
  SettingsLocation settings;  // Config.ini, beside the executable or the user's

  // ---- Actions (their behaviour comes with the grid, clipboard and names commands) ----
  void FindNextExecute();
  void SelectAllExecute();
  void CopyToClipboardExecute();
  void PasteFromClipboardExecute();
  void MergeExecute();
  void CreateExecute();

  // ---- Edit menu, unsaved changes ----
  void UndoExecute();
  void RedoExecute();
  // Menu captions and enabled states, and the window's caption.
  void UpdateEditState();
  bool Dirty() const { return history_.Dirty(); }
  // Asks to save unsaved changes; false when the command that asked is to
  // be cancelled (the user cancelled, or the save failed).
  bool ConfirmDiscard();
  enum class SaveAnswer { Save, Discard, Cancel };
  SaveAnswer AskSaveChanges(const QString& text);
  std::function<SaveAnswer(const QString& text)> askSaveChanges;
  const EditHistory& history() const { return history_; }

  // Runs a command; an error ends it and is shown in the error box.
  bool Guard(const std::function<void()>& command);

  GridCoord selectedCell() const { return SelectedCell; }

  // Seams for tests: how the Open dialog is asked, how an error, a warning
  // and a question are shown (a question answered true goes ahead).
  std::function<QString()> chooseRosterFile;
  std::function<void(const QString& text)> showError;
  std::function<void(const QString& text)> showWarning;
  std::function<bool(const QString& text, const QString& goAhead)> askQuestion;
  // The question box: the application's title, `goAhead` or Cancel (the
  // default, and what Escape gives).
  bool Ask(const QString& text, const QString& goAhead);
  // Save's work; false when it failed or the user cancelled it.
  bool SaveToDisk();
  // After a save refused a cell's text, that cell becomes current.
  void ShowFailedCell(const RosterError& error);

  const RosterDocument* document() const { return document_.get(); }
  QString rosterPath() const { return rosterPath_; }
  int searchCol1 = 0;  // stored search column numbers (chooser item indexes)
  int searchCol2 = 0;
  QString openFolder;  // the Open dialog's starting folder

 protected:
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void buildPlayersPage();
  void buildNamesPage();
  void buildMenusAndActions();
  void ShowBalance();
  // Red and Save disabled while the balance is not 0, green and Save enabled at 0.
  void ApplyBalance();
  QString askForRosterFile();

  std::unique_ptr<RosterDocument> document_;
  QString rosterPath_;
  void ApplyStep(const EditHistory::Step& step, bool undone);
  // Runs a command as one step of the history, even when it fails part-way.
  void AsStep(const char* name, Grid* grid, const std::function<void()>& change);
  StepCell CellOf(Grid* grid) const { return {grid, grid->col(), grid->row()}; }

  EditHistory history_;
  FileStamp diskStamp_;       // the roster on disk as last opened or saved
  bool backupTaken_ = false;  // this session's first save has kept NAME.bak

  GridCoord SelectedCell{0, 0};
  GridCoord MouseCell{0, 0};
  bool Dragging = false;
  GridCoord PendingRegroup{0, 0};           // a salary cell to regroup; row 0: none
  std::unique_ptr<NamesBankEditor> names_;  // the names bank's rules, over the two grids
  QStyle* listPopupStyle_ = nullptr;        // the column choosers' drop-down lists
  QString settingsProblem_;                 // why the settings file was not read, said once shown
};

}  // namespace orrimax::ui
