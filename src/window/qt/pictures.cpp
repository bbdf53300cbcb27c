#include "pictures.h"

#include <QFile>
#include <QGuiApplication>
#include <QtEndian>

#include <optional>

QPixmap loadPicture(const QString& name) {
    if (name.isEmpty())
        return {};
    if (qApp->devicePixelRatio() > 1.0) {
        const qsizetype dot = name.lastIndexOf(u'.');
        QPixmap sharp(name.left(dot) + QStringLiteral("@2x") + name.mid(dot));
        if (!sharp.isNull()) {
            sharp.setDevicePixelRatio(2.0);
            return sharp;
        }
    }
    return QPixmap(name);
}

std::optional<QPoint> cursorHotSpot(const QByteArray& file) {
    // ICONDIR (reserved, type 2 = cursor, count), then the first 16-byte entry, whose
    // planes and bit-count fields hold the hot spot in a cursor file.
    if (file.size() < 6 + 16)
        return std::nullopt;
    const auto* bytes = reinterpret_cast<const uchar*>(file.constData());
    if (qFromLittleEndian<quint16>(bytes) != 0 || qFromLittleEndian<quint16>(bytes + 2) != 2 ||
        qFromLittleEndian<quint16>(bytes + 4) == 0)
        return std::nullopt;
    return QPoint(qFromLittleEndian<quint16>(bytes + 10), qFromLittleEndian<quint16>(bytes + 12));
}

QCursor loadCursor(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.readAll();
    const QPixmap picture = QPixmap::fromImage(QImage::fromData(bytes, "CUR"));
    const std::optional<QPoint> hotSpot = cursorHotSpot(bytes);
    if (picture.isNull() || !hotSpot)
        return {};
    return QCursor(picture, hotSpot->x(), hotSpot->y());
}
