#include "app/application_look.h"

#include <QSettings>

#include "recovery/owner_frame.h"

namespace salvoran::app {

const std::vector<ApplicationLook>& ApplicationLooks() {
  // id, name, window, base, text, highlight, ribbon top, ribbon bottom, ribbon text, border
  static const std::vector<ApplicationLook> looks = {
      {210, "Windows 2000", "#d4d0c8", "#ffffff", "#000000", "#0a246a", "#d4d0c8", "#c0bcb4", "#000000", "#808080"},
      {211, "Office XP", "#f0eee8", "#ffffff", "#000000", "#316ac5", "#fcfcf9", "#e4e2da", "#000000", "#a0a0a0"},
      {212, "Windows XP", "#ece9d8", "#ffffff", "#000000", "#316ac5", "#fdfcf7", "#d9d5c3", "#000000", "#aca899"},
      {213, "Office 2003", "#dde9fb", "#ffffff", "#000000", "#3169c6", "#e3efff", "#9ebef5", "#0e2a5a", "#6591cd"},
      {214, "Visual Studio .NET 2005", "#eeede5", "#ffffff", "#000000", "#316ac5", "#fbfaf6", "#e2e0d4", "#000000", "#9c9a8c"},
      {215, "Office 2007 (Blue Style)", "#d6e4f5", "#ffffff", "#15428b", "#3d7bd0", "#e4effc", "#bcd4f0", "#15428b", "#8db2e3"},
      {216, "Office 2007 (Black Style)", "#535353", "#f4f4f4", "#000000", "#e8a23a", "#5c5c5c", "#2f2f2f", "#ffffff", "#202020"},
      {217, "Office 2007 (Silver Style)", "#e2e4ea", "#ffffff", "#3c3c3c", "#6b8ab8", "#f4f5f8", "#d0d4dd", "#3c3c3c", "#a5acb5"},
      {218, "Office 2007 (Aqua Style)", "#d3e1e4", "#ffffff", "#1d4352", "#3f93a8", "#e4f0f2", "#b4d2d8", "#1d4352", "#8bb3bc"},
  };
  return looks;
}

const ApplicationLook& LookFor(int id) {
  for (const ApplicationLook& look : ApplicationLooks()) {
    if (look.id == id) return look;
  }
  return LookFor(kDefaultLook);
}

QPalette PaletteFor(const ApplicationLook& look) {
  QPalette palette;
  const bool dark = look.window.lightness() < 128;
  QColor windowText = dark ? QColor("#f0f0f0") : look.text;
  palette.setColor(QPalette::Window, look.window);
  palette.setColor(QPalette::WindowText, windowText);
  palette.setColor(QPalette::Base, look.base);
  palette.setColor(QPalette::AlternateBase, look.base.darker(104));
  palette.setColor(QPalette::Text, QColor("#000000"));
  palette.setColor(QPalette::Button, dark ? look.window.lighter(130) : look.window.lighter(106));
  palette.setColor(QPalette::ButtonText, windowText);
  palette.setColor(QPalette::Highlight, look.highlight);
  palette.setColor(QPalette::HighlightedText, QColor("#ffffff"));
  palette.setColor(QPalette::ToolTipBase, QColor("#ffffe1"));
  palette.setColor(QPalette::ToolTipText, QColor("#000000"));
  palette.setColor(QPalette::Link, dark ? QColor("#9cc7ff") : QColor("#0645ad"));
  return palette;
}

QString RibbonStyleSheet(const ApplicationLook& look) {
  return QString(
             "#RibbonBar { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 %1, stop:1 %2);"
             " border-bottom: 1px solid %4; }"
             "#RibbonPanel { border: 1px solid %4; border-radius: 3px; background: rgba(255,255,255,40); }"
             "#RibbonPanelTitle, #RibbonCategory { color: %3; }"
             "#RibbonCategory { font-weight: bold; padding: 2px 12px; border: 1px solid %4;"
             " border-bottom: none; border-top-left-radius: 3px; border-top-right-radius: 3px;"
             " background: rgba(255,255,255,70); }"
             "#RibbonBar QToolButton { color: %3; border: 1px solid transparent; border-radius: 3px; padding: 2px; }"
             "#RibbonBar QToolButton:hover { border-color: #e8b64c; background: #fde9a8; color: #000; }"
             "#RibbonBar QToolButton:pressed { background: #f7c86a; }"
             "#RibbonBar QToolButton:disabled { color: gray; }")
      .arg(look.ribbonTop.name(), look.ribbonBottom.name(), look.ribbonText.name(), look.panelBorder.name());
}

int StoredLook() {
  QSettings settings(kSettingsKey, kAppTitle);
  return settings.value(kLookSetting, kDefaultLook).toInt();
}

void StoreLook(int id) {
  QSettings settings(kSettingsKey, kAppTitle);
  settings.setValue(kLookSetting, id);
  settings.sync();
}

}  // namespace salvoran::app
