// "Select Saving Mode": where and in which format the checked objects are
// saved. The SQLite target writes an SQLite 3 database at the chosen folder
// and file name (by default "Repaired_" and the input's name, beside the
// input). The Access target and the SQLite 2 option are shown but not yet
// available; the dialog says so rather than accepting them.
#ifndef SALVORAN_APP_SAVING_MODE_DLG_H_
#define SALVORAN_APP_SAVING_MODE_DLG_H_

#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "recovery/owner_frame.h"

namespace salvoran::app {

inline constexpr const char* kMsgAccessNotAvailable =
    "Saving in an Access (MDB) database is not available yet. Please choose \"Save in Sqlite\".";
inline constexpr const char* kMsgNoFileName = "Please enter the file name of the recovered database.";
inline constexpr const char* kMsgOutputIsInput =
    "The recovered database cannot replace the file being recovered. Please choose another file name.";

class CSavingModeDlg : public QDialog {
  Q_OBJECT

 public:
  // inputPath: the file under recovery, which the output may never be.
  CSavingModeDlg(OwnerFrame& frame, const QString& inputPath, QWidget* parent = nullptr);

  // The full path of the output, folder and file name joined.
  QString OutputPath() const;

  QRadioButton* sqliteRadio() const { return sqlite_; }
  QRadioButton* mdbRadio() const { return mdb_; }
  QCheckBox* version2() const { return version2_; }
  QLineEdit* folderEdit() const { return folder_; }
  QLineEdit* fileNameEdit() const { return fileName_; }
  QLabel* noteLabel() const { return note_; }

 public slots:
  void accept() override;

 private:
  void ChooseFolder();
  void ShowTargetNote();

  OwnerFrame& frame_;
  QString inputPath_;
  QRadioButton* sqlite_ = nullptr;
  QRadioButton* mdb_ = nullptr;
  QCheckBox* version2_ = nullptr;
  QLineEdit* folder_ = nullptr;
  QLineEdit* fileName_ = nullptr;
  QLabel* note_ = nullptr;
};

}  // namespace salvoran::app

#endif  // SALVORAN_APP_SAVING_MODE_DLG_H_
