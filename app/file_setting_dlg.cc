#include "app/file_setting_dlg.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "recovery/detection.h"

namespace salvoran::app {

CCorvaneFileSettingDlg::CCorvaneFileSettingDlg(OwnerFrame& frame, QWidget* parent)
    : QDialog(parent), frame_(frame) {
  setWindowTitle("Select Database file");
  // No system menu and no close box: the dialog ends through OK or Cancel.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);

  auto* pathGroup = new QGroupBox("Select file path:", this);
  auto* pathRow = new QHBoxLayout(pathGroup);
  pathEdit_ = new QLineEdit(pathGroup);
  pathEdit_->setReadOnly(true);
  pathEdit_->setMinimumWidth(360);
  browseButton_ = new QPushButton("...", pathGroup);
  browseButton_->setFixedWidth(36);
  browseButton_->setAutoDefault(false);
  pathRow->addWidget(pathEdit_, 1);
  pathRow->addWidget(browseButton_);

  auto* infoGroup = new QGroupBox("File Information:", this);
  auto* infoRow = new QHBoxLayout(infoGroup);
  auto* versionBox = new QGroupBox("File Version", infoGroup);
  auto* versionColumn = new QVBoxLayout(versionBox);
  version2_ = new QRadioButton("Version 2", versionBox);
  version3_ = new QRadioButton("Version 3", versionBox);
  versionColumn->addWidget(version2_);
  versionColumn->addWidget(version3_);
  auto* encodingBox = new QGroupBox("Data stored format:", infoGroup);
  auto* encodingColumn = new QVBoxLayout(encodingBox);
  utf8_ = new QRadioButton("UTF-8", encodingBox);
  utf16_ = new QRadioButton("UTF-16", encodingBox);
  encodingColumn->addWidget(utf8_);
  encodingColumn->addWidget(utf16_);
  auto* pageColumn = new QVBoxLayout;
  pageColumn->addWidget(new QLabel("Page Size:", infoGroup));
  pageSizeEdit_ = new QLineEdit(infoGroup);
  pageSizeEdit_->setReadOnly(true);
  pageSizeEdit_->setFixedWidth(90);
  pageColumn->addWidget(pageSizeEdit_);
  pageColumn->addStretch(1);
  infoRow->addWidget(versionBox);
  infoRow->addWidget(encodingBox);
  infoRow->addLayout(pageColumn);

  // Each pair excludes its partner.
  versionGroup_ = new QButtonGroup(this);
  versionGroup_->addButton(version2_);
  versionGroup_->addButton(version3_);
  encodingGroup_ = new QButtonGroup(this);
  encodingGroup_->addButton(utf8_);
  encodingGroup_->addButton(utf16_);
  version2_->setChecked(true);
  utf8_->setChecked(true);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Ok)->setDefault(true);
  connect(buttons, &QDialogButtonBox::accepted, this, &CCorvaneFileSettingDlg::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(browseButton_, &QPushButton::clicked, this, &CCorvaneFileSettingDlg::Browse);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(pathGroup);
  layout->addWidget(infoGroup);
  layout->addWidget(buttons);
}

void CCorvaneFileSettingDlg::UncheckAll() {
  for (QButtonGroup* group : {versionGroup_, encodingGroup_}) {
    group->setExclusive(false);
    for (QAbstractButton* button : group->buttons()) button->setChecked(false);
    group->setExclusive(true);
  }
}

void CCorvaneFileSettingDlg::Browse() {
  UncheckAll();
  pageSizeEdit_->clear();
  pathEdit_->clear();
  settings_.startOffset = 0;
  settings_.utf8 = settings_.utf16 = settings_.bigEndianText = false;
  QString path = QFileDialog::getOpenFileName(this, "Open");
  if (path.isEmpty()) return;
  BrowseTo(path);
}

void CCorvaneFileSettingDlg::BrowseTo(const QString& path) {
  UncheckAll();
  pageSizeEdit_->clear();
  pathEdit_->clear();
  settings_ = DetectFileSettings(path.toStdString(), frame_);
  if (settings_.path.empty()) return;  // the path does not exist
  pathEdit_->setText(path);
  if (settings_.formatVersion == kFormatSqlite2) version2_->setChecked(true);
  if (settings_.formatVersion == kFormatSqlite3) version3_->setChecked(true);
  if (settings_.formatVersion == kFormatNone) return;
  if (settings_.utf8) utf8_->setChecked(true);
  if (settings_.utf16) utf16_->setChecked(true);
  if (settings_.pageSize != 0) pageSizeEdit_->setText(QString::number(settings_.pageSize));
}

void CCorvaneFileSettingDlg::accept() {
  settings_.path = pathEdit_->text().toStdString();
  QDialog::accept();
}

}  // namespace salvoran::app
