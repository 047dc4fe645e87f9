// The ribbon at the top of the main window: an application button with the
// look menu, one category "Salvoran", and its panels of large buttons.
//
// The bar only lays out buttons for actions the frame owns; the frame keeps
// their enabled state.
#ifndef SALVORAN_APP_RIBBON_BAR_H_
#define SALVORAN_APP_RIBBON_BAR_H_

#include <QAction>
#include <QFrame>
#include <QList>
#include <QMenu>
#include <QString>
#include <QToolButton>

namespace salvoran::app {

class RibbonBar : public QFrame {
  Q_OBJECT

 public:
  RibbonBar(const QString& category, QMenu* applicationMenu, QWidget* parent = nullptr);

  // A panel of large buttons, added right of the existing ones.
  void AddPanel(const QString& title, const QList<QAction*>& actions);
  QToolButton* ButtonFor(QAction* action) const;

 private:
  QWidget* panels_ = nullptr;
  QList<QToolButton*> buttons_;
};

}  // namespace salvoran::app

#endif  // SALVORAN_APP_RIBBON_BAR_H_
