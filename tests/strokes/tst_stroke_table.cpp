#include "stroke_table.h"

#include <QTest>

#include <vector>

namespace {

constexpr char16_t kFirstIdeograph = 0x4E00;
constexpr char16_t kLastIdeograph = 0x9FA4;
constexpr qsizetype kEntries = kLastIdeograph - kFirstIdeograph + 1;

int countOf(const StrokeTable& table, qsizetype entry) {
    return QStringView(table).sliced(entry * 3 + 1, 2).trimmed().toInt();
}

} // namespace

// Checks the shipped table as a whole, then the decoder on hand-made tables.
class TestStrokeTable : public QObject {
    Q_OBJECT
    StrokeTable table;

private slots:
    void initTestCase() { table = LoadStrokeTable(); }

    void holdsEveryIdeographOnce() {
        QCOMPARE(table.size(), 62703);
        QCOMPARE(table.size() / 3, kEntries);
        std::vector<int> seen(kEntries, 0);
        for (qsizetype e = 0; e < kEntries; ++e) {
            const char16_t ideograph = table[e * 3].unicode();
            QVERIFY2(
                ideograph >= kFirstIdeograph && ideograph <= kLastIdeograph,
                qPrintable(QStringLiteral("entry %1 holds U+%2").arg(e).arg(ideograph, 4, 16)));
            ++seen[ideograph - kFirstIdeograph];
        }
        for (qsizetype i = 0; i < kEntries; ++i)
            QVERIFY2(seen[i] == 1, qPrintable(QStringLiteral("U+%1 occurs %2 times")
                                                  .arg(kFirstIdeograph + i, 4, 16)
                                                  .arg(seen[i])));
        QVERIFY(!table.contains(QChar(0x9FA5)));
    }

    void countFieldsAreRightAlignedWithoutLeadingZero() {
        for (qsizetype e = 0; e < kEntries; ++e) {
            const QChar tens = table[e * 3 + 1];
            const QChar units = table[e * 3 + 2];
            const bool oneDigit = tens == u' ' && units >= u'1' && units <= u'9';
            const bool twoDigits = tens >= u'1' && tens <= u'9' && units.isDigit();
            QVERIFY2(
                oneDigit || twoDigits,
                qPrintable(
                    QStringLiteral("entry %1 has count field '%2%3'").arg(e).arg(tens).arg(units)));
        }
    }

    void groupsAscendInCodePointOrder() {
        // Inside a group the order is by code point, apart from the pinned entries.
        const QString pinned = QStringLiteral("乁丨一龘");
        int group = 0;
        char16_t previous = 0;
        for (qsizetype e = 0; e < kEntries; ++e) {
            const int count = countOf(table, e);
            QVERIFY2(count >= group,
                     qPrintable(QStringLiteral("entry %1 breaks the order").arg(e)));
            if (count != group) {
                group = count;
                previous = 0;
            }
            const char16_t ideograph = table[e * 3].unicode();
            if (pinned.contains(QChar(ideograph)))
                continue;
            QVERIFY2(ideograph > previous,
                     qPrintable(QStringLiteral("entry %1 is out of code-point order").arg(e)));
            previous = ideograph;
        }
    }

    void entriesStandAtTheirPlaces_data() {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<int>("position"); // 1-based; 0 for "anywhere"
        QTest::newRow("乁 first") << QStringLiteral("乁 1") << 1;
        QTest::newRow("丨 second") << QStringLiteral("丨 1") << 4;
        QTest::newRow("一 ends the 1-stroke group") << QStringLiteral("一 1") << 28;
        QTest::newRow("龘 last") << QStringLiteral("龘48") << 62701;
        const char* anywhere[] = {"乙 1", "人 2", "大 3", "中 4", "字 6", "划 6", "你 7", "国 8",
                                  "画 8", "笔10", "書10", "國11", "筆12", "数13", "愛13", "數15",
                                  "龍16", "學16", "體22", "鱻33", "龖32", "齉36", "靐39"};
        for (const char* entry : anywhere)
            QTest::newRow(entry) << QString::fromUtf8(entry) << 0;
    }
    void entriesStandAtTheirPlaces() {
        QFETCH(QString, entry);
        QFETCH(int, position);
        const qsizetype at = table.indexOf(entry);
        QVERIFY2(at >= 0, "entry not in the table");
        QCOMPARE(at % 3, 0);
        if (position != 0)
            QCOMPARE(at + 1, position);
    }

    void decodesWellFormedTables_data() {
        QTest::addColumn<QByteArray>("gbk");
        QTest::addColumn<QString>("decoded");
        QTest::newRow("one entry") << QByteArray("\xd7\xd6 6") << QStringLiteral("字 6");
        QTest::newRow("two entries") << QByteArray("\xd7\xd6 6\xb1\xca"
                                                   "10")
                                     << QStringLiteral("字 6笔10");
    }
    void decodesWellFormedTables() {
        QFETCH(QByteArray, gbk);
        QFETCH(QString, decoded);
        QCOMPARE(DecodeStrokeTable(gbk), decoded);
    }

    void rejectsMalformedTables_data() {
        QTest::addColumn<QByteArray>("gbk");
        QTest::addColumn<QString>("complaint");
        QTest::newRow("empty") << QByteArray() << "whole entries";
        QTest::newRow("lead byte cut off") << QByteArray("\xd7\xd6 6\xb1") << "not valid GBK";
        QTest::newRow("bad trail byte") << QByteArray("\x81\x20 6") << "not valid GBK";
        QTest::newRow("short entry") << QByteArray("\xd7\xd6"
                                                   "6")
                                     << "whole entries";
        QTest::newRow("letter in count") << QByteArray("\xd7\xd6 x") << "Entry 1";
        QTest::newRow("digit as key") << QByteArray("1 6\xd7\xd6 6") << "Entry 1";
        QTest::newRow("second entry bad") << QByteArray("\xd7\xd6 6\xb1\xcax1") << "Entry 2";
    }
    void rejectsMalformedTables() {
        QFETCH(QByteArray, gbk);
        QFETCH(QString, complaint);
        try {
            DecodeStrokeTable(gbk);
            QFAIL("a malformed table was accepted");
        } catch (const StrokeTableError& error) {
            QVERIFY2(QString::fromStdString(error.what()).contains(complaint), error.what());
        }
    }
};

QTEST_GUILESS_MAIN(TestStrokeTable)
#include "tst_stroke_table.moc"
