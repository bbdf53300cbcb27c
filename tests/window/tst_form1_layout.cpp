#include "form1_fixture.h"
#include "form_builder.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QImage>
#include <QScreen>
#include <QWindow>

namespace {

QImage picture(const char* name) {
    return QImage(QStringLiteral(":/pictures/%1").arg(QLatin1String(name)));
}

bool near(QRgb a, QRgb b, int tolerance) {
    return qAbs(qRed(a) - qRed(b)) <= tolerance && qAbs(qGreen(a) - qGreen(b)) <= tolerance &&
           qAbs(qBlue(a) - qBlue(b)) <= tolerance;
}

} // namespace

// How Form1 and its controls look when the window opens.
class TestForm1Layout : public QObject {
    Q_OBJECT
    Form1Fixture f;

private slots:
    void init() { QVERIFY(f.open()); }

    void windowIsFixedCentredAndCaptioned() {
        QWidget* form = f.form.get();
        QCOMPARE(form->objectName(), QStringLiteral("Form1"));
        QCOMPARE(form->windowTitle(), QStringLiteral("Quorvel :-)"));
        QCOMPARE(form->size(), QSize(227, 123));
        QCOMPARE(form->minimumSize(), QSize(227, 123));
        QCOMPARE(form->maximumSize(), QSize(227, 123));
        const Qt::WindowFlags flags = form->windowFlags();
        QVERIFY(flags.testFlag(Qt::WindowCloseButtonHint));
        QVERIFY(flags.testFlag(Qt::WindowSystemMenuHint));
        QVERIFY(!flags.testFlag(Qt::WindowMinimizeButtonHint));
        QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));
        QVERIFY(form->isWindow());
        QVERIFY(!form->windowIcon().isNull());
        const QPoint offCentre =
            form->frameGeometry().center() - form->screen()->availableGeometry().center();
        QVERIFY2(offCentre.manhattanLength() <= 2,
                 qPrintable(QStringLiteral("window centred at %1,%2 on a screen of %3x%4")
                                .arg(form->frameGeometry().center().x())
                                .arg(form->frameGeometry().center().y())
                                .arg(form->screen()->availableGeometry().width())
                                .arg(form->screen()->availableGeometry().height())));
    }

    // A window manager, a script or a tiling rule sizing the window: the size is undone,
    // so no bare background ever shows beside the picture.
    void forcedSizeIsUndone_data() {
        QTest::addColumn<QSize>("forced");
        QTest::newRow("twice the size (a script)") << QSize(454, 246);
        QTest::newRow("a tile's width") << QSize(512, 123);
        QTest::newRow("smaller") << QSize(120, 60);
    }
    void forcedSizeIsUndone() {
        QFETCH(QSize, forced);
        QWidget* form = f.form.get();
        QWindow* window = form->windowHandle();
        QVERIFY(window);
        window->resize(forced); // as the platform hands on the window manager's size
        QTRY_COMPARE(window->size(), QSize(227, 123));
        QCOMPARE(form->size(), QSize(227, 123));
    }

    void controls_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("className");
        QTest::addColumn<QRect>("geometry");
        QTest::addColumn<QString>("toolTip");
        QTest::addColumn<QString>("face");
        QTest::addColumn<qreal>("points");
        QTest::addColumn<int>("weight");
        QTest::addColumn<bool>("underline");
        QTest::addColumn<QString>("shownFamily");
        QTest::addColumn<bool>("tabStop");
        QTest::newRow("Text1") << "Text1"
                               << "QLineEdit" << QRect(24, 16, 49, 33)
                               << "在此处输入待求笔划的字(简体、繁体或者日文、韩文)"
                               << "宋体" << 15.75 << 700 << false << "AR PL UMing CN" << true;
        QTest::newRow("Text2") << "Text2"
                               << "QLineEdit" << QRect(80, 16, 89, 33) << "显示结果"
                               << "宋体" << 15.75 << 400 << false << "AR PL UMing CN" << true;
        QTest::newRow("Command1") << "Command1"
                                  << "PictureButton" << QRect(24, 64, 73, 33)
                                  << "按下该按钮或者按回车键，自动求笔划"
                                  << "黑体" << 12.0 << 400 << false << "WenQuanYi Zen Hei" << true;
        QTest::newRow("Command2") << "Command2"
                                  << "PictureButton" << QRect(128, 64, 73, 33) << "退出程序"
                                  << "黑体" << 12.0 << 400 << false << "WenQuanYi Zen Hei" << true;
        QTest::newRow("Check1") << "Check1"
                                << "PictureButton" << QRect(176, 16, 30, 30)
                                << "按下该按钮，输入汉字后即时显示笔划。"
                                << "楷体_GB2312" << 14.25 << 700 << false << "AR PL UKai CN"
                                << true;
        QTest::newRow("Label1") << "Label1"
                                << "LinkLabel" << QRect(8, 107, 185, 17) << "点击进入作者的网站"
                                << "宋体" << 9.0 << 400 << true << "AR PL UMing CN" << false;
    }
    void controls() {
        QFETCH(QString, name);
        QFETCH(QString, className);
        QFETCH(QRect, geometry);
        QFETCH(QString, toolTip);
        QFETCH(QString, face);
        QFETCH(qreal, points);
        QFETCH(int, weight);
        QFETCH(bool, underline);
        QFETCH(QString, shownFamily);
        QFETCH(bool, tabStop);
        QWidget* widget = f.control(name);
        QVERIFY(widget);
        QCOMPARE(QString::fromLatin1(widget->metaObject()->className()), className);
        QCOMPARE(widget->geometry(), geometry);
        QCOMPARE(widget->toolTip(), toolTip);
        QVERIFY(!widget->accessibleName().isEmpty());
        QCOMPARE(widget->font().family(), face);
        QCOMPARE(widget->font().pointSizeF(), points);
        QCOMPARE(widget->font().weight(), weight);
        QCOMPARE(widget->font().underline(), underline);
        QCOMPARE(QFontInfo(widget->font()).family(), shownFamily);
        QCOMPARE(QFontInfo(widget->font()).pixelSize(), qRound(points * 96 / 72));
        QCOMPARE(widget->focusPolicy() != Qt::NoFocus, tabStop);
    }

    void aMissingFaceFallsBackToItsCharacterSet() {
        const FontSpec unknown{u"无此字体", 12, 400, false, kGb2312Charset};
        addLastResortFace(unknown);
        const QString shown = QFontInfo(QFont(QStringLiteral("无此字体"))).family();
        QVERIFY2(QFontDatabase::families(QFontDatabase::SimplifiedChinese).contains(shown),
                 qPrintable(shown));
    }

    void boxesAreSingleLineWithoutLimit() {
        QVERIFY(!f.text1->isReadOnly());
        QVERIFY(f.text2->isReadOnly());
        QCOMPARE(f.text1->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignLeft);
        QCOMPARE(f.text2->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
        QCOMPARE(f.text1->maxLength(), std::numeric_limits<int>::max());
        QCOMPARE(f.label1->text(), QStringLiteral("https://example.org/quorvel/"));
    }

    void tabOrderRunsThroughFiveControls() {
        const QStringList order{"Text1", "Text2", "Command1", "Command2", "Check1", "Text1"};
        QWidget* widget = f.text1;
        for (qsizetype i = 1; i < order.size(); ++i) {
            widget = widget->nextInFocusChain();
            while (widget->focusPolicy() == Qt::NoFocus || !widget->isVisible())
                widget = widget->nextInFocusChain();
            QCOMPARE(widget->objectName(), order[i]);
        }
    }

    void picturesFollowTheButtonState_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("down");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<QString>("expected");
        QTest::newRow("Command1 normal") << "Command1" << false << true << "command1-normal.jpg";
        QTest::newRow("Command1 down") << "Command1" << true << true << "command1-down.jpg";
        QTest::newRow("Command2 normal") << "Command2" << false << true << "command2-normal.jpg";
        QTest::newRow("Command2 down") << "Command2" << true << true << "command2-down.jpg";
        QTest::newRow("Command2 disabled")
            << "Command2" << false << false << "command2-disabled.jpg";
    }
    void picturesFollowTheButtonState() {
        QFETCH(QString, name);
        QFETCH(bool, down);
        QFETCH(bool, enabled);
        QFETCH(QString, expected);
        auto* button = qobject_cast<PictureButton*>(f.control(name));
        button->setDown(down);
        button->setEnabled(enabled);
        QCOMPARE(button->currentPicture().toImage(),
                 picture(expected.toLatin1())
                     .convertToFormat(button->currentPicture().toImage().format()));
    }

    void toggleShowsItsValue() {
        const auto shows = [&](const char* name) {
            const QImage shown = f.check1->currentPicture().toImage();
            return shown == picture(name).convertToFormat(shown.format());
        };
        QCOMPARE(f.form->check1Value(), 1);
        QVERIFY(shows("check1-down.jpg"));
        f.check1->setChecked(false);
        QCOMPARE(f.form->check1Value(), 0);
        QVERIFY(shows("check1-up.jpg"));
    }

    void focusedButtonsShowIt_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("Command1") << "Command1";
        QTest::newRow("Command2") << "Command2";
        QTest::newRow("Check1") << "Check1";
    }
    void focusedButtonsShowIt() {
        QFETCH(QString, name);
        QWidget* button = f.control(name);
        const QImage unfocused = button->grab().toImage();
        button->setFocus(Qt::TabFocusReason);
        QVERIFY(button->hasFocus());
        QVERIFY2(button->grab().toImage() != unfocused, "no focus indicator");
    }

    void labelHasTheHandCursor() {
        QCOMPARE(f.label1->cursor().shape(), Qt::BitmapCursor);
        QCOMPARE(f.label1->cursor().hotSpot(), QPoint(12, 1));
        QCOMPARE(f.label1->cursor().pixmap().size(), QSize(32, 32));
        QCOMPARE(f.text1->cursor().shape(), Qt::IBeamCursor);
        QCOMPARE(f.command1->cursor().shape(), Qt::ArrowCursor);
    }

    // What the window shows, pixel by pixel.
    void paintedPixels_data() {
        QTest::addColumn<QPoint>("at");
        QTest::addColumn<QRgb>("expected"); // 0: the background picture's own pixel
        QTest::newRow("background top-left") << QPoint(0, 0) << QRgb(0);
        QTest::newRow("background bottom-right clipped") << QPoint(226, 122) << QRgb(0);
        QTest::newRow("background between controls") << QPoint(110, 55) << QRgb(0);
        QTest::newRow("Text1 is white") << QPoint(60, 40) << qRgb(255, 255, 255);
        QTest::newRow("Text2 is grey") << QPoint(160, 40) << qRgb(224, 224, 224);
        QTest::newRow("Command1 face beside its picture") << QPoint(24, 80) << qRgb(255, 255, 255);
        QTest::newRow("Command2 face beside its picture") << QPoint(128, 80) << qRgb(0, 192, 0);
        QTest::newRow("Check1 face beside its picture") << QPoint(205, 45) << qRgb(255, 255, 255);
    }
    void paintedPixels() {
        QFETCH(QPoint, at);
        QFETCH(QRgb, expected);
        const QImage shown = f.form->grab().toImage();
        QCOMPARE(shown.size(), QSize(227, 123));
        if (expected == 0)
            expected = picture("background.jpg").pixel(at);
        QVERIFY2(near(shown.pixel(at), expected, 2), qPrintable(QStringLiteral("%1 instead of %2")
                                                                    .arg(shown.pixel(at), 8, 16)
                                                                    .arg(expected, 8, 16)));
    }

    void labelTextIsLightGreenOnTheBackground() {
        const QImage shown = f.form->grab().toImage();
        int lightGreen = 0;
        for (int y = 107; y < 123; ++y) {
            for (int x = 8; x < 193; ++x)
                lightGreen += near(shown.pixel(x, y), qRgb(128, 255, 128), 24) ? 1 : 0;
        }
        QVERIFY2(lightGreen > 50, qPrintable(QString::number(lightGreen)));
        // No background of its own: its top-left corner shows the window's picture.
        QVERIFY(near(shown.pixel(190, 110), picture("background.jpg").pixel(190, 110), 2));
    }
};

QTEST_MAIN(TestForm1Layout)
#include "tst_form1_layout.moc"
