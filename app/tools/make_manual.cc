// Typesets the user manual: reads an HTML file and writes it as a PDF with
// Qt's text layout. Run at build time: make_manual manual.html manual.pdf
#include <QFile>
#include <QGuiApplication>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QTextDocument>
#include <cstdio>

int main(int argc, char** argv) {
  QGuiApplication application(argc, argv);
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s manual.html manual.pdf\n", argv[0]);
    return 2;
  }
  QFile source(QString::fromLocal8Bit(argv[1]));
  if (!source.open(QIODevice::ReadOnly)) {
    std::fprintf(stderr, "cannot read %s\n", argv[1]);
    return 1;
  }
  QTextDocument document;
  document.setHtml(QString::fromUtf8(source.readAll()));

  QPdfWriter writer(QString::fromLocal8Bit(argv[2]));
  writer.setTitle("CorvaneTools Salvoran v1.0 - User Manual");
  writer.setCreator("CorvaneTools Salvoran");
  writer.setPageSize(QPageSize(QPageSize::A4));
  writer.setPageMargins(QMarginsF(20, 18, 20, 18), QPageLayout::Millimeter);
  writer.setResolution(300);
  // QTextDocument::print paginates and writes every page.
  document.setPageSize(QSizeF(writer.width(), writer.height()));
  QFont font("DejaVu Sans");
  font.setPointSizeF(10.5);
  document.setDefaultFont(font);
  document.print(&writer);
  return QFile::exists(QString::fromLocal8Bit(argv[2])) ? 0 : 1;
}
