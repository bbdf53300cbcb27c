// Checks the committed pictures as the program loads them: the window's from the resource file,
// the desktop icons from disk.

#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QtEndian>
#include <QtTest>

namespace {

QString picture(const QString& name) {
    return QStringLiteral(":/pictures/") + name;
}

QString desktopIcon(int size) {
    return QStringLiteral(QUORVEL_ASSETS_DIR "/icons/quorvel-%1.png").arg(size);
}

QImage load(const QString& path) {
    return QImage(path).convertToFormat(QImage::Format_ARGB32);
}

// Caption ink: clearly dark pixels inside the bevel, which is dark enough to be mistaken for it.
QRect inkBox(const QImage& image, int bevel) {
    QRect box;
    for (int y = bevel; y < image.height() - bevel; ++y)
        for (int x = bevel; x < image.width() - bevel; ++x)
            if (qGray(image.pixel(x, y)) < 70)
                box |= QRect(x, y, 1, 1);
    return box;
}

QString describe(const QRect& r) {
    return QStringLiteral("%1,%2 %3x%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
}

} // namespace

class TestPictures : public QObject {
    Q_OBJECT

private slots:
    void formatAndSize_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QByteArray>("format");
        QTest::addColumn<QSize>("size");

        const QList<std::pair<const char*, QSize>> jpegs{
            {"background", {382, 221}},      {"command1-normal", {69, 33}},
            {"command1-down", {69, 33}},     {"command2-normal", {69, 33}},
            {"command2-disabled", {69, 33}}, {"command2-down", {69, 33}},
            {"check1-up", {29, 29}},         {"check1-down", {29, 29}}};
        for (const auto& [base, size] : jpegs) {
            QTest::addRow("%s", base)
                << picture(base + QStringLiteral(".jpg")) << QByteArray("jpeg") << size;
            QTest::addRow("%s@2x", base)
                << picture(base + QStringLiteral("@2x.jpg")) << QByteArray("jpeg") << size * 2;
        }
        QTest::newRow("clover") << picture("clover.ico") << QByteArray("ico") << QSize(32, 32);
        // Qt reads cursors with its icon reader and names them so; iconHeader tells them apart.
        QTest::newRow("hand") << picture("hand.cur") << QByteArray("ico") << QSize(32, 32);
        for (int size : {32, 48, 64, 128, 256})
            QTest::addRow("icon %d", size)
                << desktopIcon(size) << QByteArray("png") << QSize(size, size);
    }

    void formatAndSize() {
        QFETCH(QString, path);
        QFETCH(QByteArray, format);
        QFETCH(QSize, size);

        QImageReader reader(path);
        QCOMPARE(reader.format(), format);
        const QImage image = reader.read();
        QVERIFY2(!image.isNull(), qPrintable(reader.errorString()));
        QCOMPARE(image.size(), size);
        if (format == "jpeg")
            QCOMPARE(image.format(), QImage::Format_RGB32); // colour, not greyscale
        else
            QVERIFY(image.hasAlphaChannel());
    }

    void iconHeader_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("bitCount");
        QTest::addColumn<QPoint>("hotSpot");

        QTest::newRow("clover") << "clover.ico" << 1 << 8 << QPoint();
        QTest::newRow("hand") << "hand.cur" << 2 << 4 << QPoint(12, 1);
    }

    void iconHeader() {
        QFETCH(QString, name);
        QFETCH(int, type);
        QFETCH(int, bitCount);
        QFETCH(QPoint, hotSpot);

        QFile file(picture(name));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        QVERIFY(bytes.size() >= 22 + 40);
        const auto* d = reinterpret_cast<const uchar*>(bytes.constData());
        auto u16 = [d](int at) { return int(qFromLittleEndian<quint16>(d + at)); };
        auto u32 = [d](int at) { return qint64(qFromLittleEndian<quint32>(d + at)); };

        QCOMPARE(u16(0), 0);
        QCOMPARE(u16(2), type);
        QCOMPARE(u16(4), 1); // one image
        QCOMPARE(QSize(d[6], d[7]), QSize(32, 32));
        QCOMPARE(int(d[8]), bitCount == 8 ? 0 : 1 << bitCount); // 0 stands for 256
        // A cursor keeps its hot spot where an icon keeps planes and bit count.
        QCOMPARE(QPoint(u16(10), u16(12)), type == 2 ? hotSpot : QPoint(1, bitCount));
        QCOMPARE(u32(18), 22);
        QCOMPARE(u32(18) + u32(14), qint64(bytes.size()));

        QCOMPARE(u32(22), 40);
        QCOMPARE(QSize(int(u32(26)), int(u32(30))),
                 QSize(32, 64)); // colour bitmap stacked on the mask
        QCOMPARE(u16(36), bitCount);
        QCOMPARE(u32(38), 0); // uncompressed
        const int rows = 32 * ((32 * bitCount + 31) / 32 * 4) + 32 * 4;
        QCOMPARE(u32(14), 40 + 4 * (1 << bitCount) + rows);
    }

    void masks_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QList<QPoint>>("opaque");
        QTest::addColumn<QList<QPoint>>("transparent");

        auto corners = [](int n) { return QList<QPoint>{{0, 0}, {n, 0}, {0, n}, {n, n}}; };
        QTest::newRow("clover") << picture("clover.ico") << QList<QPoint>{{15, 14}, {9, 8}}
                                << corners(31);
        // The fingertip is the hot spot, so it must be drawn, and nothing may stick out above.
        QTest::newRow("hand") << picture("hand.cur") << QList<QPoint>{{12, 1}, {12, 8}, {18, 28}}
                              << corners(31) + QList<QPoint>{{11, 0}, {12, 0}, {13, 0}};
        for (int size : {32, 48, 64, 128, 256})
            QTest::addRow("icon %d", size)
                << desktopIcon(size) << QList<QPoint>{{size / 2, size * 14 / 32}}
                << corners(size - 1);
    }

    void masks() {
        QFETCH(QString, path);
        QFETCH(QList<QPoint>, opaque);
        QFETCH(QList<QPoint>, transparent);

        const QImage image = load(path);
        QVERIFY(!image.isNull());
        for (QPoint p : opaque)
            QVERIFY2(qAlpha(image.pixel(p)) == 255, qPrintable(describe(QRect(p, p))));
        for (QPoint p : transparent)
            QVERIFY2(qAlpha(image.pixel(p)) == 0, qPrintable(describe(QRect(p, p))));
    }

    void colours_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QPoint>("at");
        QTest::addColumn<QColor>("expected");
        QTest::addColumn<int>("tolerance");

        QTest::newRow("background left")
            << "background.jpg" << QPoint(0, 110) << QColor(102, 150, 32) << 10;
        QTest::newRow("background shown edge")
            << "background.jpg" << QPoint(226, 60) << QColor(151, 190, 78) << 10;
        QTest::newRow("background right")
            << "background.jpg" << QPoint(381, 110) << QColor(182, 210, 120) << 10;
        QTest::newRow("background@2x shown edge")
            << "background@2x.jpg" << QPoint(453, 120) << QColor(151, 190, 78) << 10;

        const QColor face(121, 172, 49);
        QTest::newRow("face") << "command1-normal.jpg" << QPoint(9, 16) << face << 10;
        QTest::newRow("face down") << "command1-down.jpg" << QPoint(60, 16) << face << 10;
        QTest::newRow("face toggle") << "check1-up.jpg" << QPoint(4, 14) << face << 10;
        QTest::newRow("face disabled")
            << "command2-disabled.jpg" << QPoint(9, 16) << QColor(152, 201, 84) << 10;

        // Raised: light above and left, dark below and right. Sunken: the other way round.
        const QColor light(180, 226, 110);
        const QColor dark(30, 75, 0);
        const struct {
            const char* name;
            QPoint topLeft;
            QPoint bottomRight;
            bool sunken;
        } bevels[] = {
            {"command1-normal.jpg", {20, 0}, {20, 32}, false},
            {"command2-down.jpg", {0, 16}, {68, 16}, true},
            {"check1-up.jpg", {14, 0}, {28, 14}, false},
            {"check1-down@2x.jpg", {0, 28}, {28, 57}, true},
        };
        for (const auto& b : bevels) {
            QTest::addRow("%s top-left", b.name)
                << b.name << b.topLeft << (b.sunken ? dark : light) << 16;
            QTest::addRow("%s bottom-right", b.name)
                << b.name << b.bottomRight << (b.sunken ? light : dark) << 16;
        }

        // Lossless, so checked closely; the blue cuff also catches swapped palette bytes.
        QTest::newRow("hand finger") << "hand.cur" << QPoint(12, 6) << QColor(Qt::white) << 0;
        QTest::newRow("hand cuff") << "hand.cur" << QPoint(18, 28) << QColor(40, 88, 208) << 0;
    }

    void colours() {
        QFETCH(QString, name);
        QFETCH(QPoint, at);
        QFETCH(QColor, expected);
        QFETCH(int, tolerance);

        const QImage image = load(picture(name));
        QVERIFY(!image.isNull());
        const QColor got = image.pixel(at);
        QVERIFY2(qAbs(got.red() - expected.red()) <= tolerance &&
                     qAbs(got.green() - expected.green()) <= tolerance &&
                     qAbs(got.blue() - expected.blue()) <= tolerance,
                 qPrintable(got.name()));
    }

    void cloverIsGreen() {
        const QImage image = load(picture("clover.ico"));
        QVERIFY(!image.isNull());
        QSet<QRgb> shades;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QRgb p = image.pixel(x, y);
                if (qAlpha(p) == 0)
                    continue;
                QVERIFY2(qGreen(p) > qRed(p) && qRed(p) >= qBlue(p),
                         qPrintable(QColor(p).name() + " at " + describe(QRect(x, y, 1, 1))));
                shades.insert(p);
            }
        QVERIFY2(shades.size() >= 8, qPrintable(QString::number(shades.size())));
    }

    void captions_data() {
        QTest::addColumn<QString>("raised");
        QTest::addColumn<QString>("other");
        QTest::addColumn<int>("shift");
        QTest::addColumn<int>("inkHeight");
        QTest::addColumn<int>("scale");

        for (int scale : {1, 2}) {
            const QString at = scale == 1 ? QString() : QStringLiteral("@2x");
            auto row = [&](const char* raised, const char* other, int shift, int height) {
                QTest::addRow("%s%s", other, qPrintable(at))
                    << raised + at + ".jpg" << other + at + ".jpg" << shift << height << scale;
            };
            row("command1-normal", "command1-down", 1, 11);
            row("command2-normal", "command2-down", 1, 11);
            row("command2-normal", "command2-disabled", 0, 11);
            row("check1-up", "check1-down", 1, 15);
        }
    }

    void captions() {
        QFETCH(QString, raised);
        QFETCH(QString, other);
        QFETCH(int, shift);
        QFETCH(int, inkHeight);
        QFETCH(int, scale);

        const QImage up = load(picture(raised));
        const QImage down = load(picture(other));
        QVERIFY(!up.isNull() && !down.isNull());
        QVERIFY(up != down);

        const QRect upInk = inkBox(up, 2 * scale);
        QVERIFY2(qAbs(upInk.height() - inkHeight * scale) <= scale, qPrintable(describe(upInk)));
        // Centred on the face, give or take the pixel that rounding may cost.
        const QPointF offCentre = QRectF(upInk).center() - QRectF(up.rect()).center();
        QVERIFY2(qAbs(offCentre.x()) <= scale && qAbs(offCentre.y()) <= scale,
                 qPrintable(describe(upInk)));

        // At double size a moved caption meets the JPEG blocks differently, which can move an ink
        // edge by one of its two pixels; at single size the move must be exact.
        const int slack = scale - 1;
        const QRect expected = upInk.translated(shift * scale, shift * scale);
        const QRect downInk = inkBox(down, 2 * scale);
        const QMargins wide(slack, slack, slack, slack);
        QVERIFY2(expected.marginsAdded(wide).contains(downInk) &&
                     downInk.marginsAdded(wide).contains(expected),
                 qPrintable(describe(downInk) + " instead of " + describe(expected)));
    }
};

QTEST_MAIN(TestPictures)
#include "tst_pictures.moc"
