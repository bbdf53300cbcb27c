#include "stroke_lookup.h"
#include "unit_search.h"

#include <QTest>

#include <vector>

Q_DECLARE_METATYPE(LookupOutcome::Kind)

class TestStrokeLookup : public QObject {
    Q_OBJECT
    StrokeTable table;

private slots:
    void initTestCase() { table = LoadStrokeTable(); }

    void outcomes_data() {
        QTest::addColumn<QString>("input");
        QTest::addColumn<LookupOutcome::Kind>("kind");
        QTest::addColumn<QString>("result");
        const auto skipped = LookupOutcome::Skipped;
        const auto notFound = LookupOutcome::NotFound;
        const auto found = LookupOutcome::Found;
        QTest::newRow("empty") << QString() << skipped << QString();
        QTest::newRow("space first") << QStringLiteral(" 字") << skipped << QString();
        QTest::newRow("digit first") << QStringLiteral("5字") << skipped << QString();
        QTest::newRow("digit 0") << QStringLiteral("0") << skipped << QString();
        QTest::newRow("digit 9") << QStringLiteral("9") << skipped << QString();
        QTest::newRow("字") << QStringLiteral("字") << found << QStringLiteral("字:6划");
        QTest::newRow("字a") << QStringLiteral("字a") << found << QStringLiteral("字:6划");
        QTest::newRow("字字") << QStringLiteral("字字") << found << QStringLiteral("字:6划");
        QTest::newRow("字 space") << QStringLiteral("字 ") << found << QStringLiteral("字:6划");
        QTest::newRow("中国") << QStringLiteral("中国") << found << QStringLiteral("中:4划");
        QTest::newRow("龍") << QStringLiteral("龍") << found << QStringLiteral("龍:16划");
        QTest::newRow("書") << QStringLiteral("書") << found << QStringLiteral("書:10划");
        QTest::newRow("筆") << QStringLiteral("筆") << found << QStringLiteral("筆:12划");
        QTest::newRow("笔") << QStringLiteral("笔") << found << QStringLiteral("笔:10划");
        QTest::newRow("靐") << QStringLiteral("靐") << found << QStringLiteral("靐:39划");
        QTest::newRow("丨 at position 4")
            << QStringLiteral("丨") << found << QStringLiteral("丨:1划");
        QTest::newRow("一") << QStringLiteral("一") << found << QStringLiteral("一:1划");
        QTest::newRow("乁 first entry")
            << QStringLiteral("乁") << found << QStringLiteral("乁:1划");
        QTest::newRow("龘 last entry")
            << QStringLiteral("龘") << found << QStringLiteral("龘:48划");
        QTest::newRow("a") << QStringLiteral("a") << notFound << QString();
        QTest::newRow("A") << QStringLiteral("A") << notFound << QString();
        QTest::newRow("colon") << QStringLiteral(":") << notFound << QString();
        QTest::newRow("full-width comma") << QStringLiteral("，") << notFound << QString();
        QTest::newRow("kana") << QStringLiteral("か") << notFound << QString();
        QTest::newRow("Hangul") << QStringLiteral("한") << notFound << QString();
        QTest::newRow("U+9FA5") << QStringLiteral("龥") << notFound << QString();
        QTest::newRow("outside the BMP") << QStringLiteral("𠀀") << notFound << QString();
        QTest::newRow("lone low surrogate") << QString(QChar(0xDC00)) << notFound << QString();
        QTest::newRow("NUL") << QString(QChar(0)) << notFound << QString();
        // Full-width digits are not numeric here: the table lacks them, so they go.
        QTest::newRow("full-width 0") << QStringLiteral("０") << notFound << QString();
        QTest::newRow("full-width 9") << QStringLiteral("９") << notFound << QString();
    }
    void outcomes() {
        QFETCH(QString, input);
        QFETCH(LookupOutcome::Kind, kind);
        QFETCH(QString, result);
        const LookupOutcome outcome = LookupStrokes(table, input);
        QCOMPARE(outcome.kind, kind);
        QCOMPARE(outcome.resultText, result);
    }

    void everyEntryFindsItsOwnCount() {
        for (qsizetype at = 0; at < table.size(); at += 3) {
            const QString expected = table[at] + QStringLiteral(":") +
                                     table.mid(at + 1, 2).trimmed() + QStringLiteral("划");
            const LookupOutcome outcome = LookupStrokes(table, table.mid(at, 1));
            QCOMPARE(outcome.kind, LookupOutcome::Found);
            QCOMPARE(outcome.resultText, expected);
        }
    }

    // Tables that the loader would refuse must still never be read past their end.
    void truncatedTablesStayInBounds_data() {
        QTest::addColumn<QString>("units");
        QTest::addColumn<QString>("result");
        QTest::newRow("key is the last unit")
            << QStringLiteral("字 6笔") << QStringLiteral("笔:划");
        QTest::newRow("one count unit left")
            << QStringLiteral("字 6笔1") << QStringLiteral("笔:1划");
        QTest::newRow("key in a count field")
            << QStringLiteral("字笔6") << QStringLiteral("笔:6划");
    }
    void truncatedTablesStayInBounds() {
        QFETCH(QString, units);
        QFETCH(QString, result);
        // An exactly sized buffer lets a sanitizer build catch a read past the end.
        const auto* first = reinterpret_cast<const char16_t*>(units.utf16());
        const std::vector<char16_t> buffer(first, first + units.size());
        const StrokeTable exact = QString::fromRawData(
            reinterpret_cast<const QChar*>(buffer.data()), qsizetype(buffer.size()));
        QCOMPARE(LookupStrokes(exact, u"笔").resultText, result);
    }

    // The vectorised scan has block, tail and misaligned paths: try a hit at every place.
    void findCodeUnitMatchesPlainSearch() {
        std::vector<char16_t> storage(130, u'x');
        for (qsizetype offset = 0; offset < 2; ++offset) {
            for (qsizetype size = 0; size < 100; ++size) {
                const char16_t* data = storage.data() + offset;
                QCOMPARE(FindCodeUnit(data, size, u'y'), qsizetype(-1));
                for (qsizetype hit = 0; hit < size; ++hit) {
                    storage[offset + hit] = u'y';
                    if (hit + 1 < size)
                        storage[offset + hit + 1] = u'y'; // a later hit must not win
                    QCOMPARE(FindCodeUnit(data, size, u'y'), hit);
                    storage[offset + hit] = storage[offset + hit + 1] = u'x';
                }
                // A hit just past the end must stay unseen.
                storage[offset + size] = u'y';
                QCOMPARE(FindCodeUnit(data, size, u'y'), qsizetype(-1));
                storage[offset + size] = u'x';
            }
        }
    }
};

QTEST_GUILESS_MAIN(TestStrokeLookup)
#include "tst_stroke_lookup.moc"
