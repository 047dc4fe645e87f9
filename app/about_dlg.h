// CCorvaneAboutDlg: the About box. Enter and Escape do nothing; only OK
// closes it. Dragging anywhere on it moves it.
#ifndef SALVORAN_APP_ABOUT_DLG_H_
#define SALVORAN_APP_ABOUT_DLG_H_

#include <QDialog>
#include <QPoint>
#include <QPushButton>

namespace salvoran::app {

inline constexpr const char* kMakerWebsite = "https://www.corvanetools.example/";
inline constexpr const char* kSupportMail = "mailto:support@corvanetools.example";
inline constexpr const char* kSalesMail = "mailto:sales@corvanetools.example";

class CCorvaneAboutDlg : public QDialog {
  Q_OBJECT

 public:
  explicit CCorvaneAboutDlg(QWidget* parent = nullptr);
  QPushButton* okButton() const { return ok_; }

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;

 private:
  QPushButton* ok_ = nullptr;
  QPoint dragOffset_;
};

}  // namespace salvoran::app

#endif  // SALVORAN_APP_ABOUT_DLG_H_
