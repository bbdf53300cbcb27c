// Draws every picture the window uses and writes them into the directory named on the command
// line. assets/ holds the committed result and a test regenerates it byte for byte, so nothing
// here may depend on the clock, unseeded randomness or font fallback.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFont>
#include <QFontInfo>
#include <QGuiApplication>
#include <QImage>
#include <QImageWriter>
#include <QLinearGradient>
#include <QList>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QTransform>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <map>
#include <vector>

namespace {

// No higher: above 90 Qt 6.11 writes JPEGs without chroma subsampling, which Qt 6.4 and 6.8
// keep, and the same generator would make other pictures on other Debian releases.
constexpr int JpegQuality = 90;
const QString FontFamily = QStringLiteral("WenQuanYi Zen Hei");

bool failed = false;

void fail(const QString& message) {
    std::fprintf(stderr, "make_pictures: %s\n", qPrintable(message));
    failed = true;
}

QString scaledName(const QString& base, const QString& suffix, int scale) {
    return scale == 1 ? base + suffix : base + QStringLiteral("@%1x").arg(scale) + suffix;
}

void saveImage(const QImage& image, const QString& path, const char* format) {
    QImageWriter writer(path, format);
    if (qstrcmp(format, "jpeg") == 0) {
        writer.setQuality(JpegQuality);
        writer.setOptimizedWrite(false);
        writer.setProgressiveScanWrite(false);
    }
    if (!writer.write(image))
        fail(QStringLiteral("cannot write %1: %2").arg(path, writer.errorString()));
}

// A tiny xorshift generator: std distributions differ between library versions, this does not.
class Rng {
public:
    explicit Rng(quint32 seed) : state(seed) {}
    quint32 next() {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state;
    }
    int below(int n) { return int(next() % quint32(n)); }

private:
    quint32 state;
};

// --- background -------------------------------------------------------------------------------

constexpr QSize BackgroundSize(382, 221);

QImage drawBackground(int scale) {
    QImage image(BackgroundSize * scale, QImage::Format_RGB32);
    image.fill(Qt::black); // a new QImage holds whatever memory it was given
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(scale, scale);
    const QRectF area(QPointF(0, 0), BackgroundSize);

    // The window only shows the left 227 columns, so that part gets its own stop to pin the colour
    // at its edge rather than following the straight line to the far right.
    QLinearGradient across(0, 0, BackgroundSize.width(), 0);
    across.setColorAt(0.0, QColor(102, 150, 32));
    across.setColorAt(226.5 / BackgroundSize.width(), QColor(151, 190, 78));
    across.setColorAt(1.0, QColor(182, 210, 120));
    p.fillRect(area, across);

    QLinearGradient down(0, 0, 0, BackgroundSize.height());
    down.setColorAt(0.0, QColor(255, 255, 255, 6));
    down.setColorAt(0.5, QColor(255, 255, 255, 0));
    down.setColorAt(1.0, QColor(0, 40, 0, 8));
    p.fillRect(area, down);

    // Faint streaks, strongest in the middle of the height and fading towards both ends.
    Rng rng(0x51ea7u);
    for (int i = 0; i < 90; ++i) {
        const qreal x = rng.below(BackgroundSize.width() * 4) / 4.0;
        const qreal width = 0.5 + rng.below(5) * 0.5;
        const int alpha = 5 + rng.below(10);
        const QColor tone = rng.below(2) ? QColor(255, 255, 230) : QColor(20, 60, 0);
        QLinearGradient streak(0, 0, 0, BackgroundSize.height());
        QColor faded = tone;
        faded.setAlpha(alpha / 3);
        QColor strong = tone;
        strong.setAlpha(alpha);
        streak.setColorAt(0.0, faded);
        streak.setColorAt(0.45, strong);
        streak.setColorAt(1.0, faded);
        p.fillRect(QRectF(x, 0, width, BackgroundSize.height()), streak);
    }
    return image;
}

// --- buttons ----------------------------------------------------------------------------------

struct Look {
    QColor face;
    QColor light;
    QColor dark;
};

const Look Enabled{QColor(121, 172, 49), QColor(180, 226, 110), QColor(30, 75, 0)};
const Look Disabled{QColor(152, 201, 84), QColor(206, 238, 156), QColor(92, 136, 40)};

QColor mix(const QColor& a, const QColor& b, qreal t) {
    return QColor::fromRgbF(a.redF() + (b.redF() - a.redF()) * t,
                            a.greenF() + (b.greenF() - a.greenF()) * t,
                            a.blueF() + (b.blueF() - a.blueF()) * t);
}

QFont captionFont(int pixelSize) {
    QFont font(FontFamily);
    font.setPixelSize(pixelSize);
    font.setBold(true);
    font.setHintingPreference(QFont::PreferNoHinting);
    font.setStyleStrategy(QFont::StyleStrategy(QFont::PreferAntialias | QFont::NoFontMerging));
    font.setKerning(false);
    return font;
}

// Fills the band between two nested rectangles on the top and left sides with one colour and on
// the bottom and right with the other, split on the diagonals at the corners.
void bevelRing(QPainter& p, const QRectF& outer, qreal width, const QColor& topLeft,
               const QColor& bottomRight) {
    const QRectF inner = outer.adjusted(width, width, -width, -width);
    const QPolygonF upper{outer.topLeft(), outer.topRight(),   inner.topRight(),
                          inner.topLeft(), inner.bottomLeft(), outer.bottomLeft()};
    const QPolygonF lower{outer.bottomRight(), outer.bottomLeft(), inner.bottomLeft(),
                          inner.bottomRight(), inner.topRight(),   outer.topRight()};
    p.setPen(Qt::NoPen);
    p.setBrush(topLeft);
    p.drawPolygon(upper);
    p.setBrush(bottomRight);
    p.drawPolygon(lower);
}

QImage drawButton(QSize size, const QString& caption, int glyphHeight, const Look& look,
                  bool sunken, int scale) {
    QImage image(size * scale, QImage::Format_RGB32);
    image.fill(look.face);
    QPainter p(&image);
    p.scale(scale, scale);
    const QRectF area(QPointF(0, 0), size);

    // Aliased so the edges stay one solid colour per pixel; the corners split cleanly anyway.
    const QColor& outerTopLeft = sunken ? look.dark : look.light;
    const QColor& outerBottomRight = sunken ? look.light : look.dark;
    bevelRing(p, area, 1, outerTopLeft, outerBottomRight);
    bevelRing(p, area.adjusted(1, 1, -1, -1), 1, mix(outerTopLeft, look.face, 0.55),
              mix(outerBottomRight, look.face, 0.55));

    // Captions go through an outline so their ink, not the font's line box, gets the wanted height
    // and sits in the centre. The outline is taken large and scaled down for an exact fit; a pen
    // around it makes the strokes heavier than the font's own bold, so it is left out of the fit.
    const qreal pen = glyphHeight * 0.07;
    QPainterPath text;
    text.addText(0, 0, captionFont(64), caption);
    const qreal shrink = (glyphHeight - pen) / text.boundingRect().height();
    text = QTransform::fromScale(shrink, shrink).map(text);
    QPointF offset = area.center() - text.boundingRect().center();
    offset = QPointF(qRound(offset.x()), qRound(offset.y()));
    if (sunken)
        offset += QPointF(1, 1);
    text.translate(offset);

    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(Qt::black);
    p.setPen(QPen(Qt::black, pen, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(text);
    return image;
}

struct ButtonPicture {
    QString name;
    QSize size;
    QString caption;
    int glyphHeight;
    const Look* look;
    bool sunken;
};

// --- clover -----------------------------------------------------------------------------------

// The clover is designed on a 32 x 32 grid and scaled for every size it is drawn at.
QImage drawClover(int pixels) {
    QImage image(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(pixels / 32.0, pixels / 32.0);

    const QPointF centre(15.5, 14.0);
    const QColor outline(24, 86, 18);

    QPainterPath stem;
    stem.moveTo(centre);
    stem.cubicTo(centre + QPointF(1.5, 6), centre + QPointF(4.5, 11), centre + QPointF(9, 15.5));
    p.setPen(QPen(outline, 3.2, Qt::SolidLine, Qt::RoundCap));
    p.drawPath(stem);
    p.setPen(QPen(QColor(96, 160, 44), 1.5, Qt::SolidLine, Qt::RoundCap));
    p.drawPath(stem);

    // One heart-shaped leaf with its tip at the origin, pointing its lobes up.
    QPainterPath heart;
    heart.moveTo(0, 0);
    heart.cubicTo(-2.5, -1.5, -7.2, -4.5, -6.8, -8.6);
    heart.cubicTo(-6.4, -12.2, -1.6, -12.8, 0, -9.2);
    heart.cubicTo(1.6, -12.8, 6.4, -12.2, 6.8, -8.6);
    heart.cubicTo(7.2, -4.5, 2.5, -1.5, 0, 0);

    QPainterPath vein;
    vein.moveTo(0, -0.5);
    vein.lineTo(0, -8.2);
    QPainterPath mark; // the pale chevron across each leaf
    mark.moveTo(-4.6, -7.6);
    mark.quadTo(-1.6, -4.2, 0, -5.8);
    mark.quadTo(1.6, -4.2, 4.6, -7.6);

    const QColor fills[4][2] = {{QColor(150, 214, 84), QColor(52, 138, 32)},
                                {QColor(138, 204, 74), QColor(44, 126, 28)},
                                {QColor(146, 210, 80), QColor(48, 132, 30)},
                                {QColor(134, 200, 70), QColor(40, 120, 26)}};
    for (int leaf = 0; leaf < 4; ++leaf) {
        p.save();
        p.translate(centre);
        p.rotate(45 + 90 * leaf);
        QRadialGradient shade(QPointF(-1.5, -8.5), 9.5);
        shade.setColorAt(0.0, fills[leaf][0]);
        shade.setColorAt(1.0, fills[leaf][1]);
        p.setBrush(shade);
        p.setPen(QPen(outline, 1.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPath(heart);
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(QColor(196, 236, 140, 200), 0.9, Qt::SolidLine, Qt::RoundCap));
        p.drawPath(mark);
        p.setPen(QPen(QColor(36, 104, 22, 190), 0.7, Qt::SolidLine, Qt::RoundCap));
        p.drawPath(vein);
        p.restore();
    }
    return image;
}

// --- hand cursor ------------------------------------------------------------------------------

constexpr QPoint HandHotSpot(12, 1);

// Outlines sit on half-pixel coordinates so a one-pixel pen covers whole pixels on straight runs.
QImage drawHand() {
    QImage image(32, 32, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);

    auto finger = [](qreal left, qreal top, qreal width, qreal height) {
        QPainterPath path;
        path.addRoundedRect(QRectF(left, top, width, height), width / 2, width / 2);
        return path;
    };
    const QPainterPath index = finger(10.5, 1.5, 4, 16);
    const QPainterPath middle = finger(14.5, 10.5, 4, 8);
    const QPainterPath ring = finger(18.5, 11.5, 4, 8);
    const QPainterPath little = finger(22.5, 13.5, 3.5, 7);
    QPainterPath palm;
    palm.addRoundedRect(QRectF(10.5, 15.5, 15.5, 11), 3, 3);
    QPainterPath thumb;
    thumb.moveTo(11, 24.5);
    thumb.lineTo(6.5, 19);
    thumb.cubicTo(4.5, 16.5, 6.5, 14.5, 8.5, 16);
    thumb.lineTo(11.5, 18.5);
    thumb.closeSubpath();

    QPainterPath hand = index.united(middle).united(ring).united(little).united(palm);
    hand = hand.united(thumb).simplified();

    const QRectF cuff(12.5, 26.5, 12, 5);
    p.setPen(QPen(Qt::black, 1.0));
    p.setBrush(Qt::white);
    p.drawPath(hand);

    // Creases between the folded fingers and a soft shadow down the palm's right side.
    p.setPen(QPen(QColor(128, 128, 128), 1.0, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(QPointF(14.5, 15), QPointF(14.5, 18));
    p.drawLine(QPointF(18.5, 15), QPointF(18.5, 18.5));
    p.drawLine(QPointF(22.5, 16), QPointF(22.5, 19.5));
    p.drawLine(QPointF(24.5, 21), QPointF(24.5, 25));
    p.setPen(QPen(QColor(192, 192, 192), 1.0, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(QPointF(13.5, 4), QPointF(13.5, 14.5));

    p.setPen(QPen(Qt::black, 1.0));
    p.setBrush(QColor(40, 88, 208));
    p.drawRect(cuff);
    p.setPen(QPen(QColor(120, 160, 240), 1.0, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(QPointF(13, 27.5), QPointF(24, 27.5));
    p.setPen(QPen(QColor(16, 40, 128), 1.0, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(QPointF(13, 30.5), QPointF(24, 30.5));
    return image;
}

// --- ICO / CUR container ----------------------------------------------------------------------

// Without a per-pixel alpha channel, a pixel is either fully shown or masked out.
constexpr int OpaqueAlpha = 128;

int nearestIndex(const QList<QRgb>& palette, QRgb colour) {
    int best = 0;
    int bestDistance = INT_MAX;
    for (int i = 0; i < palette.size(); ++i) {
        const int dr = qRed(palette[i]) - qRed(colour);
        const int dg = qGreen(palette[i]) - qGreen(colour);
        const int db = qBlue(palette[i]) - qBlue(colour);
        const int distance = dr * dr + dg * dg + db * db;
        if (distance < bestDistance) {
            best = i;
            bestDistance = distance;
        }
    }
    return best;
}

// Keeps the most frequent colours (ties broken by value, so the result is stable) and maps the
// rest to their nearest kept colour. Entry 0 stays black: masked pixels use it, so that XOR-ing
// it with the screen leaves the screen as it is.
QList<QRgb> frequentColours(const QImage& argb, int paletteSize) {
    std::map<QRgb, int> counts;
    for (int y = 0; y < argb.height(); ++y)
        for (int x = 0; x < argb.width(); ++x)
            if (qAlpha(argb.pixel(x, y)) >= OpaqueAlpha)
                ++counts[argb.pixel(x, y) | 0xff000000u];
    std::vector<std::pair<QRgb, int>> ranked(counts.begin(), counts.end());
    std::stable_sort(ranked.begin(), ranked.end(),
                     [](const auto& a, const auto& b) { return a.second > b.second; });
    QList<QRgb> palette{qRgb(0, 0, 0)};
    for (const auto& [colour, count] : ranked) {
        if (palette.size() == paletteSize)
            break;
        if (colour != qRgb(0, 0, 0))
            palette.append(colour);
    }
    while (palette.size() < paletteSize)
        palette.append(qRgb(0, 0, 0));
    return palette;
}

void put16(QByteArray& out, int value) {
    out.append(char(value & 0xff));
    out.append(char((value >> 8) & 0xff));
}

void put32(QByteArray& out, qint64 value) {
    put16(out, int(value & 0xffff));
    put16(out, int((value >> 16) & 0xffff));
}

enum class IconType { Icon = 1, Cursor = 2 };

// One-image .ico or .cur with a palette and a 1-bit transparency mask. Qt's own writer only
// makes 32-bit icons and no cursors at all.
QByteArray iconFile(const QImage& drawn, IconType type, int bitCount, const QList<QRgb>& palette,
                    QPoint hotSpot = {}) {
    const QImage argb = drawn.convertToFormat(QImage::Format_ARGB32);
    const int width = argb.width();
    const int height = argb.height();
    const int colours = 1 << bitCount;
    Q_ASSERT(palette.size() == colours);
    const int xorStride = (width * bitCount + 31) / 32 * 4;
    const int andStride = (width + 31) / 32 * 4;
    const int imageBytes = 40 + 4 * colours + (xorStride + andStride) * height;

    QByteArray out;
    put16(out, 0);
    put16(out, int(type));
    put16(out, 1);

    out.append(char(width < 256 ? width : 0));
    out.append(char(height < 256 ? height : 0));
    out.append(char(colours < 256 ? colours : 0));
    out.append(char(0));
    if (type == IconType::Cursor) {
        put16(out, hotSpot.x());
        put16(out, hotSpot.y());
    } else {
        put16(out, 1);
        put16(out, bitCount);
    }
    put32(out, imageBytes);
    put32(out, 6 + 16);

    put32(out, 40);
    put32(out, width);
    put32(out, height * 2); // the colour bitmap and the mask stacked
    put16(out, 1);
    put16(out, bitCount);
    put32(out, 0);
    put32(out, (xorStride + andStride) * height);
    put32(out, 0);
    put32(out, 0);
    put32(out, 0);
    put32(out, 0);
    for (QRgb c : palette) {
        out.append(char(qBlue(c)));
        out.append(char(qGreen(c)));
        out.append(char(qRed(c)));
        out.append(char(0));
    }

    QByteArray colourRows;
    QByteArray maskRows;
    for (int y = height - 1; y >= 0; --y) {
        QByteArray colourRow(xorStride, 0);
        QByteArray maskRow(andStride, 0);
        for (int x = 0; x < width; ++x) {
            const QRgb pixel = argb.pixel(x, y);
            int index = 0;
            if (qAlpha(pixel) >= OpaqueAlpha)
                index = nearestIndex(palette, pixel);
            else
                maskRow[x / 8] = char(maskRow[x / 8] | (0x80 >> (x % 8)));
            const int bit = x * bitCount;
            const int shift = 8 - bitCount - bit % 8;
            colourRow[bit / 8] = char(colourRow[bit / 8] | (index << shift));
        }
        colourRows += colourRow;
        maskRows += maskRow;
    }
    out += colourRows;
    out += maskRows;
    return out;
}

void saveBytes(const QByteArray& bytes, const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        fail(QStringLiteral("cannot write %1: %2").arg(path, file.errorString()));
}

// Cursor colours: black, greys and white for the hand, blues for the cuff.
const QList<QRgb> HandPalette{
    qRgb(0, 0, 0),       qRgb(255, 255, 255), qRgb(64, 64, 64),   qRgb(128, 128, 128),
    qRgb(192, 192, 192), qRgb(224, 224, 224), qRgb(16, 40, 128),  qRgb(40, 88, 208),
    qRgb(80, 124, 224),  qRgb(120, 160, 240), qRgb(28, 64, 168),  qRgb(96, 96, 96),
    qRgb(160, 160, 160), qRgb(32, 32, 32),    qRgb(60, 100, 216), qRgb(240, 240, 240)};

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    const QStringList args = app.arguments();
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: make_pictures OUTDIR\n");
        return 2;
    }
    const QDir out(args[1]);
    if (!out.mkpath(QStringLiteral("icons"))) {
        std::fprintf(stderr, "make_pictures: cannot create %s\n", qPrintable(out.path()));
        return 1;
    }

    // A substitute font would silently change every caption, so refuse to draw with one.
    const QFontInfo resolved(captionFont(12));
    if (resolved.family() != FontFamily) {
        std::fprintf(stderr, "make_pictures: font \"%s\" not found (got \"%s\")\n",
                     qPrintable(FontFamily), qPrintable(resolved.family()));
        return 1;
    }

    const QSize wide(69, 33);
    const QSize square(29, 29);
    const QString count = QStringLiteral("数笔划");
    const QString quit = QStringLiteral("退出");
    const QString instant = QStringLiteral("即");
    const QList<ButtonPicture> buttons{
        {"command1-normal", wide, count, 11, &Enabled, false},
        {"command1-down", wide, count, 11, &Enabled, true},
        {"command2-normal", wide, quit, 11, &Enabled, false},
        {"command2-disabled", wide, quit, 11, &Disabled, false},
        {"command2-down", wide, quit, 11, &Enabled, true},
        {"check1-up", square, instant, 15, &Enabled, false},
        {"check1-down", square, instant, 15, &Enabled, true},
    };

    for (int scale : {1, 2}) {
        saveImage(drawBackground(scale),
                  out.filePath(scaledName(QStringLiteral("background"), ".jpg", scale)), "jpeg");
        for (const ButtonPicture& b : buttons)
            saveImage(drawButton(b.size, b.caption, b.glyphHeight, *b.look, b.sunken, scale),
                      out.filePath(scaledName(b.name, ".jpg", scale)), "jpeg");
    }

    const QImage clover = drawClover(32);
    saveBytes(iconFile(clover, IconType::Icon, 8, frequentColours(clover, 256)),
              out.filePath(QStringLiteral("clover.ico")));
    saveBytes(iconFile(drawHand(), IconType::Cursor, 4, HandPalette, HandHotSpot),
              out.filePath(QStringLiteral("hand.cur")));

    for (int size : {32, 48, 64, 128, 256})
        saveImage(drawClover(size).convertToFormat(QImage::Format_ARGB32),
                  out.filePath(QStringLiteral("icons/quorvel-%1.png").arg(size)), "png");

    return failed ? 1 : 0;
}
