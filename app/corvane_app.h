// CCorvaneTarnwellApp: start-up of the desktop program. It refuses a second
// running copy ("Another instance of application is already running"),
// creates the main frame and runs the event loop.
#ifndef SALVORAN_APP_CORVANE_APP_H_
#define SALVORAN_APP_CORVANE_APP_H_

#include <QApplication>
#include <memory>

#include "app/main_frame.h"
#include "app/single_instance.h"

namespace salvoran::app {

inline constexpr const char* kMsgAnotherInstance = "Another instance of application is already running";

class CCorvaneTarnwellApp {
 public:
  CCorvaneTarnwellApp(int& argc, char** argv);
  // The process's exit code.
  int Run();

 private:
  QApplication application_;
  SingleInstanceLock instanceLock_;
  std::unique_ptr<CMainFrame> frame_;
};

}  // namespace salvoran::app

#endif  // SALVORAN_APP_CORVANE_APP_H_
