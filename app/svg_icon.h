// Icons from our own SVG files.
//
// The program's icons are small SVG drawings in app/icons/, built into the
// program as resources. This Qt has no SVG module, so a small painter of
// ours draws the subset the icons use: <svg viewBox>, <g>, <rect> (with rx),
// <circle>, <ellipse>, <line>, <polyline>, <polygon> and <path> with the
// M, L, H, V, Q and Z commands (absolute and relative), each with fill,
// stroke, stroke-width, opacity and stroke-linecap/linejoin. Anything else
// is skipped. Nesting is bounded.
#ifndef SALVORAN_APP_SVG_ICON_H_
#define SALVORAN_APP_SVG_ICON_H_

#include <QIcon>
#include <QImage>
#include <QString>

namespace salvoran::app {

// The drawing of the SVG file at path (a resource path such as
// ":/icons/open.svg") scaled to size x size; a transparent image when the
// file cannot be read.
QImage RenderSvg(const QString& path, int size);

// An icon with the drawing at 16, 24, 32 and 48 pixels.
QIcon SvgIcon(const QString& path);

}  // namespace salvoran::app

#endif  // SALVORAN_APP_SVG_ICON_H_
