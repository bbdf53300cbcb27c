#include "stroke_table.h"

#include <QFile>
#include <QSysInfo>

#include <iconv.h>

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

// Decodes with the C library's converter (iconv): it is small and already mapped,
// where Qt's own GBK decoder would pull in ICU's conversion tables at start-up.
StrokeTable DecodeStrokeTable(const QByteArray& gbk) {
    const char* utf16 = QSysInfo::ByteOrder == QSysInfo::LittleEndian ? "UTF-16LE" : "UTF-16BE";
    const iconv_t converter = iconv_open(utf16, "GBK");
    if (converter == iconv_t(-1))
        fail(QStringLiteral("No GBK text converter is available to read the stroke table."));
    // GBK takes one or two bytes a character, so the text has at most as many units.
    StrokeTable table(gbk.size(), Qt::Uninitialized);
    char* in = const_cast<char*>(gbk.constData());
    size_t inLeft = size_t(gbk.size());
    char* out = reinterpret_cast<char*>(table.data());
    size_t outLeft = size_t(table.size()) * sizeof(char16_t);
    // Fails on a byte sequence that is not GBK and on a character cut off at the end.
    const size_t irreversible = iconv(converter, &in, &inLeft, &out, &outLeft);
    iconv_close(converter);
    if (irreversible != 0 || inLeft != 0)
        fail(QStringLiteral("The stroke table is not valid GBK text."));
    table.resize(table.size() - qsizetype(outLeft / sizeof(char16_t)));
    table.squeeze(); // it is kept for the whole run
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
