// Compares the pictures make_pictures draws today with the committed ones, as pictures: the
// same files, each holding images of the same sizes whose pixels agree. Bytes need not:
// Qt's raster engine takes other code paths on other CPUs (x87 on 32-bit x86, NEON, none)
// and rounds an edge's coverage or a gradient's step one level apart, which a JPEG's
// quantisation can spread to a few levels. So a pixel may differ by up to kLevels in each
// channel, and at most a tenth of a picture's pixels may differ at all; a change to what
// is drawn (a shape moved, a colour changed, a caption in another font) is far outside.

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QList>
#include <QSet>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr int kLevels = 4;      // of 255, in each of red, green, blue and alpha
constexpr double kShare = 0.10; // of a picture's pixels that may differ at all
const QStringList kPatterns{QStringLiteral("*.jpg"), QStringLiteral("*.ico"),
                            QStringLiteral("*.cur"), QStringLiteral("*.png")};

QSet<QString> pictures(const QString& dir) {
    QSet<QString> names;
    QDirIterator it(dir, kPatterns, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        names.insert(QDir(dir).relativeFilePath(it.fileInfo().absoluteFilePath()));
    }
    return names;
}

// Every image of a file (an icon holds one per size), as 32-bit ARGB.
QList<QImage> images(const QString& path) {
    QImageReader reader(path);
    QList<QImage> all;
    do {
        const QImage image = reader.read();
        if (image.isNull())
            break;
        all.append(image.convertToFormat(QImage::Format_ARGB32));
    } while (reader.jumpToNextImage());
    return all;
}

struct Difference {
    qsizetype pixels = 0; // that differ at all
    int levels = 0;       // the largest difference in a channel
};

Difference difference(const QImage& a, const QImage& b) {
    Difference d;
    for (int y = 0; y < a.height(); ++y) {
        const auto* rowA = reinterpret_cast<const QRgb*>(a.constScanLine(y));
        const auto* rowB = reinterpret_cast<const QRgb*>(b.constScanLine(y));
        for (int x = 0; x < a.width(); ++x) {
            const int levels = std::max({std::abs(qRed(rowA[x]) - qRed(rowB[x])),
                                         std::abs(qGreen(rowA[x]) - qGreen(rowB[x])),
                                         std::abs(qBlue(rowA[x]) - qBlue(rowB[x])),
                                         std::abs(qAlpha(rowA[x]) - qAlpha(rowB[x]))});
            d.pixels += levels > 0;
            d.levels = std::max(d.levels, levels);
        }
    }
    return d;
}

// Empty if the drawn file shows the committed one's pictures, else what is wrong.
QString compare(const QString& committed, const QString& drawn, QString& note) {
    QFile a(committed), b(drawn);
    if (a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly) && a.readAll() == b.readAll())
        return {};
    const QList<QImage> want = images(committed), got = images(drawn);
    if (want.isEmpty() || want.size() != got.size())
        return QStringLiteral("holds %1 images, the committed file %2")
            .arg(got.size())
            .arg(want.size());
    for (qsizetype i = 0; i < want.size(); ++i) {
        if (want[i].size() != got[i].size())
            return QStringLiteral("image %1 is %2x%3, the committed one %4x%5")
                .arg(i)
                .arg(got[i].width())
                .arg(got[i].height())
                .arg(want[i].width())
                .arg(want[i].height());
        const Difference d = difference(want[i], got[i]);
        const qsizetype allowed = qsizetype(kShare * want[i].width() * want[i].height());
        const QString what = QStringLiteral("image %1: %2 of %3 pixels differ, by up to %4 levels")
                                 .arg(i)
                                 .arg(d.pixels)
                                 .arg(qsizetype(want[i].width()) * want[i].height())
                                 .arg(d.levels);
        if (d.levels > kLevels || d.pixels > allowed)
            return what;
        note += QStringLiteral(" (%1)").arg(what);
    }
    return {};
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 3) {
        std::fprintf(stderr, "usage: compare_pictures COMMITTED_DIR DRAWN_DIR\n");
        return 2;
    }
    const QString committedDir = args[1], drawnDir = args[2];
    const QSet<QString> committed = pictures(committedDir), drawn = pictures(drawnDir);
    if (drawn.isEmpty()) {
        std::fprintf(stderr, "nothing drawn in %s\n", qPrintable(drawnDir));
        return 1;
    }
    QStringList names = (committed | drawn).values();
    names.sort();
    int problems = 0, identical = 0;
    for (const QString& name : names) {
        QString problem, note;
        if (!committed.contains(name))
            problem = QStringLiteral("not committed");
        else if (!drawn.contains(name))
            problem = QStringLiteral("no longer drawn");
        else
            problem = compare(committedDir + u'/' + name, drawnDir + u'/' + name, note);
        if (!problem.isEmpty()) {
            std::printf("differs: %s: %s\n", qPrintable(name), qPrintable(problem));
            ++problems;
        } else if (note.isEmpty()) {
            ++identical;
        } else {
            std::printf("within the tolerance: %s%s\n", qPrintable(name), qPrintable(note));
        }
    }
    std::printf("%d pictures: %d byte for byte the same, %d within the tolerance, %d differ\n",
                int(names.size()), identical, int(names.size()) - identical - problems, problems);
    return problems == 0 ? 0 : 1;
}
