#include "app/corvane_app.h"

#include <QMessageBox>

#include "app/application_look.h"
#include "app/svg_icon.h"

namespace salvoran::app {

CCorvaneTarnwellApp::CCorvaneTarnwellApp(int& argc, char** argv) : application_(argc, argv) {
  QApplication::setOrganizationName(kSettingsKey);
  QApplication::setApplicationName(kAppTitle);
  QApplication::setDesktopFileName("salvoran");
  QApplication::setWindowIcon(SvgIcon(":/icons/salvoran.svg"));
}

int CCorvaneTarnwellApp::Run() {
  if (!instanceLock_.TryAcquire()) {
    QMessageBox box(QMessageBox::Information, kAppTitle, kMsgAnotherInstance, QMessageBox::Ok);
    box.exec();
    return 0;
  }
  frame_ = std::make_unique<CMainFrame>();
  frame_->show();
  return QApplication::exec();
}

}  // namespace salvoran::app
