#include "form1_fixture.h"
#include "readable_colours.h"

#include <QApplication>
#include <QImage>
#include <QPalette>

namespace {

// A desktop's palette as its colour scheme hands it to Qt programs.
QPalette scheme(const QString& name) {
    struct Colours {
        QColor window, windowText, base, text, highlight, highlightedText;
    };
    const Colours colours =
        name == u"darker" // qt6ct's darker.conf
            ? Colours{"#222020", "#ffffff", "#3d3d3d", "#ffffff", "#12608a", "#f9f9f9"}
            : name == u"breeze dark" // KDE Plasma's Breeze Dark
                  ? Colours{"#202326", "#fcfcfc", "#141618", "#fcfcfc", "#3daee9", "#fcfcfc"}
                  : Colours{"#efefef", "#000000", "#ffffff", "#000000", "#308cc6", "#ffffff"};
    QPalette palette(colours.windowText, colours.window, colours.window.lighter(),
                     colours.window.darker(), colours.window.darker(120), colours.text,
                     colours.text, colours.base, colours.window);
    palette.setColor(QPalette::Highlight, colours.highlight);
    palette.setColor(QPalette::HighlightedText, colours.highlightedText);
    return palette;
}

double contrast(QRgb a, QRgb b) {
    const auto rgb = [](QRgb c) { return Rgb{uchar(qRed(c)), uchar(qGreen(c)), uchar(qBlue(c))}; };
    return contrastRatio(rgb(a), rgb(b));
}

// What a rendered box shows inside its frame: the commonest colour (the ground the text
// stands on) and how many pixels stand out from it as readable ink.
struct Shown {
    QRgb ground = 0;
    double strongest = 1;
    int inkPixels = 0;
};

Shown measure(const QImage& image) {
    const QRect inside = image.rect().adjusted(4, 4, -4, -4);
    QHash<QRgb, int> counts;
    for (int y = inside.top(); y <= inside.bottom(); ++y)
        for (int x = inside.left(); x <= inside.right(); ++x)
            ++counts[image.pixel(x, y) | 0xFF000000];
    Shown shown;
    int most = 0;
    for (auto it = counts.begin(); it != counts.end(); ++it) {
        if (it.value() > most) {
            most = it.value();
            shown.ground = it.key();
        }
    }
    for (auto it = counts.begin(); it != counts.end(); ++it) {
        const double ratio = contrast(it.key(), shown.ground);
        shown.strongest = std::max(shown.strongest, ratio);
        if (ratio >= 4.5)
            shown.inkPixels += it.value();
    }
    return shown;
}

} // namespace

// The boxes' text stays legible on their fixed light faces under a dark colour scheme, set
// before the window opens or switched to while it runs, selected or not.
class TestDarkScheme : public QObject {
    Q_OBJECT
    Form1Fixture f;
    QPalette original_;

private slots:
    void initTestCase() { original_ = QApplication::palette(); }
    void cleanup() {
        f.form.reset();
        QApplication::setPalette(original_);
    }

    void textStandsOutFromItsGround_data() {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("scheme");
        QTest::addColumn<bool>("switchedWhileRunning");
        QTest::addColumn<bool>("selected");
        QTest::addColumn<QRgb>("face"); // the ground of unselected text
        const QRgb white = qRgb(255, 255, 255), grey = qRgb(224, 224, 224);
        QTest::newRow("Text1, light") << "Text1"
                                      << "light" << false << false << white;
        QTest::newRow("Text2, light") << "Text2"
                                      << "light" << false << false << grey;
        QTest::newRow("Text1, darker") << "Text1"
                                       << "darker" << false << false << white;
        QTest::newRow("Text2, darker") << "Text2"
                                       << "darker" << false << false << grey;
        QTest::newRow("Text1, switched to darker") << "Text1"
                                                   << "darker" << true << false << white;
        QTest::newRow("Text2, switched to darker") << "Text2"
                                                   << "darker" << true << false << grey;
        QTest::newRow("Text1, darker, selected") << "Text1"
                                                 << "darker" << false << true << 0u;
        QTest::newRow("Text2, Breeze Dark") << "Text2"
                                            << "breeze dark" << false << false << grey;
        QTest::newRow("Text1, Breeze Dark, selected") << "Text1"
                                                      << "breeze dark" << false << true << 0u;
        QTest::newRow("Text2, switched to Breeze Dark, selected")
            << "Text2"
            << "breeze dark" << true << true << 0u;
    }
    void textStandsOutFromItsGround() {
        QFETCH(QString, box);
        QFETCH(QString, scheme);
        QFETCH(bool, switchedWhileRunning);
        QFETCH(bool, selected);
        QFETCH(QRgb, face);
        if (!switchedWhileRunning)
            QApplication::setPalette(::scheme(scheme));
        QVERIFY(f.open());
        if (switchedWhileRunning) {
            // The window hears of it through its event queue.
            QApplication::setPalette(::scheme(scheme));
            QTRY_COMPARE(f.form->palette().color(QPalette::Text),
                         ::scheme(scheme).color(QPalette::Text));
        }

        f.check1->setChecked(false); // the text stays as set, unselected
        f.command1->setFocus();      // no caret, no focus frame in the boxes
        auto* shownBox = qobject_cast<QLineEdit*>(f.control(box));
        shownBox->setText(box == u"Text1" ? QStringLiteral("字字") : QStringLiteral("字:6划"));
        if (selected)
            shownBox->selectAll();
        else
            shownBox->deselect();
        const Shown shown = measure(shownBox->grab().toImage());
        const QString seen = QStringLiteral("ground %1, strongest ink %2:1 over %3 pixels")
                                 .arg(shown.ground, 8, 16)
                                 .arg(shown.strongest, 0, 'f', 2)
                                 .arg(shown.inkPixels);
        if (face != 0)
            QVERIFY2(shown.ground == (face | 0xFF000000), qPrintable(seen));
        QVERIFY2(shown.strongest >= 4.5 && shown.inkPixels >= 40, qPrintable(seen));
    }
};

QTEST_MAIN(TestDarkScheme)
#include "tst_dark_scheme.moc"
