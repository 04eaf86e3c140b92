// File commands: Open, Save, Close, Quit, About, and the page switch.
#include <QApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QMimeData>
#include <QUrl>

#include "AboutBx.h"
#include "Unit1.h"

namespace orrimax::ui {
namespace {

// The busy cursor for the length of a command, whatever way it ends.
class BusyCursor {
 public:
  BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~BusyCursor() { QApplication::restoreOverrideCursor(); }
  BusyCursor(const BusyCursor&) = delete;
  BusyCursor& operator=(const BusyCursor&) = delete;
};

std::filesystem::path ToPath(const QString& path) {
  return std::filesystem::path(path.toStdU16String());
}

QString ToQString(const std::filesystem::path& path) {
  return QString::fromStdU16String(path.u16string());
}

}  // namespace

QString TForm1::askForRosterFile() {
  QFileDialog dialog(this, "Open...", openFolder, "NBA 2K10 Roster Files (*.ROS *.ros)");
  dialog.setObjectName("OpD");
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setOption(QFileDialog::ReadOnly, false);
  dialog.setSizeGripEnabled(true);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().first();
}

void TForm1::OpenRClick() {
  const QString path = chooseRosterFile();
  if (!path.isEmpty()) OpenFile(path);
}

void TForm1::OpenFile(const QString& path) {
  if (!ConfirmDiscard()) return;
  Guard([&] { OpenRoster(path); });
  UpdateEditState();  // also after a failed Open: no roster's name stays in the caption
}

namespace {

// The first local file of a drop that is a roster, or nothing.
QString DroppedRoster(const QMimeData* data) {
  for (const QUrl& url : data->urls())
    if (url.isLocalFile() && url.toLocalFile().endsWith(".ros", Qt::CaseInsensitive))
      return url.toLocalFile();
  return {};
}

}  // namespace

void TForm1::dragEnterEvent(QDragEnterEvent* event) {
  if (!DroppedRoster(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void TForm1::dropEvent(QDropEvent* event) {
  const QString path = DroppedRoster(event->mimeData());
  if (path.isEmpty()) return;
  event->acceptProposedAction();
  OpenFile(path);
}

void TForm1::OpenRoster(const QString& path) {
  BusyCursor busy;
  history_.Clear();
  PageControl1->hide();
  // Nothing of a roster stays savable until this one has loaded.
  SaveR->setEnabled(false);
  Close1->setEnabled(false);
  Players->clearCells();
  NamesB->clearCells();
  ComboBox1->clear();
  ComboBox2->clear();
  Players->setCell(kMarkerColumn, 1, kMarker);
  SelectedCell.Row = 1;
  PendingRegroup.Row = 0;
  NamesB->setCell(kNamesIdColumn, 0, u"ID");
  NamesB->setCell(kNamesDataColumn, 0, u"Data");
  NamesB->setCell(kNamesLengthColumn, 0, u"Length");
  NamesB->setColWidth(kNamesIdColumn, 35);
  NamesB->setColWidth(kNamesDataColumn, 300);
  NamesB->setColWidth(kNamesLengthColumn, 80);
  names_->Reset();
  ShowBalance();
  // The previous roster can no longer be shown or saved: its buffers go
  // before the new file is read, so that opening never holds two rosters.
  document_.reset();

  LoadedRoster roster = LoadRoster(ToPath(path));
  document_ = std::make_unique<RosterDocument>(std::move(roster.Document));
  rosterPath_ = path;
  diskStamp_ = roster.Stamp;
  backupTaken_ = false;
  Players->setRowCount(static_cast<int>(document_->PlayerCount) + 1);
  // The marker column keeps its marker; its header is the catalogue's.
  for (int c = kRowNumberColumn; c < kColumnCount; ++c)
    Players->setColumn(c, std::move(roster.Table[c]));
  Players->setCell(kMarkerColumn, 0, ColumnHeader(kMarkerColumn));
  NamesB->setRowCount(static_cast<int>(roster.Names.Id.size()));
  NamesB->setColumn(kNamesIdColumn, std::move(roster.Names.Id));
  NamesB->setColumn(kNamesDataColumn, std::move(roster.Names.Data));
  NamesB->setColumn(kNamesLengthColumn, std::move(roster.Names.Length));

  QStringList names;
  names << QString();
  for (int c = kRowNumberColumn; c < kColumnCount; ++c)
    names << QString::fromStdU16String(ColumnShortName(c));
  ComboBox1->addItems(names);
  ComboBox2->addItems(names);
  ComboBox1->setCurrentIndex(searchCol1);
  ComboBox2->setCurrentIndex(searchCol2);

  SaveR->setEnabled(true);
  Close1->setEnabled(true);
  // Both grids start at their first cell, and the page shown takes the keys
  // at once: arrows, Ctrl+Home and typing work without a click.
  Players->setSelection(MakeGridRect(kFirstDataColumn, kFirstDataColumn, 1, 1));
  Players->setTopRow(1);
  Players->setLeftCol(kFirstDataColumn);
  NamesB->setSelection(MakeGridRect(kNamesDataColumn, kNamesDataColumn, 1, 1));
  NamesB->setTopRow(1);
  PageControl1->show();
  (PageControl1->currentWidget() == NamesSht ? NamesB : Players)->setFocus();
  UpdateEditState();
}

void TForm1::SaveRClick() {
  SaveToDisk();
}

bool TForm1::SaveToDisk() {
  if (!document_) return false;
  // A cell edit ends with the save, so that what is saved is a point of the
  // history; a names-bank edit stays pending, as saving does not commit it.
  Players->hideEditor();
  if (!names_->EditPending()) history_.End(names_->Balance());
  const std::filesystem::path path = ToPath(rosterPath_);
  const QString shown = QDir::toNativeSeparators(rosterPath_);
  bool saved = false;
  Guard([&] {
    try {
      // Another program's changes are not overwritten unasked.
      const DiskChange change = CompareWithDisk(path, diskStamp_);
      if (change != DiskChange::None) {
        const bool deleted = change == DiskChange::Deleted;
        const QString question = "The roster " + shown +
                                 (deleted ? " was deleted" : " was changed") +
                                 " by another program since it was opened or last saved.\n\n" +
                                 (deleted ? "Save the roster shown here under its name again?"
                                          : "Overwrite it with the roster shown here?");
        if (!askQuestion(question, deleted ? "Save" : "Overwrite")) return;
      }
      BusyCursor busy;
      const SaveOutcome outcome =
          SaveRoster(*document_, path, Players->columns(), NamesB->column(kNamesDataColumn),
                     NamesB->column(kNamesLengthColumn), {.backup = !backupTaken_});
      diskStamp_ = outcome.stamp;
      backupTaken_ = true;
      saved = true;
      history_.MarkSaved();
      if (!outcome.backupProblem.empty())
        showWarning(
            "The roster was saved, but its backup " +
            QDir::toNativeSeparators(ToQString(outcome.backup)) +
            " could not be written: " + ErrorText(QString::fromStdString(outcome.backupProblem)));
    } catch (const RosterError& e) {
      ShowFailedCell(e);
      const std::string backup =
          BackupExists(path) ? QDir::toNativeSeparators(rosterPath_ + ".bak").toStdString() : "";
      throw RosterError(FailedSaveMessage(e, shown.toStdString(), backup));
    }
  });
  return saved;
}

void TForm1::ShowFailedCell(const RosterError& error) {
  const auto* cell = dynamic_cast<const CellConvertError*>(&error);
  if (!cell) return;
  // Through select-cell, so that the marker follows; a pending regroup of
  // another cell is done on the way, as any move does.
  const bool players = cell->table == CellConvertError::Table::Players;
  PageControl1->setCurrentWidget(players ? PlayersSht : NamesSht);
  Grid* grid = players ? Players : NamesB;
  grid->moveTo(cell->column, cell->row);
  grid->setFocus();
}

void TForm1::Close1Click() {
  if (!ConfirmDiscard()) return;
  PageControl1->hide();
  SaveR->setEnabled(false);
  Close1->setEnabled(false);
  // The roster stays in memory, but can only be shown again by opening it.
  history_.Clear();
  UpdateEditState();
}

void TForm1::QuitClick() {
  close();
}

void TForm1::About1Click() {
  AboutBox->exec();
}

void TForm1::PageControl1Change(int index) {
  if (index == PageControl1->indexOf(PlayersSht)) Guard([&] { CommitNameEdit(); });
}

}  // namespace orrimax::ui
