#include "stroke_table.h"

#include <QTest>

// This test binary carries no packaged table, as a broken build or package would.
class TestMissingTable : public QObject {
    Q_OBJECT
private slots:
    void loadNamesTheMissingItem() {
        try {
            LoadStrokeTable();
            QFAIL("loading succeeded without a packaged table");
        } catch (const StrokeTableError& error) {
            const QString message = QString::fromStdString(error.what());
            QVERIFY2(message.contains(QLatin1String(kStrokeTableResource)), qPrintable(message));
            QVERIFY2(message.contains(QLatin1String("missing")), qPrintable(message));
        }
    }
};

QTEST_GUILESS_MAIN(TestMissingTable)
#include "tst_missing_table.moc"
