#include "packaged_table.h"
#include "stroke_table.h"

#include <QFile>

namespace {

[[noreturn]] void fail(const QString& message) {
    throw StrokeTableError(message.toStdString());
}

} // namespace

StrokeTable LoadStrokeTable() {
    QFile item(QString::fromLatin1(kStrokeTableResource));
    if (!item.exists())
        fail(QStringLiteral("The stroke table %1 is missing from the program.")
                 .arg(item.fileName()));
    if (!item.open(QIODevice::ReadOnly))
        fail(QStringLiteral("The stroke table %1 cannot be read: %2")
                 .arg(item.fileName(), item.errorString()));
    const QByteArray bytes = item.readAll();
    return DecodeStrokeTable(std::string_view(bytes.constData(), size_t(bytes.size())));
}
