#include "stroke_table.h"

#include <QFile>
#include <QStringDecoder>

namespace {

constexpr qsizetype kEntryUnits = 3;

bool isCountUnit(QChar unit) {
    return unit == u' ' || (unit >= u'0' && unit <= u'9');
}

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
    return DecodeStrokeTable(item.readAll());
}

StrokeTable DecodeStrokeTable(const QByteArray& gbk) {
    // Stateless: a lead byte cut off at the end counts as an error instead of
    // being held back silently for more input.
    QStringDecoder decoder("GBK", QStringConverter::Flag::Stateless);
    if (!decoder.isValid())
        fail(QStringLiteral("No GBK text converter is available to read the stroke table."));
    StrokeTable table = decoder.decode(gbk);
    if (decoder.hasError())
        fail(QStringLiteral("The stroke table is not valid GBK text."));
    if (table.isEmpty() || table.size() % kEntryUnits != 0)
        fail(QStringLiteral("The stroke table does not consist of whole entries (%1 characters).")
                 .arg(table.size()));
    for (qsizetype i = 0; i < table.size(); i += kEntryUnits) {
        if (isCountUnit(table[i]) || !isCountUnit(table[i + 1]) || !isCountUnit(table[i + 2]))
            fail(QStringLiteral("Entry %1 of the stroke table is malformed.")
                     .arg(i / kEntryUnits + 1));
    }
    return table;
}
