// Draws the pictures of the command-file wizard and of the installer, simple
// drawings of our own, and writes them where the two programs' resource files
// expect them:
//
//   draw-pictures <folder> [contact sheet.png]
//
// writes into <folder>/wizard/pictures/ the six pictures of the wizard's
// windows (120 x 240 baseline JPEGs, one per window class) and the nine
// 16 x 16 row images of its command list (row0.png ... row8.png, transparent),
// and into <folder>/setup/pictures/ the suite's icon (olven.png, 128 x 128,
// transparent) and the installer's picture (setup.jpg, 120 x 240). Run with
// the source root as <folder> it redraws the committed files in place. The
// resource files (pictures.qrc) next to them are kept by hand.
//
// Every written file is read back and checked: the format it reads as and its
// size. With a second argument the files as read back are laid out on one
// sheet (the row images and the icon also enlarged, over a checkerboard that
// shows their transparency), for looking at them all at once.
//
// Needs no display: without QT_QPA_PLATFORM set it runs on the offscreen
// platform. The only font used is DejaVu Sans. Exit status 1 on any failure.

#include <QByteArray>
#include <QColor>
#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPointF>
#include <QPolygonF>
#include <QRectF>
#include <QString>
#include <QTransform>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <numbers>
#include <vector>

namespace {

// A calm palette: slate ink, blue and teal for the drawings, green for what
// is right, a muted red for what is wrong, warm tones for boxes and folders.
const QColor kInk(0x2e, 0x3f, 0x50);
const QColor kBlue(0x3e, 0x7c, 0xb1);
const QColor kBlueLight(0xcf, 0xe1, 0xef);
const QColor kTeal(0x3a, 0x93, 0x87);
const QColor kGreen(0x45, 0x94, 0x4a);
const QColor kRed(0xc0, 0x50, 0x4a);
const QColor kOrange(0xd9, 0x8a, 0x3a);
const QColor kGold(0xc9, 0x9a, 0x2e);
const QColor kGoldDark(0x8c, 0x67, 0x1a);
const QColor kPaper(0xff, 0xff, 0xff);
const QColor kPaperEdge(0x8e, 0xa0, 0xb0);
const QColor kFold(0xdc, 0xe4, 0xeb);
const QColor kLine(0xb4, 0xc2, 0xce);
const QColor kBackTop(0xd4, 0xe3, 0xed);
const QColor kBackBottom(0xf6, 0xf9, 0xfb);
const QColor kMap(0xb3, 0xc8, 0xd6);

constexpr int kPanelW = 120;
constexpr int kPanelH = 240;
constexpr int kRow = 16;
constexpr int kIcon = 128;
constexpr double kPi = std::numbers::pi;

QFont dejaVu(int pixelSize, bool bold) {
  QFont f(QStringLiteral("DejaVu Sans"));
  f.setPixelSize(pixelSize);
  f.setBold(bold);
  f.setStyleStrategy(QFont::PreferAntialias);
  f.setHintingPreference(QFont::PreferFullHinting);
  return f;
}

QPen roundPen(const QColor& c, qreal width) {
  return QPen(c, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

void antialias(QPainter& p) {
  p.setRenderHint(QPainter::Antialiasing);
  p.setRenderHint(QPainter::TextAntialiasing);
  p.setRenderHint(QPainter::SmoothPixmapTransform);
}

// ---- shapes shared by the pictures ----------------------------------------

// A sheet of paper with its top right corner folded down.
QPainterPath sheetOutline(const QRectF& r, qreal fold) {
  QPainterPath path;
  path.moveTo(r.left(), r.top());
  path.lineTo(r.right() - fold, r.top());
  path.lineTo(r.right(), r.top() + fold);
  path.lineTo(r.right(), r.bottom());
  path.lineTo(r.left(), r.bottom());
  path.closeSubpath();
  return path;
}

void drawSheet(QPainter& p, const QRectF& r, qreal fold, qreal edgeWidth = 1.0,
               bool shadow = true) {
  p.save();
  if (shadow) {
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x20, 0x30, 0x40, 36));
    p.drawPath(sheetOutline(r.translated(2, 2), fold));
  }
  p.setPen(QPen(kPaperEdge, edgeWidth, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
  p.setBrush(kPaper);
  p.drawPath(sheetOutline(r, fold));
  QPainterPath corner;
  corner.moveTo(r.right() - fold, r.top());
  corner.lineTo(r.right() - fold, r.top() + fold);
  corner.lineTo(r.right(), r.top() + fold);
  corner.closeSubpath();
  p.setBrush(kFold);
  p.drawPath(corner);
  p.restore();
}

// Grey bars standing for lines of text, of varied lengths.
void drawTextBars(QPainter& p, qreal left, qreal top, qreal width, int count, qreal step,
                  qreal thickness, const QColor& color = kLine) {
  static const double kLengths[] = {1.0, 0.82, 0.93, 0.64, 0.88, 0.74, 0.96, 0.58};
  p.save();
  p.setPen(Qt::NoPen);
  p.setBrush(color);
  for (int i = 0; i < count; ++i) {
    const qreal w = width * kLengths[i % 8];
    p.drawRoundedRect(QRectF(left, top + i * step, w, thickness), thickness / 2, thickness / 2);
  }
  p.restore();
}

void drawTick(QPainter& p, QPointF c, qreal size, const QColor& color, qreal width) {
  QPainterPath path;
  path.moveTo(c + QPointF(-0.5 * size, 0.0));
  path.lineTo(c + QPointF(-0.15 * size, 0.35 * size));
  path.lineTo(c + QPointF(0.5 * size, -0.38 * size));
  p.save();
  p.setPen(roundPen(color, width));
  p.setBrush(Qt::NoBrush);
  p.drawPath(path);
  p.restore();
}

void drawCross(QPainter& p, QPointF c, qreal size, const QColor& color, qreal width) {
  const qreal h = size / 2;
  p.save();
  p.setPen(roundPen(color, width));
  p.drawLine(c + QPointF(-h, -h), c + QPointF(h, h));
  p.drawLine(c + QPointF(-h, h), c + QPointF(h, -h));
  p.restore();
}

// A filled arrow head with its tip at tip, pointing along dir (any length).
void drawArrowHead(QPainter& p, QPointF tip, QPointF dir, qreal length, qreal halfWidth,
                   const QColor& color) {
  const qreal n = std::hypot(dir.x(), dir.y());
  const QPointF u(dir.x() / n, dir.y() / n);
  const QPointF side(-u.y(), u.x());
  const QPointF base = tip - u * length;
  QPolygonF head;
  head << tip << base + side * halfWidth << base - side * halfWidth;
  p.save();
  p.setPen(QPen(color, 1.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.setBrush(color);
  p.drawPolygon(head);
  p.restore();
}

// A straight arrow from a to b; the shaft stops inside the head so that its
// round cap does not poke out past the tip.
void drawArrow(QPainter& p, QPointF a, QPointF b, qreal width, qreal headLength,
               qreal headHalfWidth, const QColor& color) {
  const QPointF d = b - a;
  const qreal n = std::hypot(d.x(), d.y());
  const QPointF u(d.x() / n, d.y() / n);
  p.save();
  p.setPen(QPen(color, width, Qt::SolidLine, Qt::FlatCap, Qt::RoundJoin));
  p.drawLine(a, b - u * (headLength * 0.8));
  p.restore();
  drawArrowHead(p, b, d, headLength, headHalfWidth, color);
}

// A toothed wheel with a hole in its middle.
void drawGear(QPainter& p, QPointF c, qreal outer, qreal root, qreal hole, int teeth,
              const QColor& fill, const QColor& edge, qreal rotation) {
  QPolygonF rim;
  const qreal step = 2 * kPi / teeth;
  for (int i = 0; i < teeth; ++i) {
    const qreal a = rotation + i * step;
    // Root to tip and back, the tip a little narrower than the gap.
    const qreal angles[] = {a - 0.30 * step, a - 0.18 * step, a + 0.18 * step, a + 0.30 * step};
    const qreal radii[] = {root, outer, outer, root};
    for (int k = 0; k < 4; ++k)
      rim << c + QPointF(std::cos(angles[k]) * radii[k], std::sin(angles[k]) * radii[k]);
    // The root between this tooth and the next follows the circle.
    for (int k = 1; k <= 3; ++k) {
      const qreal b = a + 0.30 * step + k * 0.4 * step / 4;
      rim << c + QPointF(std::cos(b) * root, std::sin(b) * root);
    }
  }
  QPainterPath path;
  path.addPolygon(rim);
  path.closeSubpath();
  path.addEllipse(c, hole, hole);
  path.setFillRule(Qt::OddEvenFill);
  p.save();
  p.setPen(QPen(edge, 1.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.setBrush(fill);
  p.drawPath(path);
  p.restore();
}

void drawCheckBox(QPainter& p, const QRectF& r, bool checked, qreal edgeWidth = 1.5) {
  p.save();
  p.setPen(QPen(kBlue, edgeWidth));
  p.setBrush(kPaper);
  p.drawRoundedRect(r, r.width() * 0.18, r.width() * 0.18);
  p.restore();
  if (checked) drawTick(p, r.center(), r.width() * 0.62, kGreen, r.width() * 0.16);
}

void drawMagnifier(QPainter& p, QPointF c, qreal r) {
  p.save();
  const QPointF handleFrom = c + QPointF(r * 0.72, r * 0.72);
  const QPointF handleTo = c + QPointF(r * 1.75, r * 1.75);
  p.setPen(roundPen(kInk, r * 0.42));
  p.drawLine(handleFrom, handleTo);
  p.setPen(QPen(kInk, r * 0.22));
  p.setBrush(QColor(0xcf, 0xe1, 0xef, 150));
  p.drawEllipse(c, r, r);
  // A glint on the glass.
  p.setPen(roundPen(QColor(255, 255, 255, 200), r * 0.14));
  p.setBrush(Qt::NoBrush);
  p.drawArc(QRectF(c.x() - r * 0.62, c.y() - r * 0.62, r * 1.24, r * 1.24), 100 * 16, 60 * 16);
  p.restore();
}

void drawFolder(QPainter& p, const QRectF& r) {
  const QColor back(0xe0, 0xb0, 0x48);
  const QColor front(0xf2, 0xc9, 0x68);
  const QColor edge(0xa8, 0x7a, 0x22);
  p.save();
  p.setPen(QPen(edge, 1.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  // The back with its tab.
  const qreal tabW = r.width() * 0.38;
  const qreal tabH = r.height() * 0.14;
  QPainterPath backPath;
  backPath.moveTo(r.left(), r.top() + tabH);
  backPath.lineTo(r.left() + 3, r.top());
  backPath.lineTo(r.left() + tabW - 4, r.top());
  backPath.lineTo(r.left() + tabW + 2, r.top() + tabH);
  backPath.lineTo(r.right(), r.top() + tabH);
  backPath.lineTo(r.right(), r.bottom());
  backPath.lineTo(r.left(), r.bottom());
  backPath.closeSubpath();
  p.setBrush(back);
  p.drawPath(backPath);
  // The front, leaning a little forward.
  QPainterPath frontPath;
  const qreal frontTop = r.top() + tabH + r.height() * 0.2;
  frontPath.moveTo(r.left() + 5, frontTop);
  frontPath.lineTo(r.right() + 3, frontTop);
  frontPath.lineTo(r.right(), r.bottom());
  frontPath.lineTo(r.left(), r.bottom());
  frontPath.closeSubpath();
  p.setBrush(front);
  p.drawPath(frontPath);
  p.restore();
}

// A closed cardboard box in an isometric view, its top taped.
void drawPackage(QPainter& p, QPointF top, qreal halfWidth, qreal slope, qreal height) {
  const QPointF T = top;
  const QPointF R = top + QPointF(halfWidth, slope);
  const QPointF B = top + QPointF(0, 2 * slope);
  const QPointF L = top + QPointF(-halfWidth, slope);
  const QPointF down(0, height);
  const QColor edge(0x7e, 0x56, 0x2a);
  p.save();
  p.setPen(QPen(edge, 1.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.setBrush(QColor(0xc9, 0x95, 0x5a));
  p.drawPolygon(QPolygonF() << L << B << B + down << L + down);
  p.setBrush(QColor(0xb3, 0x7f, 0x46));
  p.drawPolygon(QPolygonF() << B << R << R + down << B + down);
  p.setBrush(QColor(0xe6, 0xc2, 0x8c));
  p.drawPolygon(QPolygonF() << T << R << B << L);
  // The tape runs across the top from the left edge to the right edge and
  // a little way down the front right face.
  const QPointF tapeFrom = (L + T) / 2;
  const QPointF tapeTo = (B + R) / 2;
  p.setPen(QPen(QColor(0xf3, 0xe3, 0xc4), halfWidth * 0.2, Qt::SolidLine, Qt::FlatCap));
  p.drawLine(tapeFrom, tapeTo);
  p.drawLine(tapeTo, tapeTo + QPointF(0, height * 0.35));
  p.restore();
}

// ---- the wizard's pictures ------------------------------------------------

// The common ground of the 120 x 240 pictures: a soft gradient and, at the
// foot, the faint outline of a few parcels with their boundary points.
QImage newPanel() {
  QImage img(kPanelW, kPanelH, QImage::Format_RGB32);
  QPainter p(&img);
  antialias(p);
  QLinearGradient g(0, 0, 0, kPanelH);
  g.setColorAt(0, kBackTop);
  g.setColorAt(1, kBackBottom);
  p.fillRect(img.rect(), g);

  const QPointF road[] = {{-2, 214}, {26, 209}, {61, 213}, {97, 207}, {122, 210}};
  const QPointF walls[][2] = {{{26, 209}, {20, 242}},
                              {{61, 213}, {67, 242}},
                              {{97, 207}, {92, 242}},
                              {{43, 211}, {47, 196}},
                              {{80, 210}, {76, 194}}};
  p.setPen(QPen(kMap, 1.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.drawPolyline(road, 5);
  for (const auto& w : walls) p.drawLine(w[0], w[1]);
  p.drawLine(QPointF(47, 196), QPointF(76, 194));
  p.setBrush(kBackBottom);
  for (const QPointF& pt :
       {QPointF(26, 209), QPointF(61, 213), QPointF(97, 207), QPointF(47, 196), QPointF(76, 194)})
    p.drawEllipse(pt, 2.2, 2.2);
  return img;
}

// The main window: the list of commands, each row with its image.
QImage drawForm1() {
  QImage img = newPanel();
  QPainter p(&img);
  antialias(p);
  const QRectF sheet(18.5, 42.5, 82, 128);
  drawSheet(p, sheet, 14);
  // A header band, then rows with a small coloured mark and a text bar.
  p.setPen(Qt::NoPen);
  p.setBrush(kBlue);
  p.drawRoundedRect(QRectF(25, 50, 52, 8), 2, 2);
  const QColor marks[] = {kBlue, kTeal, kGreen, kGold, kOrange, kRed};
  for (int i = 0; i < 6; ++i) {
    const qreal y = 68 + i * 16;
    p.setPen(Qt::NoPen);
    p.setBrush(marks[i]);
    p.drawRoundedRect(QRectF(25, y, 9, 9), 2, 2);
    drawTextBars(p, 39, y + 3, 54 - (i % 3) * 8, 1, 0, 3.5);
    if (i < 5) {
      p.setPen(QPen(kFold, 1));
      p.drawLine(QPointF(25, y + 12.5), QPointF(93, y + 12.5));
    }
  }
  return img;
}

// Choosing the function: two meshing gears over a short list of choices,
// one of them ticked.
QImage drawSetFunc() {
  QImage img = newPanel();
  QPainter p(&img);
  antialias(p);
  drawGear(p, QPointF(50, 72), 29, 22, 8, 10, kBlue, kInk, 0.0);
  drawGear(p, QPointF(86, 104), 18, 13, 5, 8, kTeal, kInk, kPi / 8);
  // The list of choices on a small card.
  const QRectF card(20.5, 132.5, 79, 52);
  p.setPen(QPen(kPaperEdge, 1));
  p.setBrush(kPaper);
  p.drawRoundedRect(card, 4, 4);
  for (int i = 0; i < 3; ++i) {
    const qreal y = 140 + i * 14;
    const QRectF box(27.5, y + 0.5, 9, 9);
    if (i == 1) {
      p.setPen(Qt::NoPen);
      p.setBrush(kBlueLight);
      p.drawRoundedRect(QRectF(23, y - 2.5, 74, 14), 3, 3);
    }
    p.setPen(QPen(kBlue, 1.3));
    p.setBrush(kPaper);
    p.drawEllipse(box);
    if (i == 1) {
      p.setPen(Qt::NoPen);
      p.setBrush(kBlue);
      p.drawEllipse(box.center(), 2.4, 2.4);
    }
    drawTextBars(p, 42, y + 3.5, 48 - i * 7, 1, 0, 3, i == 1 ? kBlue : kLine);
  }
  return img;
}

// Input data files: a stack of sheets, fanned out a little.
QImage drawSetInFiles() {
  QImage img = newPanel();
  QPainter p(&img);
  antialias(p);
  const qreal angles[] = {-12, -4, 5};
  const QPointF offsets[] = {{-8, 6}, {-1, 0}, {6, -5}};
  for (int i = 0; i < 3; ++i) {
    p.save();
    p.translate(QPointF(60, 110) + offsets[i]);
    p.rotate(angles[i]);
    const QRectF r(-32, -44, 64, 88);
    drawSheet(p, r, 13, 1.2);
    drawTextBars(p, r.left() + 8, r.top() + 20, 44, 7, 9, 3.2);
    // The front sheet carries a coloured tag: these are the data files.
    if (i == 2) {
      p.setPen(Qt::NoPen);
      p.setBrush(kTeal);
      p.drawRoundedRect(QRectF(r.left() + 8, r.top() + 8, 22, 7), 2, 2);
    }
    p.restore();
  }
  // A badge saying "add": files go into the list.
  p.setPen(QPen(kPaper, 2));
  p.setBrush(kGreen);
  p.drawEllipse(QPointF(88, 158), 12, 12);
  p.setPen(roundPen(kPaper, 3));
  p.drawLine(QPointF(88, 151.5), QPointF(88, 164.5));
  p.drawLine(QPointF(81.5, 158), QPointF(94.5, 158));
  return img;
}

// The output file: two files whose arrows join and lead into one.
QImage drawSetFileName() {
  QImage img = newPanel();
  QPainter p(&img);
  antialias(p);
  drawSheet(p, QRectF(12.5, 34.5, 38, 48), 9);
  drawTextBars(p, 18, 48, 24, 4, 7, 2.6);
  drawSheet(p, QRectF(68.5, 34.5, 38, 48), 9);
  drawTextBars(p, 74, 48, 24, 4, 7, 2.6);

  // The two ways meet below the files and go on down as one.
  const QPointF join(60, 116);
  p.setPen(QPen(kBlue, 4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.setBrush(Qt::NoBrush);
  QPainterPath left;
  left.moveTo(31, 88);
  left.cubicTo(31, 106, 60, 100, join.x(), join.y());
  QPainterPath right;
  right.moveTo(88, 88);
  right.cubicTo(88, 106, 60, 100, join.x(), join.y());
  p.drawPath(left);
  p.drawPath(right);
  drawArrow(p, join, QPointF(60, 136), 4, 10, 7, kBlue);

  // The one file that comes out, larger, with a coloured band.
  const QRectF out(33.5, 140.5, 53, 56);
  drawSheet(p, out, 11);
  p.setPen(Qt::NoPen);
  p.setBrush(kOrange);
  p.drawRoundedRect(QRectF(out.left() + 6, out.top() + 8, 26, 6), 2, 2);
  drawTextBars(p, out.left() + 6, out.top() + 21, 40, 4, 7.5, 2.8);
  return img;
}

// The report: a sheet of findings, ticked or crossed, under a magnifier.
QImage drawSetRaport() {
  QImage img = newPanel();
  QPainter p(&img);
  antialias(p);
  const QRectF sheet(16.5, 38.5, 76, 112);
  drawSheet(p, sheet, 14);
  p.setPen(Qt::NoPen);
  p.setBrush(kInk);
  p.drawRoundedRect(QRectF(24, 47, 40, 5), 2, 2);
  const bool good[] = {true, true, false, true, false, true};
  for (int i = 0; i < 6; ++i) {
    const QPointF mark(29, 66 + i * 13);
    if (good[i])
      drawTick(p, mark, 8, kGreen, 2.2);
    else
      drawCross(p, mark, 6, kRed, 2.2);
    drawTextBars(p, 37, mark.y() - 1.5, 46 - (i % 3) * 7, 1, 0, 3.2);
  }
  drawMagnifier(p, QPointF(80, 134), 17);
  return img;
}

// Extra options: a card of check boxes, some ticked.
QImage drawSetOptions() {
  QImage img = newPanel();
  QPainter p(&img);
  antialias(p);
  const QRectF card(16.5, 44.5, 87, 126);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0x20, 0x30, 0x40, 36));
  p.drawRoundedRect(card.translated(2, 2), 5, 5);
  p.setPen(QPen(kPaperEdge, 1));
  p.setBrush(kPaper);
  p.drawRoundedRect(card, 5, 5);
  p.setPen(Qt::NoPen);
  p.setBrush(kBlue);
  p.drawRoundedRect(QRectF(24, 53, 44, 6), 2, 2);
  const bool checked[] = {true, false, true, true, false};
  for (int i = 0; i < 5; ++i) {
    const qreal y = 70.5 + i * 19;
    drawCheckBox(p, QRectF(25.5, y, 13, 13), checked[i]);
    drawTextBars(p, 45, y + 5, 50 - (i % 2) * 12, 1, 0, 3.4);
  }
  return img;
}

// ---- the command list's row images (16 x 16, transparent) ----------------

QImage newRow() {
  QImage img(kRow, kRow, QImage::Format_ARGB32_Premultiplied);
  img.fill(Qt::transparent);
  return img;
}

void rowSheet(QPainter& p, const QRectF& r) {
  p.save();
  p.setPen(QPen(kInk, 1, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
  p.setBrush(kPaper);
  p.drawPath(sheetOutline(r, 3.5));
  p.restore();
}

void rowBars(QPainter& p, qreal left, const std::vector<std::pair<qreal, qreal>>& rows) {
  p.save();
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0x8e, 0xa0, 0xb0));
  for (const auto& [y, w] : rows) p.drawRect(QRectF(left, y, w, 1));
  p.restore();
}

// 0: syntax check, the letters "ABC" ticked.
QImage drawRowSyntax() {
  QImage img = newRow();
  QPainter p(&img);
  antialias(p);
  // The letters as outlines, narrowed a little so that all three fit the
  // width at a height that still reads.
  QPainterPath letters;
  letters.addText(0, 0, dejaVu(8, true), QStringLiteral("ABC"));
  const QRectF box = letters.boundingRect();
  QTransform fit;
  fit.translate(8, 7);
  fit.scale(15.0 / box.width(), 1.0);
  fit.translate(-box.center().x(), 0);
  // A thin stroke round the outlines keeps the stems from fading to grey.
  p.setPen(QPen(kInk, 0.45, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.setBrush(kInk);
  p.drawPath(fit.map(letters));
  drawTick(p, QPointF(8.5, 12), 8.5, kGreen, 2);
  return img;
}

// 1: semantic check, objects bound by their relations.
QImage drawRowSemantic() {
  QImage img = newRow();
  QPainter p(&img);
  antialias(p);
  const QPointF a(4, 4), b(12.5, 5), c(7.5, 12.5);
  p.setPen(QPen(kInk, 1.3));
  p.drawLine(a, b);
  p.drawLine(a, c);
  p.drawLine(b, c);
  p.setPen(QPen(kInk, 1));
  p.setBrush(kBlue);
  p.drawRect(QRectF(1.5, 1.5, 5, 5));
  p.setBrush(kTeal);
  p.drawEllipse(b, 3, 3);
  p.setBrush(kGold);
  p.drawRect(QRectF(5, 10, 5, 5));
  return img;
}

// 2: verification, a shield with a tick.
QImage drawRowVerify() {
  QImage img = newRow();
  QPainter p(&img);
  antialias(p);
  QPainterPath shield;
  shield.moveTo(8, 1);
  shield.cubicTo(10.5, 2.5, 12.5, 3, 14.5, 3);
  shield.cubicTo(14.5, 9, 12.5, 12.5, 8, 15);
  shield.cubicTo(3.5, 12.5, 1.5, 9, 1.5, 3);
  shield.cubicTo(3.5, 3, 5.5, 2.5, 8, 1);
  p.setPen(QPen(kInk, 1, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.setBrush(kBlue);
  p.drawPath(shield);
  drawTick(p, QPointF(8, 7.5), 7, kPaper, 1.8);
  return img;
}

// 3: authorization, a key.
QImage drawRowAuthorize() {
  QImage img = newRow();
  QPainter p(&img);
  antialias(p);
  // Lying flat, on whole pixels so that it stays sharp: the shaft and its
  // two teeth, then the bow, a ring with a hole.
  QPainterPath bit;
  bit.addRect(QRectF(7.5, 6.5, 8, 3));
  bit.addRect(QRectF(9.5, 9.5, 2, 3));
  bit.addRect(QRectF(13.5, 9.5, 2, 2));
  p.setPen(QPen(kGoldDark, 1, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
  p.setBrush(kGold);
  p.drawPath(bit.simplified());
  QPainterPath bow;
  bow.addEllipse(QPointF(5, 8), 4.5, 4.5);
  bow.addEllipse(QPointF(4, 8), 1.5, 1.5);
  bow.setFillRule(Qt::OddEvenFill);
  p.drawPath(bow);
  return img;
}

// 4: merge, two arrows joining into one.
QImage drawRowMerge() {
  QImage img = newRow();
  QPainter p(&img);
  antialias(p);
  // Straight strokes at 45 degrees and along the pixel rows stay sharper
  // than curves at this size.
  QPainterPath ways;
  ways.moveTo(1.5, 2);
  ways.lineTo(7.5, 8);
  ways.lineTo(1.5, 14);
  ways.moveTo(7.5, 8);
  ways.lineTo(10, 8);
  p.setBrush(Qt::NoBrush);
  // A light rim first, so that the arrows stay visible on a selected row.
  p.setPen(QPen(QColor(255, 255, 255, 190), 4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.drawPath(ways);
  drawArrowHead(p, QPointF(15.9, 8), QPointF(1, 0), 7.4, 5, QColor(255, 255, 255, 190));
  p.setPen(QPen(kBlue, 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.drawPath(ways);
  drawArrowHead(p, QPointF(15.5, 8), QPointF(1, 0), 6, 4, kBlue);
  return img;
}

// A sheet with an arrow across its edge: into it for an input file, out of it
// for an output file.
QImage drawRowFile(bool input) {
  QImage img = newRow();
  QPainter p(&img);
  antialias(p);
  const QRectF sheet = input ? QRectF(5.5, 0.5, 10, 15) : QRectF(0.5, 0.5, 10, 15);
  rowSheet(p, sheet);
  rowBars(p, sheet.left() + 1.5, {{3, 4}, {12, 5}});
  const QColor color = input ? kGreen : kOrange;
  const QPointF from = input ? QPointF(0.5, 8) : QPointF(5, 8);
  const QPointF to = input ? QPointF(11, 8) : QPointF(15.8, 8);
  // A light rim keeps the arrow readable where it crosses the sheet's edge.
  p.setPen(QPen(kPaper, 4.4, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(from, to - QPointF(3, 0));
  drawArrowHead(p, to + QPointF(0.6, 0), QPointF(1, 0), 6.6, 4.2, kPaper);
  drawArrow(p, from, to, 2, 5, 3.5, color);
  return img;
}

// 7: a report file, findings ticked and crossed.
QImage drawRowReport() {
  QImage img = newRow();
  QPainter p(&img);
  antialias(p);
  rowSheet(p, QRectF(2.5, 0.5, 11, 15));
  p.setPen(Qt::NoPen);
  const QColor marks[] = {kGreen, kRed, kGreen};
  for (int i = 0; i < 3; ++i) {
    const qreal y = 4 + i * 4;
    p.setBrush(marks[i]);
    p.drawRect(QRectF(4, y, 2, 2));
    p.setBrush(kLine);
    p.drawRect(QRectF(7, y, i == 1 ? 3 : 5, 2));
  }
  return img;
}

// 8: options, a small ticked check box.
QImage drawRowOptions() {
  QImage img = newRow();
  QPainter p(&img);
  antialias(p);
  drawCheckBox(p, QRectF(3, 3, 10, 10), true, 2);
  return img;
}

// ---- the installer's pictures --------------------------------------------

// The suite's icon: a parcel's outline with its boundary points, and a tick.
QImage drawIcon() {
  QImage img(kIcon, kIcon, QImage::Format_ARGB32_Premultiplied);
  img.fill(Qt::transparent);
  QPainter p(&img);
  antialias(p);
  const QPointF corners[] = {{14, 36}, {66, 12}, {112, 30}, {104, 86}, {50, 110}, {12, 80}};
  QPolygonF parcel;
  for (const QPointF& c : corners) parcel << c;
  p.setPen(QPen(QColor(0x35, 0x6e, 0x36), 6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.setBrush(QColor(0xd8, 0xec, 0xcf));
  p.drawPolygon(parcel);
  // A neighbour's boundary meeting this one, lighter.
  p.setPen(QPen(QColor(0x6f, 0x9e, 0x6c), 3, Qt::DashLine, Qt::FlatCap));
  p.drawLine(QPointF(66, 12), QPointF(58, 64));
  p.drawLine(QPointF(58, 64), QPointF(12, 80));
  p.setPen(QPen(QColor(0x35, 0x6e, 0x36), 3));
  p.setBrush(kPaper);
  for (const QPointF& c : corners) p.drawEllipse(c, 6, 6);
  p.drawEllipse(QPointF(58, 64), 5, 5);
  // The tick on a round badge.
  const QPointF badge(94, 94);
  p.setPen(QPen(kPaper, 5));
  p.setBrush(kBlue);
  p.drawEllipse(badge, 28, 28);
  drawTick(p, badge + QPointF(0, 1), 30, kPaper, 7);
  return img;
}

// The installer's picture: a package whose contents go down into a folder.
QImage drawSetup() {
  QImage img = newPanel();
  QPainter p(&img);
  antialias(p);
  drawPackage(p, QPointF(60, 36), 36, 18, 40);
  drawArrow(p, QPointF(60, 122), QPointF(60, 154), 7, 16, 12, kBlue);
  drawFolder(p, QRectF(22, 150, 76, 48));
  return img;
}

// ---- writing and checking -------------------------------------------------

struct Picture {
  const char* folder;  // under the output folder
  const char* name;
  std::function<QImage()> draw;
};

bool isJpeg(const char* name) {
  return QByteArray(name).endsWith(".jpg");
}

bool writePicture(const QString& path, const QImage& img, bool jpeg) {
  QImageWriter writer(path, jpeg ? "jpeg" : "png");
  if (jpeg) {
    writer.setQuality(90);
    writer.setProgressiveScanWrite(false);
    writer.setOptimizedWrite(false);
  }
  if (!writer.write(jpeg ? img.convertToFormat(QImage::Format_RGB32)
                         : img.convertToFormat(QImage::Format_ARGB32))) {
    std::fprintf(stderr, "draw-pictures: cannot write %s: %s\n", qPrintable(path),
                 qPrintable(writer.errorString()));
    return false;
  }
  return true;
}

// Reads a written file back: it must read in the format it was written in
// and at the size it was drawn at.
bool readBack(const QString& path, bool jpeg, QSize size, QImage& out) {
  QImageReader reader(path);
  const QByteArray want = jpeg ? "jpeg" : "png";
  if (reader.format() != want) {
    std::fprintf(stderr, "draw-pictures: %s reads as \"%s\", not %s\n", qPrintable(path),
                 reader.format().constData(), want.constData());
    return false;
  }
  out = reader.read();
  if (out.isNull() || out.size() != size) {
    std::fprintf(stderr, "draw-pictures: %s does not read back at %dx%d: %s\n", qPrintable(path),
                 size.width(), size.height(), qPrintable(reader.errorString()));
    return false;
  }
  return true;
}

void drawChecker(QPainter& p, const QRectF& r) {
  p.save();
  p.setClipRect(r);
  p.setPen(Qt::NoPen);
  const int cell = 4;
  for (int y = 0; y * cell < r.height(); ++y)
    for (int x = 0; x * cell < r.width(); ++x) {
      p.setBrush((x + y) % 2 ? QColor(0xcc, 0xcc, 0xcc) : QColor(0xf4, 0xf4, 0xf4));
      p.drawRect(QRectF(r.left() + x * cell, r.top() + y * cell, cell, cell));
    }
  p.restore();
}

// One sheet with everything: the seven 120 x 240 pictures at their size; the
// icon at its size and at a quarter; the row images at their size (as in the
// list, on white) and enlarged six times, over a checkerboard.
bool writeContactSheet(const QString& path, const std::vector<QImage>& panels, const QImage& icon,
                       const std::vector<QImage>& rows) {
  const int gap = 12;
  const int zoom = 6;
  const int width = gap + std::max(static_cast<int>(panels.size()) * (kPanelW + gap),
                                   static_cast<int>(rows.size()) * (kRow * zoom + gap));
  const int height = gap + kPanelH + gap + kIcon + gap + kRow * zoom + gap + 3 * kRow + gap;
  QImage sheet(width, height, QImage::Format_RGB32);
  sheet.fill(QColor(0x88, 0x92, 0x9c));
  QPainter p(&sheet);
  for (std::size_t i = 0; i < panels.size(); ++i)
    p.drawImage(gap + static_cast<int>(i) * (kPanelW + gap), gap, panels[i]);

  int y = gap + kPanelH + gap;
  drawChecker(p, QRectF(gap, y, kIcon, kIcon));
  p.drawImage(gap, y, icon);
  p.fillRect(QRect(gap + kIcon + gap, y, 32, 32), Qt::white);
  p.setRenderHint(QPainter::SmoothPixmapTransform);
  p.drawImage(QRect(gap + kIcon + gap, y, 32, 32), icon);
  p.setRenderHint(QPainter::SmoothPixmapTransform, false);

  y += kIcon + gap;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const int x = gap + static_cast<int>(i) * (kRow * zoom + gap);
    drawChecker(p, QRectF(x, y, kRow * zoom, kRow * zoom));
    p.drawImage(QRect(x, y, kRow * zoom, kRow * zoom), rows[i]);
    // At its size, on the white of a list and on the grey of a selected row.
    p.fillRect(QRect(x, y + kRow * zoom + gap, 3 * kRow, 3 * kRow), Qt::white);
    p.drawImage(x + 4, y + kRow * zoom + gap + 4, rows[i]);
    p.fillRect(QRect(x + 4, y + kRow * zoom + gap + 4 + kRow + 4, kRow + 24, kRow),
               QColor(0x33, 0x77, 0xcc));
    p.drawImage(x + 4, y + kRow * zoom + gap + 4 + kRow + 4, rows[i]);
  }
  p.end();
  return writePicture(path, sheet, false);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    std::fprintf(stderr, "usage: draw-pictures <folder> [contact sheet.png]\n");
    return 1;
  }
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);

  const std::vector<Picture> pictures = {
      {"wizard/pictures", "TForm1.jpg", drawForm1},
      {"wizard/pictures", "TwizSetFunc.jpg", drawSetFunc},
      {"wizard/pictures", "TwizSetInFiles.jpg", drawSetInFiles},
      {"wizard/pictures", "TwizSetFileName.jpg", drawSetFileName},
      {"wizard/pictures", "TwizSetRaport.jpg", drawSetRaport},
      {"wizard/pictures", "TwizSetOptions.jpg", drawSetOptions},
      {"wizard/pictures", "row0.png", drawRowSyntax},
      {"wizard/pictures", "row1.png", drawRowSemantic},
      {"wizard/pictures", "row2.png", drawRowVerify},
      {"wizard/pictures", "row3.png", drawRowAuthorize},
      {"wizard/pictures", "row4.png", drawRowMerge},
      {"wizard/pictures", "row5.png", [] { return drawRowFile(true); }},
      {"wizard/pictures", "row6.png", [] { return drawRowFile(false); }},
      {"wizard/pictures", "row7.png", drawRowReport},
      {"wizard/pictures", "row8.png", drawRowOptions},
      {"setup/pictures", "olven.png", drawIcon},
      {"setup/pictures", "setup.jpg", drawSetup},
  };

  const QDir root(QString::fromLocal8Bit(argv[1]));
  std::vector<QImage> panels, rows;
  QImage icon;
  for (const Picture& pic : pictures) {
    const QString folder = root.filePath(QString::fromLatin1(pic.folder));
    if (!QDir().mkpath(folder)) {
      std::fprintf(stderr, "draw-pictures: cannot create %s\n", qPrintable(folder));
      return 1;
    }
    const QString path = QDir(folder).filePath(QString::fromLatin1(pic.name));
    const bool jpeg = isJpeg(pic.name);
    const QImage img = pic.draw();
    QImage back;
    if (!writePicture(path, img, jpeg) || !readBack(path, jpeg, img.size(), back)) return 1;
    if (jpeg)
      panels.push_back(back);
    else if (img.width() == kRow)
      rows.push_back(back);
    else
      icon = back;
  }
  if (argc == 3 && !writeContactSheet(QString::fromLocal8Bit(argv[2]), panels, icon, rows))
    return 1;
  return 0;
}
