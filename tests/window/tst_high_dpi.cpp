#include "form1_fixture.h"

#include <QImage>

// At 200 % the window keeps its layout in logical pixels and draws the doubled pictures.
class TestHighDpi : public QObject {
    Q_OBJECT
    Form1Fixture f;

private slots:
    void init() { QVERIFY(f.open()); }

    void picturesAreDrawnAtDoubleDensity_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QSize>("logical");
        QTest::newRow("Command1") << "Command1" << QSize(69, 33);
        QTest::newRow("Command2") << "Command2" << QSize(69, 33);
        QTest::newRow("Check1") << "Check1" << QSize(29, 29);
    }
    void picturesAreDrawnAtDoubleDensity() {
        QFETCH(QString, name);
        QFETCH(QSize, logical);
        QCOMPARE(f.form->devicePixelRatio(), 2.0);
        auto* button = qobject_cast<PictureButton*>(f.control(name));
        const QPixmap& shown = button->currentPicture();
        QCOMPARE(shown.devicePixelRatio(), 2.0);
        QCOMPARE(shown.size(), logical * 2);
        QCOMPARE(shown.deviceIndependentSize().toSize(), logical);
    }

    void windowKeepsItsLogicalSize() {
        QCOMPARE(f.form->size(), QSize(227, 123));
        QCOMPARE(f.control(QStringLiteral("Text2"))->geometry(), QRect(80, 16, 89, 33));
        const QImage shown = f.form->grab().toImage();
        QCOMPARE(shown.size(), QSize(454, 246));
        // The background is the doubled picture, drawn pixel for pixel.
        const QImage background(QStringLiteral(":/pictures/background@2x.jpg"));
        QCOMPARE(shown.pixel(1, 1), background.pixel(1, 1));
        QCOMPARE(shown.pixel(453, 245), background.pixel(453, 245));
    }
};

QTEST_MAIN(TestHighDpi)
#include "tst_high_dpi.moc"
