// CCorvaneFileSettingDlg, "Select Database file": the user picks the file
// and the dialog shows what detection found in it (format version, text
// encoding, page size). The settings OK returns are those detection stored;
// the radios can be clicked freely and are not read back.
#ifndef SALVORAN_APP_FILE_SETTING_DLG_H_
#define SALVORAN_APP_FILE_SETTING_DLG_H_

#include <QButtonGroup>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "recovery/owner_frame.h"
#include "recovery/recovery_context.h"

namespace salvoran::app {

class CCorvaneFileSettingDlg : public QDialog {
  Q_OBJECT

 public:
  // Messages of the detection go to frame.
  CCorvaneFileSettingDlg(OwnerFrame& frame, QWidget* parent = nullptr);

  // Browse without the file picker: detects path and shows the result.
  void BrowseTo(const QString& path);
  const FileSettings& settings() const { return settings_; }

  QLineEdit* pathEdit() const { return pathEdit_; }
  QLineEdit* pageSizeEdit() const { return pageSizeEdit_; }
  QPushButton* browseButton() const { return browseButton_; }
  QRadioButton* version2() const { return version2_; }
  QRadioButton* version3() const { return version3_; }
  QRadioButton* utf8() const { return utf8_; }
  QRadioButton* utf16() const { return utf16_; }

 public slots:
  void accept() override;

 private:
  void Browse();
  void UncheckAll();

  OwnerFrame& frame_;
  FileSettings settings_;
  QLineEdit* pathEdit_ = nullptr;
  QLineEdit* pageSizeEdit_ = nullptr;
  QPushButton* browseButton_ = nullptr;
  QRadioButton* version2_ = nullptr;
  QRadioButton* version3_ = nullptr;
  QRadioButton* utf8_ = nullptr;
  QRadioButton* utf16_ = nullptr;
  QButtonGroup* versionGroup_ = nullptr;
  QButtonGroup* encodingGroup_ = nullptr;
};

}  // namespace salvoran::app

#endif  // SALVORAN_APP_FILE_SETTING_DLG_H_
