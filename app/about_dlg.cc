#include "app/about_dlg.h"

#include <QDesktopServices>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

#include "app/svg_icon.h"
#include "recovery/owner_frame.h"

namespace salvoran::app {

namespace {

QFont AboutFont() {
  QFont font("Arial");
  font.setPixelSize(15);
  font.setWeight(QFont::DemiBold);  // 600
  return font;
}

}  // namespace

CCorvaneAboutDlg::CCorvaneAboutDlg(QWidget* parent) : QDialog(parent) {
  setWindowTitle(kAppTitle);
  auto* icon = new QLabel(this);
  icon->setPixmap(SvgIcon(":/icons/salvoran.svg").pixmap(64, 64));
  auto* title = new QLabel(kAppTitle, this);
  title->setFont(AboutFont());
  auto* notice = new QLabel("Salvages tables, indexes, views and triggers from damaged SQLite databases.", this);
  notice->setFont(AboutFont());
  notice->setWordWrap(true);

  auto* links = new QHBoxLayout;
  struct Link {
    const char* text;
    const char* tip;
    const char* url;
  };
  for (const Link& link : {Link{"Website", "Company website", kMakerWebsite},
                           Link{"Support", "Support email address", kSupportMail},
                           Link{"Sales", "Sales email address", kSalesMail}}) {
    auto* button = new QToolButton(this);
    button->setText(link.text);
    button->setToolTip(link.tip);
    button->setAutoRaise(true);
    button->setStyleSheet("QToolButton { color: palette(link); text-decoration: underline; }");
    QString url = link.url;
    connect(button, &QToolButton::clicked, this, [url] { QDesktopServices::openUrl(QUrl(url)); });
    links->addWidget(button);
  }
  links->addStretch(1);
  ok_ = new QPushButton("OK", this);
  ok_->setAutoDefault(false);
  connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
  links->addWidget(ok_);

  auto* text = new QVBoxLayout;
  text->addWidget(title);
  text->addWidget(notice);
  auto* top = new QHBoxLayout;
  top->addWidget(icon, 0, Qt::AlignTop);
  top->addLayout(text, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addLayout(links);
  setMinimumWidth(420);
}

void CCorvaneAboutDlg::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
      event->accept();
      return;
    default:
      QDialog::keyPressEvent(event);
  }
}

void CCorvaneAboutDlg::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) dragOffset_ = event->globalPosition().toPoint() - frameGeometry().topLeft();
  QDialog::mousePressEvent(event);
}

void CCorvaneAboutDlg::mouseMoveEvent(QMouseEvent* event) {
  if (event->buttons() & Qt::LeftButton) move(event->globalPosition().toPoint() - dragOffset_);
  QDialog::mouseMoveEvent(event);
}

}  // namespace salvoran::app
