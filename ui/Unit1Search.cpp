// The search bar (Find Next), the column group filter and the settings file.
#include <QDir>
#include <QFileInfo>
#include <QProcessEnvironment>

#include "SettingsFile.h"
#include "Unit1.h"

namespace orrimax::ui {
namespace {

// Only A to Z fold; every other character must be identical.
bool SameText(std::u16string_view a, const QString& b) {
  if (a.size() != static_cast<std::size_t>(b.size())) return false;
  const auto fold = [](char16_t c) -> char16_t { return c >= u'A' && c <= u'Z' ? c + 32 : c; };
  for (std::size_t i = 0; i < a.size(); ++i)
    if (fold(a[i]) != fold(b[static_cast<qsizetype>(i)].unicode())) return false;
  return true;
}

const QString kGroupFilter = "GroupFilter";
const QString kSearch = "Search";
const QString kDialogs = "Dialogs";

}  // namespace

void TForm1::FindNextExecute() {
  const int col1 = ComboBox1->currentIndex();
  const int col2 = ComboBox2->currentIndex();
  const QString text1 = LName->text();
  const QString text2 = FName->text();
  const bool first = !text1.isEmpty() && col1 > 0;
  const bool second = !text2.isEmpty() && col2 > 0;
  if (!first && !second) return;
  const int step = RevSrch->isChecked() ? -1 : 1;
  for (int r = Players->row() + step; r >= 1 && r < Players->rowCount(); r += step) {
    if (first && !SameText(Players->cell(col1, r), text1)) continue;
    if (second && !SameText(Players->cell(col2, r), text2)) continue;
    Players->setTopRow(r);
    Players->setRow(r);
    return;
  }
}

void TForm1::FNameChange(const QString& text) {
  // The chooser's item k names column k.
  if (!text.isEmpty() && ComboBox2->currentIndex() == -1 && ComboBox2->count() > kLastNameColumn)
    ComboBox2->setCurrentIndex(kLastNameColumn);
}

void TForm1::PlaceSearchControls() {
  Find->move(Panel2->width() - Find->width() - 15, Find->y());
  RevSrch->move(Find->x() - 100, RevSrch->y());
}

void TForm1::ShowHideColumnGroups(int index) {
  const ColumnGroup& group = kColumnGroups[index];
  const bool shown = GroupFilter->item(index)->checkState() == Qt::Checked;
  for (int c = group.First; c <= group.Last; ++c)
    Players->setColWidth(c, shown ? Players->defaultColWidth() : -1);
}

void TForm1::GroupFilterClickCheck(int index) {
  ShowHideColumnGroups(index);
}

void TForm1::FilterBClick() {
  auto* label = Panel4->findChild<QLabel*>("Panel4Caption");
  QFont caption = label->font();
  const bool fold = FilterB->text() == "-";
  Panel3->setFixedHeight(fold ? 18 : 75);
  Panel4->setFixedHeight(fold ? 18 : 75);
  caption.setPointSize(fold ? 10 : 12);
  caption.setBold(!fold);
  label->setFont(caption);
  label->setGeometry(0, 0, Panel4->width(), Panel4->height());
  GroupFilter->setVisible(!fold);
  FilterB->setText(fold ? "|" : "-");
}

void TForm1::LoadSettings() {
  const ProfileFile ini(settings.read);
  if (!ini.exists()) {
    for (int i = 0; i < kGroupCount; ++i) GroupFilter->item(i)->setCheckState(Qt::Checked);
    return;
  }
  if (!ini.problem().isEmpty())
    settingsProblem_ = ErrorText(QDir::toNativeSeparators(settings.read) + ": " + ini.problem() +
                                 "; using the default settings");
  for (int i = 0; i < kGroupCount; ++i) {
    const bool checked = ini.readInteger(kGroupFilter, QString::number(i), 1) != 0;
    GroupFilter->item(i)->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
    ShowHideColumnGroups(i);
  }
  LName->setText(ini.readString(kSearch, "Field1", QString()));
  FName->setText(ini.readString(kSearch, "Field2", QString()));
  searchCol1 = ini.readInteger(kSearch, "Col1", kLastNameColumn);
  searchCol2 = ini.readInteger(kSearch, "Col2", 0);
  // Without APPDATA (not on Windows) the user's home folder stands in.
  const QString appData = QProcessEnvironment::systemEnvironment().value("APPDATA");
  const QString fallback =
      appData.isEmpty() ? QDir::homePath() : QDir::toNativeSeparators(appData + "/2K Sports/Saves");
  openFolder = ini.readString(kDialogs, "Open", fallback);
}

void TForm1::SaveSettings() {
  // Read again, so that the keys this program does not know stay as they are.
  ProfileFile ini(settings.read);
  for (int i = 0; i < kGroupCount; ++i)
    ini.writeString(kGroupFilter, QString::number(i),
                    GroupFilter->item(i)->checkState() == Qt::Checked ? "1" : "0");
  ini.writeString(kSearch, "Field1", LName->text());
  ini.writeString(kSearch, "Field2", FName->text());
  ini.writeInteger(kSearch, "Col1", ComboBox1->currentIndex());
  ini.writeInteger(kSearch, "Col2", ComboBox2->currentIndex());
  ini.writeString(kDialogs, "Open", openFolder);
  QDir().mkpath(QFileInfo(settings.write).absolutePath());
  ini.saveAs(settings.write);
}

}  // namespace orrimax::ui
