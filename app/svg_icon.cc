#include "app/svg_icon.h"

#include <QColor>
#include <QFile>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QRegularExpression>
#include <QXmlStreamReader>
#include <vector>

// The icons are compiled into this static library; make sure the linker
// keeps them and they are registered before the first use.
static void InitIconResources() { Q_INIT_RESOURCE(icons); }

namespace salvoran::app {

namespace {

constexpr int kMaxDepth = 16;

struct Style {
  QColor fill = Qt::black;
  QColor stroke = Qt::transparent;
  double strokeWidth = 1.0;
  double opacity = 1.0;
  Qt::PenCapStyle cap = Qt::FlatCap;
  Qt::PenJoinStyle join = Qt::MiterJoin;
};

QColor ParseColor(const QString& text) {
  if (text == "none") return Qt::transparent;
  return QColor(text);
}

Style Inherit(const Style& parent, const QXmlStreamAttributes& attributes) {
  Style style = parent;
  if (attributes.hasAttribute("fill")) style.fill = ParseColor(attributes.value("fill").toString());
  if (attributes.hasAttribute("stroke")) style.stroke = ParseColor(attributes.value("stroke").toString());
  if (attributes.hasAttribute("stroke-width")) style.strokeWidth = attributes.value("stroke-width").toDouble();
  if (attributes.hasAttribute("opacity")) style.opacity *= attributes.value("opacity").toDouble();
  QString cap = attributes.value("stroke-linecap").toString();
  if (cap == "round") style.cap = Qt::RoundCap;
  if (cap == "square") style.cap = Qt::SquareCap;
  QString join = attributes.value("stroke-linejoin").toString();
  if (join == "round") style.join = Qt::RoundJoin;
  if (join == "bevel") style.join = Qt::BevelJoin;
  return style;
}

std::vector<double> Numbers(const QString& text) {
  static const QRegularExpression number(R"([-+]?(?:\d+\.?\d*|\.\d+)(?:[eE][-+]?\d+)?)");
  std::vector<double> values;
  for (auto match = number.globalMatch(text); match.hasNext();) values.push_back(match.next().captured().toDouble());
  return values;
}

QPainterPath ParsePathData(const QString& data) {
  static const QRegularExpression command(R"(([MmLlHhVvQqZz])([^MmLlHhVvQqZz]*))");
  QPainterPath path;
  QPointF current;
  QPointF start;
  for (auto match = command.globalMatch(data); match.hasNext();) {
    auto part = match.next();
    QChar op = part.captured(1)[0];
    bool relative = op.isLower();
    std::vector<double> v = Numbers(part.captured(2));
    QPointF origin = relative ? current : QPointF();
    switch (op.toUpper().unicode()) {
      case 'M':
        for (size_t i = 0; i + 1 < v.size(); i += 2) {
          QPointF p = (relative ? current : QPointF()) + QPointF(v[i], v[i + 1]);
          if (i == 0) {
            path.moveTo(p);
            start = p;
          } else {
            path.lineTo(p);
          }
          current = p;
        }
        break;
      case 'L':
        for (size_t i = 0; i + 1 < v.size(); i += 2) {
          current = (relative ? current : QPointF()) + QPointF(v[i], v[i + 1]);
          path.lineTo(current);
        }
        break;
      case 'H':
        for (double x : v) {
          current.setX(relative ? current.x() + x : x);
          path.lineTo(current);
        }
        break;
      case 'V':
        for (double y : v) {
          current.setY(relative ? current.y() + y : y);
          path.lineTo(current);
        }
        break;
      case 'Q':
        for (size_t i = 0; i + 3 < v.size(); i += 4) {
          origin = relative ? current : QPointF();
          QPointF control = origin + QPointF(v[i], v[i + 1]);
          current = origin + QPointF(v[i + 2], v[i + 3]);
          path.quadTo(control, current);
        }
        break;
      case 'Z':
        path.closeSubpath();
        current = start;
        break;
      default:
        break;
    }
  }
  return path;
}

QPainterPath ShapeOf(QStringView name, const QXmlStreamAttributes& a, bool* closed) {
  auto n = [&](const char* key) { return a.value(key).toDouble(); };
  QPainterPath path;
  *closed = true;
  if (name == u"rect") {
    double rx = a.hasAttribute("rx") ? n("rx") : 0.0;
    path.addRoundedRect(QRectF(n("x"), n("y"), n("width"), n("height")), rx, rx);
  } else if (name == u"circle") {
    path.addEllipse(QPointF(n("cx"), n("cy")), n("r"), n("r"));
  } else if (name == u"ellipse") {
    path.addEllipse(QPointF(n("cx"), n("cy")), n("rx"), n("ry"));
  } else if (name == u"line") {
    path.moveTo(n("x1"), n("y1"));
    path.lineTo(n("x2"), n("y2"));
    *closed = false;
  } else if (name == u"polyline" || name == u"polygon") {
    std::vector<double> v = Numbers(a.value("points").toString());
    for (size_t i = 0; i + 1 < v.size(); i += 2) {
      if (i == 0) path.moveTo(v[i], v[i + 1]);
      else path.lineTo(v[i], v[i + 1]);
    }
    if (name == u"polygon") path.closeSubpath();
    else *closed = false;
  } else if (name == u"path") {
    path = ParsePathData(a.value("d").toString());
  }
  return path;
}

void Draw(QPainter& painter, const QPainterPath& path, const Style& style, bool closed) {
  painter.setOpacity(style.opacity);
  if (closed && style.fill.alpha() > 0) painter.fillPath(path, style.fill);
  if (style.stroke.alpha() > 0 && style.strokeWidth > 0) {
    QPen pen(style.stroke, style.strokeWidth, Qt::SolidLine, style.cap, style.join);
    painter.strokePath(path, pen);
  }
}

}  // namespace

QImage RenderSvg(const QString& path, int size) {
  static const bool registered = (InitIconResources(), true);
  (void)registered;
  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return image;
  QXmlStreamReader xml(&file);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  std::vector<Style> styles{Style()};
  while (!xml.atEnd()) {
    QXmlStreamReader::TokenType token = xml.readNext();
    if (token == QXmlStreamReader::EndElement) {
      if (styles.size() > 1) styles.pop_back();
      continue;
    }
    if (token != QXmlStreamReader::StartElement) continue;
    if (styles.size() > kMaxDepth) {
      xml.skipCurrentElement();
      continue;
    }
    QXmlStreamAttributes attributes = xml.attributes();
    Style style = Inherit(styles.back(), attributes);
    styles.push_back(style);
    QStringView name = xml.name();
    if (name == u"svg") {
      std::vector<double> box = Numbers(attributes.value("viewBox").toString());
      if (box.size() == 4 && box[2] > 0 && box[3] > 0) {
        painter.scale(size / box[2], size / box[3]);
        painter.translate(-box[0], -box[1]);
      }
      continue;
    }
    if (name == u"g") continue;
    bool closed = true;
    QPainterPath shape = ShapeOf(name, attributes, &closed);
    if (!shape.isEmpty()) Draw(painter, shape, style, closed);
  }
  return image;
}

QIcon SvgIcon(const QString& path) {
  QIcon icon;
  for (int size : {16, 24, 32, 48}) icon.addPixmap(QPixmap::fromImage(RenderSvg(path, size)));
  return icon;
}

}  // namespace salvoran::app
