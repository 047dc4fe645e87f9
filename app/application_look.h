// The nine application looks and the stored choice.
//
// A look is a colour scheme for the whole program (window, ribbon, panes);
// ids 210 to 218 name them as the look menu does. The chosen id is kept as
// the integer "ApplicationLook" in the settings of "CorvaneToolsSalvoranv1";
// 215 (Office 2007, blue) when nothing is stored.
#ifndef SALVORAN_APP_APPLICATION_LOOK_H_
#define SALVORAN_APP_APPLICATION_LOOK_H_

#include <QColor>
#include <QPalette>
#include <QString>
#include <vector>

namespace salvoran::app {

inline constexpr const char* kSettingsKey = "CorvaneToolsSalvoranv1";
inline constexpr const char* kLookSetting = "ApplicationLook";
inline constexpr int kDefaultLook = 215;

struct ApplicationLook {
  int id = kDefaultLook;
  QString name;
  QColor window;        // frame and dialogs
  QColor base;          // tree, grid and text backgrounds
  QColor text;
  QColor highlight;
  QColor ribbonTop;     // the ribbon's gradient
  QColor ribbonBottom;
  QColor ribbonText;
  QColor panelBorder;
};

const std::vector<ApplicationLook>& ApplicationLooks();
// The look of id; an unknown id gives the blue Office 2007 look.
const ApplicationLook& LookFor(int id);
QPalette PaletteFor(const ApplicationLook& look);
// The ribbon's style sheet in this look.
QString RibbonStyleSheet(const ApplicationLook& look);

int StoredLook();
void StoreLook(int id);

}  // namespace salvoran::app

#endif  // SALVORAN_APP_APPLICATION_LOOK_H_
