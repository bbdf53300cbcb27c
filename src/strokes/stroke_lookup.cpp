#include "stroke_lookup.h"

#include "unit_search.h"

namespace {

// Spaces and digits fill every count field, so a search for them would land in a count.
bool isSkippedKey(char16_t key) {
    return key == u' ' || (key >= u'0' && key <= u'9');
}

QStringView trimSpaces(QStringView text) {
    while (!text.isEmpty() && text.front() == u' ')
        text = text.sliced(1);
    while (!text.isEmpty() && text.back() == u' ')
        text.chop(1);
    return text;
}

} // namespace

LookupOutcome LookupStrokes(const StrokeTable& table, QStringView text) {
    const char16_t key = text.isEmpty() ? u' ' : text.front().unicode();
    if (isSkippedKey(key))
        return {LookupOutcome::Skipped, {}};
    const qsizetype at =
        FindCodeUnit(QStringView(table).utf16(), table.size(), key);
    if (at < 0)
        return {LookupOutcome::NotFound, {}};
    // The count is the two units after the key; a table cut short yields fewer.
    const QStringView count = trimSpaces(
        QStringView(table).sliced(at + 1).first(qMin<qsizetype>(2, table.size() - at - 1)));
    QString result;
    result.reserve(count.size() + 3);
    result.append(QChar(key)).append(u':').append(count).append(QChar(u'划'));
    return {LookupOutcome::Found, result};
}
