#include "app/saving_mode_dlg.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace salvoran::app {

CSavingModeDlg::CSavingModeDlg(OwnerFrame& frame, const QString& inputPath, QWidget* parent)
    : QDialog(parent), frame_(frame), inputPath_(inputPath) {
  setWindowTitle("Select Saving Mode");

  auto* optionGroup = new QGroupBox("Save option", this);
  auto* options = new QHBoxLayout(optionGroup);
  sqlite_ = new QRadioButton("Save in Sqlite", optionGroup);
  mdb_ = new QRadioButton("Save in MDB", optionGroup);
  version2_ = new QCheckBox("Version 2", optionGroup);
  version2_->setEnabled(false);
  version2_->setToolTip("Saving in the SQLite 2 format is not available yet.");
  mdb_->setToolTip("Saving in an Access (MDB) database is not available yet.");
  sqlite_->setChecked(true);
  options->addWidget(sqlite_);
  options->addWidget(version2_);
  options->addSpacing(24);
  options->addWidget(mdb_);
  options->addStretch(1);

  auto* fileGroup = new QGroupBox("Select Folder and File Name:", this);
  auto* grid = new QGridLayout(fileGroup);
  QFileInfo input(inputPath);
  folder_ = new QLineEdit(QDir::toNativeSeparators(input.absolutePath()), fileGroup);
  folder_->setReadOnly(true);
  folder_->setMinimumWidth(320);
  auto* chooseFolder = new QPushButton("...", fileGroup);
  chooseFolder->setFixedWidth(36);
  chooseFolder->setAutoDefault(false);
  fileName_ = new QLineEdit("Repaired_" + input.fileName(), fileGroup);
  grid->addWidget(new QLabel("Save File Path:", fileGroup), 0, 0);
  grid->addWidget(folder_, 0, 1);
  grid->addWidget(chooseFolder, 0, 2);
  grid->addWidget(new QLabel("File Name:", fileGroup), 1, 0);
  grid->addWidget(fileName_, 1, 1, 1, 2);

  note_ = new QLabel(this);
  note_->setWordWrap(true);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Ok)->setDefault(true);
  connect(buttons, &QDialogButtonBox::accepted, this, &CSavingModeDlg::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(chooseFolder, &QPushButton::clicked, this, &CSavingModeDlg::ChooseFolder);
  connect(sqlite_, &QRadioButton::toggled, this, &CSavingModeDlg::ShowTargetNote);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(optionGroup);
  layout->addWidget(fileGroup);
  layout->addWidget(note_);
  layout->addWidget(buttons);
  ShowTargetNote();
}

void CSavingModeDlg::ShowTargetNote() {
  note_->setText(sqlite_->isChecked()
                     ? "The checked objects are saved in a new SQLite 3 database. "
                       "(SQLite 2 output is not available yet.)"
                     : "Access (MDB) output is not available yet.");
}

void CSavingModeDlg::ChooseFolder() {
  QString folder = QFileDialog::getExistingDirectory(this, "Save File Path:", folder_->text());
  if (!folder.isEmpty()) folder_->setText(QDir::toNativeSeparators(folder));
}

QString CSavingModeDlg::OutputPath() const {
  return QDir(QDir::fromNativeSeparators(folder_->text())).filePath(fileName_->text().trimmed());
}

void CSavingModeDlg::accept() {
  if (mdb_->isChecked()) {
    frame_.Message(kMsgAccessNotAvailable, MessageIcon::Information);
    return;
  }
  QString name = fileName_->text().trimmed();
  if (name.isEmpty() || name.contains('/')) {
    frame_.Message(kMsgNoFileName, MessageIcon::Information);
    return;
  }
  // The file under recovery is never written to.
  QFileInfo output(OutputPath());
  QFileInfo input(inputPath_);
  if (output.absoluteFilePath() == input.absoluteFilePath() ||
      (output.exists() && output.canonicalFilePath() == input.canonicalFilePath())) {
    frame_.Message(kMsgOutputIsInput, MessageIcon::Information);
    return;
  }
  QDialog::accept();
}

}  // namespace salvoran::app
