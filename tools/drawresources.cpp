// drawresources — draws every picture of the QX736 program:
//   lcd/LCD0..24.png      large seven-segment glyphs (30 x 52)
//   lcd/LCDS0..24.png     small seven-segment glyphs (16 x 26)
//   panel/meter.jpg       the front of the meter (314 x 727)
//   panel/*.png           the LCD indicators shown over the meter's LCD
//   cursors/cross.png     the cross cursor of the graph annotations (32 x 32)
//
// Usage: drawresources <resources dir>
//
// Everything is drawn with QPainter from the geometry below; nothing is read from disk
// except the DejaVu fonts of the system.

#include <QDir>
#include <QFile>
#include <QFont>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QRadialGradient>
#include <QString>
#include <QTransform>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

// ---------------------------------------------------------------------------------------------
// Colours

// The LCD glass, a pale grey-green. Glyphs and indicators are drawn on exactly this colour so that
// they blend into the LCD window of the meter picture; it is one that a flat area of the JPEG
// picture decodes back to unchanged (checked after the picture is written).
const QColor kLcdBack(0xC8, 0xD1, 0xC0);
// Lit LCD segments and indicator marks.
const QColor kLcdInk(0x1E, 0x24, 0x22);

// Slant of the LCD digits: horizontal shift per pixel of height.
constexpr double kSlant = 0.09;

// ---------------------------------------------------------------------------------------------
// Fonts

QString g_sans = QStringLiteral("DejaVu Sans");
QString g_condensed = QStringLiteral("DejaVu Sans Condensed");

void loadFonts()
{
    const char* files[] = {
        "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf",
        "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf",
        "/usr/share/fonts/truetype/dejavu/DejaVuSansCondensed.ttf",
        "/usr/share/fonts/truetype/dejavu/DejaVuSansCondensed-Bold.ttf",
    };
    for (const char* f : files) {
        if (QFile::exists(QString::fromLatin1(f)))
            QFontDatabase::addApplicationFont(QString::fromLatin1(f));
        else
            std::fprintf(stderr, "drawresources: font %s not found, using a substitute\n", f);
    }
}

QFont makeFont(const QString& family, double pixelSize, bool bold)
{
    QFont f(family);
    f.setPixelSize(std::max(1, int(std::lround(pixelSize))));
    f.setBold(bold);
    f.setHintingPreference(QFont::PreferNoHinting);
    f.setStyleStrategy(QFont::PreferOutline);
    return f;
}

// Text as an outline whose capital letters are exactly capHeight pixels tall, with its baseline
// at y = 0 and its left edge at x = 0.
QPainterPath capText(const QString& text, const QString& family, double capHeight, bool bold,
                     double letterSpacing = 0.0)
{
    QFont f = makeFont(family, 100, bold);
    if (letterSpacing != 0.0)
        f.setLetterSpacing(QFont::AbsoluteSpacing, letterSpacing * 100.0 / capHeight);
    QPainterPath path;
    path.addText(0, 0, f, text);
    const double cap = QFontMetricsF(f).capHeight();
    const double s = capHeight / cap;
    QPainterPath scaled = QTransform::fromScale(s, s).map(path);
    const QRectF b = scaled.boundingRect();
    return scaled.translated(-b.left(), 0);
}

// Fills text into box: the capitals fill the box's height (baseline on its bottom edge), the
// width is stretched or squeezed (within limits) to fill the box's width, and the result is
// centred horizontally.
void fillCapText(QPainter& p, const QRectF& box, const QString& text, const QString& family,
                 bool bold, double minStretch = 0.70, double maxStretch = 1.15,
                 double letterSpacing = 0.0)
{
    QPainterPath path = capText(text, family, box.height(), bold, letterSpacing);
    const double w = path.boundingRect().width();
    double sx = box.width() / w;
    sx = std::clamp(sx, minStretch, maxStretch);
    const double x = box.left() + (box.width() - w * sx) / 2.0;
    QTransform t;
    t.translate(x, box.bottom());
    t.scale(sx, 1.0);
    p.fillPath(t.map(path), p.brush());
}

// ---------------------------------------------------------------------------------------------
// Polygon helpers

// Moves every edge of a convex polygon inwards by d.
QPolygonF insetConvex(const QPolygonF& poly, double d)
{
    const int n = poly.size();
    double area = 0;
    for (int i = 0; i < n; ++i) {
        const QPointF& a = poly[i];
        const QPointF& b = poly[(i + 1) % n];
        area += a.x() * b.y() - b.x() * a.y();
    }
    const double sign = area > 0 ? 1.0 : -1.0;
    struct Line { QPointF p; QPointF dir; };
    std::vector<Line> lines;
    for (int i = 0; i < n; ++i) {
        const QPointF a = poly[i];
        const QPointF b = poly[(i + 1) % n];
        QPointF dir = b - a;
        const double len = std::hypot(dir.x(), dir.y());
        dir /= len;
        // Inward normal for a polygon of the given orientation (y pointing down).
        const QPointF normal = QPointF(-dir.y(), dir.x()) * sign;
        lines.push_back({a + normal * d, dir});
    }
    QPolygonF out;
    for (int i = 0; i < n; ++i) {
        const Line& l1 = lines[(i + n - 1) % n];
        const Line& l2 = lines[i];
        const double det = l1.dir.x() * (-l2.dir.y()) - l1.dir.y() * (-l2.dir.x());
        if (std::abs(det) < 1e-9) {
            out << l2.p;
            continue;
        }
        const QPointF diff = l2.p - l1.p;
        const double t = (diff.x() * (-l2.dir.y()) - diff.y() * (-l2.dir.x())) / det;
        out << l1.p + l1.dir * t;
    }
    return out;
}

QTransform slantAbout(double baseY, double slant)
{
    // x' = x + slant * (baseY - y): the bottom stays, the top leans to the right.
    return QTransform(1, 0, -slant, 1, slant * baseY, 0);
}

// ---------------------------------------------------------------------------------------------
// Seven-segment glyphs

enum Segment { SegA = 1, SegB = 2, SegC = 4, SegD = 8, SegE = 16, SegF = 32, SegG = 64 };

// Segments of the glyph images 0..24. Only the digits, the middle bar (17) and the letter L (18)
// are drawn; every other image is blank.
int glyphSegments(int index)
{
    switch (index) {
    case 0: return SegA | SegB | SegC | SegD | SegE | SegF;
    case 1: return SegB | SegC;
    case 2: return SegA | SegB | SegD | SegE | SegG;
    case 3: return SegA | SegB | SegC | SegD | SegG;
    case 4: return SegB | SegC | SegF | SegG;
    case 5: return SegA | SegC | SegD | SegF | SegG;
    case 6: return SegA | SegC | SegD | SegE | SegF | SegG;
    case 7: return SegA | SegB | SegC | SegF;
    case 8: return SegA | SegB | SegC | SegD | SegE | SegF | SegG;
    case 9: return SegA | SegB | SegC | SegD | SegF | SegG;
    case 17: return SegG;
    case 18: return SegD | SegE | SegF;
    default: return 0;
    }
}

// The segment outlines of an upright digit in box, strokes t thick, gap apart, then slanted.
std::vector<QPolygonF> segmentOutlines(const QRectF& box, double t, double gap, int segments)
{
    const double L = box.left(), R = box.right(), T = box.top(), B = box.bottom();
    const double M = (T + B) / 2.0, h = t / 2.0;
    std::vector<QPolygonF> out;
    auto add = [&](int bit, const QPolygonF& poly) {
        if (segments & bit)
            out.push_back(insetConvex(poly, gap / 2.0));
    };
    add(SegA, QPolygonF({{L, T}, {R, T}, {R - t, T + t}, {L + t, T + t}}));
    add(SegB, QPolygonF({{R, T}, {R, M}, {R - t, M - t}, {R - t, T + t}}));
    add(SegC, QPolygonF({{R, M}, {R, B}, {R - t, B - t}, {R - t, M + t}}));
    add(SegD, QPolygonF({{L, B}, {L + t, B - t}, {R - t, B - t}, {R, B}}));
    add(SegE, QPolygonF({{L, M}, {L + t, M + t}, {L + t, B - t}, {L, B}}));
    add(SegF, QPolygonF({{L, T}, {L + t, T + t}, {L + t, M - t}, {L, M}}));
    add(SegG, QPolygonF({{L, M}, {L + h, M - h}, {R - h, M - h}, {R, M}, {R - h, M + h},
                         {L + h, M + h}}));
    const QTransform slant = slantAbout(B, kSlant);
    for (QPolygonF& poly : out)
        poly = slant.map(poly);
    return out;
}

void fillLcdPolygons(QPainter& p, const std::vector<QPolygonF>& polys)
{
    p.setPen(Qt::NoPen);
    p.setBrush(kLcdInk);
    for (const QPolygonF& poly : polys)
        p.drawPolygon(poly);
}

QImage lcdCanvas(int w, int h)
{
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(kLcdBack);
    return img;
}

QImage drawGlyph(int index, bool large)
{
    QImage img = large ? lcdCanvas(30, 52) : lcdCanvas(16, 26);
    const int segments = glyphSegments(index);
    if (segments == 0)
        return img;
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    if (large)
        fillLcdPolygons(p, segmentOutlines(QRectF(2.0, 2.0, 23.0, 48.0), 5.4, 1.1, segments));
    else
        fillLcdPolygons(p, segmentOutlines(QRectF(1.2, 1.5, 11.6, 23.0), 2.9, 0.7, segments));
    return img;
}

// ---------------------------------------------------------------------------------------------
// LCD indicators

using Painter = std::function<void(QPainter&)>;

QImage indicator(int w, int h, const Painter& draw)
{
    QImage img = lcdCanvas(w, h);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(kLcdInk);
    draw(p);
    return img;
}

// Caption text: capitals 9 pixels tall with the top one pixel below the image's top edge.
QImage captionImage(int w, int h, const QString& text, double minStretch = 0.70)
{
    return indicator(w, h, [&](QPainter& p) {
        fillCapText(p, QRectF(1, 1, w - 2, 9), text, g_sans, true, minStretch, 1.12);
    });
}

// The font's J reaches below the baseline; the LCD's J sits on it like the other letters.
QImage letterJImage()
{
    return indicator(11, 11, [&](QPainter& p) {
        QPen pen(kLcdInk, 2.2, Qt::SolidLine, Qt::FlatCap, Qt::RoundJoin);
        p.setPen(pen);
        p.setBrush(Qt::NoBrush);
        QPainterPath j;
        j.moveTo(6.9, 1.0);
        j.lineTo(6.9, 6.4);
        j.cubicTo(6.9, 8.3, 6.0, 8.9, 4.6, 8.9);
        j.cubicTo(3.6, 8.9, 2.8, 8.6, 2.2, 8.0);
        p.drawPath(j);
    });
}

void drawDegreeRing(QPainter& p, QPointF centre, double r, double stroke)
{
    QPainterPath ring;
    ring.addEllipse(centre, r, r);
    ring.addEllipse(centre, r - stroke, r - stroke);
    ring.setFillRule(Qt::OddEvenFill);
    p.fillPath(ring, kLcdInk);
}

QImage degreeImage(int w, int h, const QString& letter)
{
    return indicator(w, h, [&](QPainter& p) {
        drawDegreeRing(p, QPointF(3.5, 3.5), 2.9, 1.5);
        fillCapText(p, QRectF(7, 1, w - 7.5, 12), letter, g_sans, true, 0.6, 1.2);
    });
}

QImage batteryImage(int level, int contentOffset)
{
    return indicator(29, 12, [&](QPainter& p) {
        // Drawn on whole pixels so its straight edges stay sharp.
        p.setRenderHint(QPainter::Antialiasing, false);
        p.translate(contentOffset, 0);
        // Body with a 2-pixel outline, terminal nub on the right, bars inside.
        QPainterPath body;
        body.addRect(QRectF(0, 1, 23, 10));
        body.addRect(QRectF(2, 3, 19, 6));
        body.setFillRule(Qt::OddEvenFill);
        p.fillPath(body, kLcdInk);
        p.drawRect(QRectF(23, 4, 2, 4));
        for (int i = 0; i < level; ++i)
            p.drawRect(QRectF(3 + i * 6, 4, 5, 4));
    });
}

QImage autoOffImage()
{
    return indicator(14, 14, [&](QPainter& p) {
        drawDegreeRing(p, QPointF(7, 7), 6.3, 1.5);
        QPen pen(kLcdInk, 1.5, Qt::SolidLine, Qt::RoundCap);
        p.setPen(pen);
        p.drawLine(QPointF(7, 7), QPointF(7, 3.0));
        p.drawLine(QPointF(7, 7), QPointF(10.0, 8.5));
    });
}

QImage alarmImage()
{
    return indicator(47, 12, [&](QPainter& p) {
        // Bell
        QPainterPath bell;
        bell.moveTo(0.5, 9.2);
        bell.cubicTo(2.1, 7.8, 1.9, 6.0, 2.1, 4.4);
        bell.cubicTo(2.4, 2.0, 3.8, 0.8, 5.3, 0.8);
        bell.cubicTo(6.8, 0.8, 8.2, 2.0, 8.5, 4.4);
        bell.cubicTo(8.7, 6.0, 8.5, 7.8, 10.1, 9.2);
        bell.closeSubpath();
        p.drawPath(bell);
        p.drawEllipse(QRectF(4.0, 9.0, 2.6, 2.6));
        fillCapText(p, QRectF(11.5, 1, 35, 9), QStringLiteral("ALARM"), g_sans, true, 0.6, 1.1);
    });
}

QImage minusImage()
{
    return indicator(16, 11, [&](QPainter& p) {
        // Like segment g of a digit: 5 pixels thick with bevelled ends.
        const double h = 2.5, bevel = 1.8;
        const double y = 5.5;
        QPolygonF bar({{0.8, y}, {0.8 + bevel, y - h}, {15.2 - bevel, y - h}, {15.2, y},
                       {15.2 - bevel, y + h}, {0.8 + bevel, y + h}});
        p.drawPolygon(slantAbout(y, kSlant).map(bar));
    });
}

QImage pointImage()
{
    return indicator(5, 7, [&](QPainter& p) {
        p.drawRoundedRect(QRectF(0.6, 2.6, 3.8, 3.8), 0.8, 0.8);
    });
}

QImage bluetoothImage()
{
    return indicator(19, 31, [&](QPainter& p) {
        QPen pen(kLcdInk, 2.2, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin);
        p.setPen(pen);
        p.setBrush(Qt::NoBrush);
        const double cx = 8.5, top = 3.5, bottom = 27.5;
        QPolygonF rune({{3.0, 9.5}, {15.0, 21.5}, {cx, bottom}, {cx, top}, {15.0, 9.5},
                        {3.0, 21.5}});
        p.drawPolyline(rune);
    });
}

QImage btLinkImage()
{
    return indicator(15, 31, [&](QPainter& p) {
        QPen pen(kLcdInk, 1.8, Qt::SolidLine, Qt::RoundCap);
        p.setPen(pen);
        p.setBrush(Qt::NoBrush);
        for (int i = 0; i < 3; ++i) {
            const double r = 3.0 + i * 3.8;
            p.drawArc(QRectF(1.0 - r, 15.5 - r, 2 * r, 2 * r), -50 * 16, 100 * 16);
        }
        p.setPen(Qt::NoPen);
        p.setBrush(kLcdInk);
        p.drawEllipse(QRectF(0.0, 14.0, 3.0, 3.0));
    });
}

// ---------------------------------------------------------------------------------------------
// The meter's front

constexpr int kMeterW = 314;
constexpr int kMeterH = 727;

// The LCD glass: every glyph and indicator falls inside it.
const QRectF kGlass(38, 84, 240, 304);

struct Key {
    QRectF hotSpot;  // where the program's hot spot lies
    QSizeF cap;      // size of the drawn key
    QString label;
    int symbol;      // 0 text, 1 power, 2 light
};

// A soft shadow: the shape filled several times, growing and fading.
void softShadow(QPainter& p, const QPainterPath& shape, QPointF offset, double spread, int alpha)
{
    const int steps = 6;
    p.save();
    p.setPen(Qt::NoPen);
    for (int i = steps; i >= 1; --i) {
        const double grow = spread * i / steps;
        QPainterPathStroker stroker;
        stroker.setWidth(grow * 2);
        stroker.setJoinStyle(Qt::RoundJoin);
        QPainterPath grown = stroker.createStroke(shape).united(shape);
        p.setBrush(QColor(0, 0, 0, alpha / steps));
        p.drawPath(grown.translated(offset));
    }
    p.restore();
}

void drawLabel(QPainter& p, const QRectF& box, const QString& text, double capHeight,
               const QColor& colour, bool bold = true, double letterSpacing = 0.0,
               const QString& family = QString())
{
    QPainterPath path = capText(text, family.isEmpty() ? g_sans : family, capHeight, bold,
                                letterSpacing);
    const QRectF b = path.boundingRect();
    const double x = box.left() + (box.width() - b.width()) / 2.0;
    const double y = box.top() + (box.height() + capHeight) / 2.0;
    p.fillPath(path.translated(x, y), colour);
}

void drawPowerSymbol(QPainter& p, QPointF c, double r, const QColor& colour)
{
    QPen pen(colour, 2.0, Qt::SolidLine, Qt::RoundCap);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(c.x() - r, c.y() - r, 2 * r, 2 * r), 125 * 16, 290 * 16);
    p.drawLine(QPointF(c.x(), c.y() - r - 1.5), QPointF(c.x(), c.y() - 0.5));
    p.setPen(Qt::NoPen);
}

void drawLightSymbol(QPainter& p, QPointF c, double r, const QColor& colour)
{
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawEllipse(c, r * 0.45, r * 0.45);
    QPen pen(colour, 1.6, Qt::SolidLine, Qt::RoundCap);
    p.setPen(pen);
    for (int i = 0; i < 8; ++i) {
        const double a = i * M_PI / 4.0;
        p.drawLine(c + QPointF(std::cos(a), std::sin(a)) * r * 0.72,
                   c + QPointF(std::cos(a), std::sin(a)) * r * 1.05);
    }
    p.setPen(Qt::NoPen);
}

void drawKey(QPainter& p, const Key& key)
{
    const QPointF c = key.hotSpot.center();
    const QRectF cap(c.x() - key.cap.width() / 2.0, c.y() - key.cap.height() / 2.0,
                     key.cap.width(), key.cap.height());
    const double radius = 7.0;

    // The opening in the face plate the key stands in.
    QPainterPath well;
    well.addRoundedRect(cap.adjusted(-3, -3, 3, 3), radius + 3, radius + 3);
    QLinearGradient wellGrad(cap.topLeft(), cap.bottomLeft());
    wellGrad.setColorAt(0.0, QColor(0x15, 0x16, 0x18));
    wellGrad.setColorAt(1.0, QColor(0x2c, 0x2f, 0x33));
    p.fillPath(well, wellGrad);

    QPainterPath body;
    body.addRoundedRect(cap, radius, radius);
    softShadow(p, body, QPointF(0, 2.0), 2.5, 150);

    // Rubber cap: a lighter top face over a darker skirt.
    QLinearGradient skirt(cap.topLeft(), cap.bottomLeft());
    skirt.setColorAt(0.0, QColor(0x4a, 0x4e, 0x55));
    skirt.setColorAt(1.0, QColor(0x22, 0x24, 0x28));
    p.fillPath(body, skirt);

    const QRectF face = cap.adjusted(2.0, 1.5, -2.0, -3.5);
    QPainterPath top;
    top.addRoundedRect(face, radius - 2, radius - 2);
    QLinearGradient faceGrad(face.topLeft(), face.bottomLeft());
    faceGrad.setColorAt(0.0, QColor(0x5c, 0x61, 0x69));
    faceGrad.setColorAt(0.55, QColor(0x48, 0x4c, 0x53));
    faceGrad.setColorAt(1.0, QColor(0x3d, 0x41, 0x47));
    p.fillPath(top, faceGrad);
    // Sheen from the light above.
    QRadialGradient sheen(QPointF(face.center().x(), face.top()), face.width() * 0.7);
    sheen.setColorAt(0.0, QColor(255, 255, 255, 40));
    sheen.setColorAt(1.0, QColor(255, 255, 255, 0));
    p.fillPath(top, sheen);
    p.setPen(QPen(QColor(255, 255, 255, 45), 0.8));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(face.adjusted(0.4, 0.4, -0.4, -0.4), radius - 2.4, radius - 2.4);
    p.setPen(QPen(QColor(0x10, 0x11, 0x13), 1.0));
    p.drawPath(body);
    p.setPen(Qt::NoPen);

    const QColor ink(0xEE, 0xEE, 0xEA);
    if (key.symbol == 1) {
        drawPowerSymbol(p, face.center() + QPointF(0, 0.5), 6.5, QColor(0xF2, 0x6A, 0x2A));
    } else if (key.symbol == 2) {
        drawLightSymbol(p, face.center() + QPointF(0, 0.2), 7.5, QColor(0xF5, 0xD0, 0x4A));
    } else {
        const QStringList lines = key.label.split(QLatin1Char('\n'));
        const double capH = 7.2;
        const double lineGap = 3.6;
        const double total = lines.size() * capH + (lines.size() - 1) * lineGap;
        double y = face.center().y() - total / 2.0;
        for (const QString& line : lines) {
            QPainterPath path = capText(line, g_condensed, capH, true, 0.4);
            double w = path.boundingRect().width();
            const double maxW = face.width() - 4.0;
            double sx = w > maxW ? maxW / w : 1.0;
            QTransform t;
            t.translate(face.center().x() - w * sx / 2.0, y + capH);
            t.scale(sx, 1.0);
            p.fillPath(t.map(path), ink);
            y += capH + lineGap;
        }
    }
}

void drawSocket(QPainter& p, const QRectF& r, const QString& name)
{
    // Opening in the top end of the housing.
    QPainterPath hole;
    hole.addRoundedRect(r.adjusted(-2, -2, 2, 2), 3, 3);
    p.fillPath(hole, QColor(0x0e, 0x0f, 0x10));
    // Yellow socket face of a miniature thermocouple connector.
    QPainterPath face;
    face.addRoundedRect(r, 2, 2);
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0.0, QColor(0xF6, 0xD5, 0x3C));
    g.setColorAt(0.5, QColor(0xE8, 0xBE, 0x22));
    g.setColorAt(1.0, QColor(0xB8, 0x90, 0x10));
    p.fillPath(face, g);
    p.setPen(QPen(QColor(255, 255, 255, 90), 0.8));
    p.drawLine(QPointF(r.left() + 2, r.top() + 0.6), QPointF(r.right() - 2, r.top() + 0.6));
    p.setPen(Qt::NoPen);
    // Two flat contact slots, the negative one wider.
    const double cy = r.center().y();
    p.setBrush(QColor(0x2a, 0x20, 0x08));
    p.drawRoundedRect(QRectF(r.left() + 6, cy - 1.6, 9, 3.2), 1, 1);
    p.drawRoundedRect(QRectF(r.right() - 17, cy - 1.9, 11, 3.8), 1, 1);
    // Polarity marks and channel name moulded below.
    drawLabel(p, QRectF(r.left(), r.bottom() + 4, r.width(), 8), name, 7, QColor(0xE6, 0xE6, 0xE2));
    const QColor mark(0x9a, 0x9e, 0xa4);
    const double my = r.bottom() + 8.0;
    const double px = r.left() + 10.5, mx = r.right() - 11.5;
    p.setPen(QPen(mark, 1.3, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(QPointF(px - 2.5, my), QPointF(px + 2.5, my));
    p.drawLine(QPointF(px, my - 2.5), QPointF(px, my + 2.5));
    p.drawLine(QPointF(mx - 2.5, my), QPointF(mx + 2.5, my));
    p.setPen(Qt::NoPen);
}

QImage drawMeter()
{
    QImage img(kMeterW, kMeterH, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);

    const QColor accent(0xE8, 0x74, 0x1C);

    // --- Housing (rubber holster) ---
    const QRectF housingRect(3.5, 1.5, 307, 709);
    QPainterPath housing;
    housing.addRoundedRect(housingRect, 30, 30);
    softShadow(p, housing, QPointF(0, 1.5), 2.5, 70);
    {
        QLinearGradient g(housingRect.topLeft(), housingRect.topRight());
        g.setColorAt(0.0, QColor(0x18, 0x19, 0x1b));
        g.setColorAt(0.08, QColor(0x2e, 0x30, 0x34));
        g.setColorAt(0.5, QColor(0x36, 0x39, 0x3d));
        g.setColorAt(0.92, QColor(0x2a, 0x2c, 0x30));
        g.setColorAt(1.0, QColor(0x15, 0x16, 0x18));
        p.fillPath(housing, g);
        // Edge highlight from the light at the upper left.
        p.setPen(QPen(QColor(255, 255, 255, 38), 1.2));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(housingRect.adjusted(1.2, 1.2, -1.2, -1.2), 29, 29);
        p.setPen(Qt::NoPen);
    }

    // --- Thermocouple sockets along the top end ---
    {
        const QRectF ledge(18, 4, 278, 30);
        QPainterPath lp;
        lp.addRoundedRect(ledge, 10, 10);
        QLinearGradient g(ledge.topLeft(), ledge.bottomLeft());
        g.setColorAt(0.0, QColor(0x42, 0x45, 0x4a));
        g.setColorAt(1.0, QColor(0x26, 0x28, 0x2b));
        p.fillPath(lp, g);
        const double w = 52, gap = (ledge.width() - 4 * w) / 5.0;
        for (int i = 0; i < 4; ++i) {
            const QRectF r(ledge.left() + gap + i * (w + gap), 7.5, w, 13);
            drawSocket(p, r, QStringLiteral("T%1").arg(i + 1));
        }
    }

    // --- Accent band and face plate ---
    const QRectF plateRect(13.5, 40.5, 287, 658);
    {
        QPainterPath band;
        band.addRoundedRect(plateRect.adjusted(-3.5, -3.5, 3.5, 3.5), 21.5, 21.5);
        QLinearGradient g(plateRect.topLeft(), plateRect.bottomLeft());
        g.setColorAt(0.0, accent.lighter(112));
        g.setColorAt(1.0, accent.darker(118));
        p.fillPath(band, g);

        QPainterPath plate;
        plate.addRoundedRect(plateRect, 18, 18);
        QLinearGradient pg(plateRect.topLeft(), plateRect.bottomRight());
        pg.setColorAt(0.0, QColor(0x46, 0x4a, 0x50));
        pg.setColorAt(0.45, QColor(0x3a, 0x3e, 0x44));
        pg.setColorAt(1.0, QColor(0x2d, 0x30, 0x35));
        p.fillPath(plate, pg);
        p.setPen(QPen(QColor(0, 0, 0, 120), 1.0));
        p.setBrush(Qt::NoBrush);
        p.drawPath(plate);
        p.setPen(QPen(QColor(255, 255, 255, 30), 1.0));
        p.drawRoundedRect(plateRect.adjusted(1, 1, -1, -1), 17, 17);
        p.setPen(Qt::NoPen);
    }

    // --- Brand line ---
    {
        QPainterPath brand = capText(QStringLiteral("QX736"), g_sans, 14, true, 0.8);
        p.fillPath(brand.translated(40, 64), QColor(0xF4, 0xF4, 0xF0));
        QPainterPath sub = capText(QStringLiteral("4 CHANNEL THERMOMETER"), g_condensed, 6.5,
                                   true, 0.5);
        const double w = sub.boundingRect().width();
        p.fillPath(sub.translated(276 - w, 64), accent.lighter(115));
    }

    // --- LCD window ---
    {
        const QRectF bezel = kGlass.adjusted(-10, -10, 10, 10);
        QPainterPath bz;
        bz.addRoundedRect(bezel, 10, 10);
        softShadow(p, bz, QPointF(0, 1), 2, 90);
        QLinearGradient g(bezel.topLeft(), bezel.bottomLeft());
        g.setColorAt(0.0, QColor(0x0c, 0x0d, 0x0e));
        g.setColorAt(0.5, QColor(0x18, 0x1a, 0x1c));
        g.setColorAt(1.0, QColor(0x10, 0x11, 0x12));
        p.fillPath(bz, g);
        // Glossy lens reflection over the upper part of the frame.
        QPainterPath gloss;
        gloss.addRoundedRect(bezel.adjusted(1.5, 1.5, -1.5, -bezel.height() * 0.55), 9, 9);
        QLinearGradient gg(bezel.topLeft(), QPointF(bezel.left(), bezel.top() + bezel.height() * 0.45));
        gg.setColorAt(0.0, QColor(255, 255, 255, 34));
        gg.setColorAt(1.0, QColor(255, 255, 255, 0));
        p.fillPath(gloss, gg);
        p.setPen(QPen(QColor(255, 255, 255, 40), 1.0));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(bezel.adjusted(0.5, 0.5, -0.5, -0.5), 10, 10);
        p.setPen(Qt::NoPen);

        // The glass itself, flat in the LCD background colour.
        p.setRenderHint(QPainter::Antialiasing, false);
        p.fillRect(kGlass, kLcdBack);
        // A thin inner shadow along its edges, outside every indicator.
        for (int i = 0; i < 4; ++i) {
            const int a = 70 - i * 18;
            p.setPen(QColor(0, 0, 0, a));
            const QRectF r = kGlass.adjusted(i, i, -i - 1, -i - 1);
            p.drawLine(r.topLeft(), r.topRight());
            p.drawLine(r.topLeft(), r.bottomLeft());
            p.setPen(QColor(0, 0, 0, a / 2));
            p.drawLine(r.bottomLeft(), r.bottomRight());
            p.drawLine(r.topRight(), r.bottomRight());
        }
        p.setPen(Qt::NoPen);
        p.setRenderHint(QPainter::Antialiasing, true);
    }

    // --- Caption under the LCD ---
    {
        drawLabel(p, QRectF(28, 402, 258, 10), QStringLiteral("TYPE  K \u00B7 J \u00B7 E \u00B7 T"),
                  6.4, QColor(0xB4, 0xB8, 0xBE), true, 0.8);
    }

    // --- Keypad ---
    {
        const QRectF pad(50, 424, 214, 246);
        QPainterPath pp;
        pp.addRoundedRect(pad, 16, 16);
        QLinearGradient g(pad.topLeft(), pad.bottomLeft());
        g.setColorAt(0.0, QColor(0x2c, 0x2f, 0x33));
        g.setColorAt(1.0, QColor(0x33, 0x36, 0x3b));
        p.fillPath(pp, g);
        p.setPen(QPen(QColor(0, 0, 0, 110), 1.0));
        p.setBrush(Qt::NoBrush);
        p.drawPath(pp);
        p.setPen(QPen(QColor(255, 255, 255, 26), 1.0));
        p.drawLine(QPointF(pad.left() + 14, pad.bottom() + 1), QPointF(pad.right() - 14, pad.bottom() + 1));
        p.setPen(Qt::NoPen);
    }
    const std::array<Key, 8> keys = {{
        {QRectF(61, 437, 56, 44), QSizeF(44, 32), QString(), 1},
        {QRectF(212, 437, 38, 44), QSizeF(34, 32), QString(), 2},
        {QRectF(136, 479, 43, 50), QSizeF(40, 36), QStringLiteral("HOLD"), 0},
        {QRectF(67, 522, 50, 55), QSizeF(44, 38), QStringLiteral("MAX\nMIN"), 0},
        {QRectF(197, 525, 51, 52), QSizeF(44, 38), QStringLiteral("\u00B0C/\u00B0F"), 0},
        {QRectF(136, 561, 44, 64), QSizeF(40, 38), QStringLiteral("REC"), 0},
        {QRectF(68, 607, 40, 50), QSizeF(38, 34), QStringLiteral("RECALL"), 0},
        {QRectF(208, 607, 40, 50), QSizeF(38, 34), QStringLiteral("MEM"), 0},
    }};
    for (const Key& k : keys)
        drawKey(p, k);

    // --- Foot of the face plate ---
    {
        drawLabel(p, QRectF(28, 676, 258, 10), QStringLiteral("DATA LOGGER  \u00B7  USB"), 6.4,
                  QColor(0x9c, 0xa0, 0xa6), true, 0.9);
    }
    return img;
}

// ---------------------------------------------------------------------------------------------
// Cursor

QImage drawCross()
{
    QImage img(32, 32, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, false);
    // An X centred on (15, 15): the graph puts the cross annotation 15 pixels right of and below
    // the hot spot (0, 0), i.e. under the drawn mark. A white rim keeps it visible on dark charts.
    // Two pixels thick, centred on the pixel (15, 15).
    const int c = 15, r = 8;
    auto strokes = [&](const QColor& colour, int width) {
        p.setPen(QPen(colour, width, Qt::SolidLine, Qt::SquareCap));
        for (int d = 0; d <= 1; ++d) {
            p.drawLine(c - r + d, c - r, c + r + d, c + r);
            p.drawLine(c - r + d, c + r, c + r + d, c - r);
        }
    };
    strokes(Qt::white, 3);
    strokes(Qt::black, 1);
    return img;
}

// ---------------------------------------------------------------------------------------------

// Every indicator and digit lies inside this part of the glass; after JPEG coding it must still be
// exactly the LCD background colour, or the small images would show as patches.
const QRect kIndicatorArea(48, 96, 224, 288);

bool checkGlass(const QString& path)
{
    const QImage img(path);
    if (img.isNull()) {
        std::fprintf(stderr, "drawresources: cannot read back %s\n", qPrintable(path));
        return false;
    }
    int bad = 0;
    for (int y = kIndicatorArea.top(); y <= kIndicatorArea.bottom(); ++y)
        for (int x = kIndicatorArea.left(); x <= kIndicatorArea.right(); ++x)
            if (img.pixelColor(x, y) != kLcdBack)
                ++bad;
    if (bad) {
        std::fprintf(stderr, "drawresources: %d pixels of the LCD glass differ from its colour\n",
                     bad);
        return false;
    }
    return true;
}

bool save(const QImage& img, const QString& path, const char* format = "PNG", int quality = -1)
{
    if (!img.save(path, format, quality)) {
        std::fprintf(stderr, "drawresources: cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: drawresources <resources dir>\n");
        return 2;
    }
    loadFonts();

    const QDir out(QString::fromLocal8Bit(argv[1]));
    for (const char* sub : {"lcd", "panel", "cursors"}) {
        if (!out.mkpath(QString::fromLatin1(sub))) {
            std::fprintf(stderr, "drawresources: cannot create %s/%s\n", argv[1], sub);
            return 1;
        }
    }
    bool ok = true;
    auto put = [&](const QImage& img, const QString& name) {
        ok = save(img, out.filePath(name)) && ok;
    };

    for (int i = 0; i <= 24; ++i) {
        put(drawGlyph(i, true), QStringLiteral("lcd/LCD%1.png").arg(i));
        put(drawGlyph(i, false), QStringLiteral("lcd/LCDS%1.png").arg(i));
    }

    const QString meterPath = out.filePath(QStringLiteral("panel/meter.jpg"));
    ok = save(drawMeter(), meterPath, "JPEG", 92) && ok;
    ok = checkGlass(meterPath) && ok;

    put(degreeImage(19, 14, QStringLiteral("C")), QStringLiteral("panel/degC.png"));
    put(degreeImage(17, 14, QStringLiteral("F")), QStringLiteral("panel/degF.png"));
    put(captionImage(31, 11, QStringLiteral("TYPE")), QStringLiteral("panel/type.png"));
    for (const char* t : {"K", "E", "T"})
        put(captionImage(11, 11, QString::fromLatin1(t), 0.9),
            QStringLiteral("panel/type%1.png").arg(QString::fromLatin1(t)));
    put(letterJImage(), QStringLiteral("panel/typeJ.png"));
    put(captionImage(31, 11, QStringLiteral("MAX")), QStringLiteral("panel/max.png"));
    put(captionImage(26, 11, QStringLiteral("MIN")), QStringLiteral("panel/min.png"));
    put(captionImage(30, 11, QStringLiteral("AVG")), QStringLiteral("panel/avg.png"));
    put(captionImage(37, 12, QStringLiteral("HOLD")), QStringLiteral("panel/hold.png"));
    put(captionImage(31, 12, QStringLiteral("MEM")), QStringLiteral("panel/mem.png"));
    put(captionImage(51, 12, QStringLiteral("RECALL")), QStringLiteral("panel/recall.png"));
    put(captionImage(30, 11, QStringLiteral("REC")), QStringLiteral("panel/rec.png"));
    put(captionImage(37, 11, QStringLiteral("FULL")), QStringLiteral("panel/full.png"));
    put(autoOffImage(), QStringLiteral("panel/autooff.png"));
    // The 3-bar image sits 3 pixels further left on the panel than the others; its drawing is
    // moved right by as much so the battery stays in one place whatever its level.
    put(batteryImage(3, 3), QStringLiteral("panel/bat3.png"));
    put(batteryImage(2, 0), QStringLiteral("panel/bat2.png"));
    put(batteryImage(1, 0), QStringLiteral("panel/bat1.png"));
    put(batteryImage(0, 0), QStringLiteral("panel/bat0.png"));
    put(alarmImage(), QStringLiteral("panel/alarm.png"));
    put(minusImage(), QStringLiteral("panel/minus.png"));
    put(pointImage(), QStringLiteral("panel/point.png"));
    put(bluetoothImage(), QStringLiteral("panel/bluetooth.png"));
    put(btLinkImage(), QStringLiteral("panel/btlink.png"));

    put(drawCross(), QStringLiteral("cursors/cross.png"));

    return ok ? 0 : 1;
}
