#include "app/ribbon_bar.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "app/svg_icon.h"

namespace salvoran::app {

RibbonBar::RibbonBar(const QString& category, QMenu* applicationMenu, QWidget* parent) : QFrame(parent) {
  setObjectName("RibbonBar");
  auto* outer = new QVBoxLayout(this);
  outer->setContentsMargins(4, 2, 4, 3);
  outer->setSpacing(0);

  auto* top = new QHBoxLayout;
  top->setSpacing(6);
  auto* applicationButton = new QToolButton(this);
  applicationButton->setObjectName("RibbonApplicationButton");
  applicationButton->setIcon(SvgIcon(":/icons/salvoran.svg"));
  applicationButton->setIconSize(QSize(24, 24));
  applicationButton->setToolTip("Application menu (Alt+F)");
  applicationButton->setPopupMode(QToolButton::InstantPopup);
  applicationButton->setMenu(applicationMenu);
  applicationButton->setShortcut(QKeySequence("Alt+F"));
  applicationButton->setStyleSheet("QToolButton::menu-indicator { image: none; }");
  top->addWidget(applicationButton);
  auto* categoryLabel = new QLabel(category, this);
  categoryLabel->setObjectName("RibbonCategory");
  top->addWidget(categoryLabel, 0, Qt::AlignBottom);
  top->addStretch(1);
  outer->addLayout(top);

  panels_ = new QWidget(this);
  auto* row = new QHBoxLayout(panels_);
  row->setContentsMargins(0, 0, 0, 0);
  row->setSpacing(4);
  row->addStretch(1);
  outer->addWidget(panels_);
}

void RibbonBar::AddPanel(const QString& title, const QList<QAction*>& actions) {
  auto* panel = new QFrame(panels_);
  panel->setObjectName("RibbonPanel");
  auto* column = new QVBoxLayout(panel);
  column->setContentsMargins(4, 3, 4, 1);
  column->setSpacing(1);
  auto* buttons = new QHBoxLayout;
  buttons->setSpacing(2);
  for (QAction* action : actions) {
    auto* button = new QToolButton(panel);
    button->setDefaultAction(action);
    button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    button->setIconSize(QSize(32, 32));
    button->setMinimumWidth(56);
    button->setAutoRaise(true);
    buttons->addWidget(button);
    buttons_.append(button);
  }
  column->addLayout(buttons);
  auto* caption = new QLabel(title, panel);
  caption->setObjectName("RibbonPanelTitle");
  caption->setAlignment(Qt::AlignHCenter);
  column->addWidget(caption);
  auto* row = static_cast<QHBoxLayout*>(panels_->layout());
  row->insertWidget(row->count() - 1, panel);
}

QToolButton* RibbonBar::ButtonFor(QAction* action) const {
  for (QToolButton* button : buttons_) {
    if (button->defaultAction() == action) return button;
  }
  return nullptr;
}

}  // namespace salvoran::app
