#include "form1_fixture.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QInputMethodEvent>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTimer>
#include <QUrl>

// Receives the addresses the window asks the desktop to open.
class UrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void open(const QUrl& url) { opened << url; }
};

namespace {

void commit(QWidget* box, const QString& text) {
    QInputMethodEvent event;
    event.setCommitString(text);
    QCoreApplication::sendEvent(box, &event);
}

void preedit(QWidget* box, const QString& text) {
    QInputMethodEvent event(
        text, {QInputMethodEvent::Attribute(QInputMethodEvent::Cursor, int(text.size()), 1)});
    QCoreApplication::sendEvent(box, &event);
}

bool allSelected(const QLineEdit* box) {
    return box->text().isEmpty() ||
           (box->selectionStart() == 0 && box->selectedText() == box->text());
}

} // namespace

// What each user action does.
class TestForm1Behaviour : public QObject {
    Q_OBJECT
    Form1Fixture f;

private slots:
    void init() { QVERIFY(f.open()); }

    void startsReadyToType() {
        QCOMPARE(QApplication::focusWidget(), f.text1);
        QCOMPARE(f.form->check1Value(), 1);
        QVERIFY(f.text1->text().isEmpty());
        QVERIFY(f.text2->text().isEmpty());
        QVERIFY(!f.command1->isDown());
        QVERIFY(!f.command2->isDown());
    }

    // Typing with auto look-up on: every key is looked up at once.
    void typing_data() {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("text1");
        QTest::addColumn<QString>("text2");
        QTest::newRow("字") << "字"
                            << "字"
                            << "字:6划";
        QTest::newRow("letter a goes") << "a"
                                       << ""
                                       << "";
        QTest::newRow("digit 5 stays") << "5"
                                       << "5"
                                       << "";
        QTest::newRow("space stays") << " "
                                     << " "
                                     << "";
        QTest::newRow("each key replaces the last") << "字笔龍"
                                                    << "龍"
                                                    << "龍:16划";
        QTest::newRow("a miss keeps the last result away") << "字a"
                                                           << ""
                                                           << "";
        QTest::newRow("a digit after a result") << "字5"
                                                << "5"
                                                << "";
        QTest::newRow("full-width digit goes") << "字９"
                                               << ""
                                               << "";
        QTest::newRow("kana goes") << "か"
                                   << ""
                                   << "";
    }
    void typing() {
        QFETCH(QString, keys);
        QFETCH(QString, text1);
        QFETCH(QString, text2);
        typeText(f.text1, keys);
        QCOMPARE(f.text1->text(), text1);
        QCOMPARE(f.text2->text(), text2);
        QVERIFY2(allSelected(f.text1), qPrintable(f.text1->selectedText()));
        QCOMPARE(QApplication::focusWidget(), f.text1);
    }

    // Auto look-up off: nothing happens until Enter or a click on Command1.
    void lookingUpOnRequest_data() {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<bool>("byEnter");
        QTest::addColumn<QString>("text1");
        QTest::addColumn<QString>("text2");
        QTest::newRow("字 Enter") << "字" << true << "字"
                                  << "字:6划";
        QTest::newRow("字 click") << "字" << false << "字"
                                  << "字:6划";
        QTest::newRow("中国 click") << "中国" << false << "中国"
                                    << "中:4划";
        QTest::newRow("a Enter empties") << "a" << true << ""
                                         << "";
        QTest::newRow("5字 Enter skips") << "5字" << true << "5字"
                                         << "";
        QTest::newRow("empty click") << "" << false << ""
                                     << "";
    }
    void lookingUpOnRequest() {
        QFETCH(QString, keys);
        QFETCH(bool, byEnter);
        QFETCH(QString, text1);
        QFETCH(QString, text2);
        QTest::mouseClick(f.check1, Qt::LeftButton);
        QCOMPARE(f.form->check1Value(), 0);
        typeText(f.text1, keys);
        QCOMPARE(f.text1->text(), keys);
        QVERIFY(f.text2->text().isEmpty());
        QSignalSpy changes(f.text1, &QLineEdit::textChanged);
        if (byEnter)
            QTest::keyClick(f.text1, Qt::Key_Return);
        else
            QTest::mouseClick(f.command1, Qt::LeftButton);
        QCOMPARE(f.text1->text(), text1);
        QCOMPARE(f.text2->text(), text2);
        QVERIFY(allSelected(f.text1));
        QCOMPARE(QApplication::focusWidget(), f.text1);
        // Emptying the box is the only change, and with auto look-up off it looks up nothing.
        QCOMPARE(changes.count(), text1 == keys ? 0 : 1);
    }

    void anEmptyLookUpClearsTheOldResult() {
        typeText(f.text1, QStringLiteral("字"));
        QCOMPARE(f.text2->text(), QStringLiteral("字:6划"));
        QTest::mouseClick(f.check1, Qt::LeftButton);
        QTest::keyClick(f.text1, Qt::Key_Backspace);
        QCOMPARE(f.text2->text(), QStringLiteral("字:6划"));
        QTest::mouseClick(f.command1, Qt::LeftButton);
        QVERIFY(f.text2->text().isEmpty());
        QCOMPARE(QApplication::focusWidget(), f.text1);
    }

    void switchingAutoLookUpBackOnLooksNothingUp() {
        QTest::mouseClick(f.check1, Qt::LeftButton);
        typeText(f.text1, QStringLiteral("字"));
        QTest::mouseClick(f.check1, Qt::LeftButton);
        QCOMPARE(f.form->check1Value(), 1);
        QVERIFY(f.text2->text().isEmpty());
        typeText(f.text1, QStringLiteral("笔"));
        QCOMPARE(f.text2->text(), QStringLiteral("字:6划")); // the caret was after 字
    }

    void programChangesAreLookedUpToo() {
        f.text1->setText(QStringLiteral("龘"));
        QCOMPARE(f.text2->text(), QStringLiteral("龘:48划"));
        f.text1->setText(QStringLiteral("b"));
        QVERIFY(f.text1->text().isEmpty());
        QVERIFY(f.text2->text().isEmpty());
    }

    // Enter presses Command1 from everywhere but Command2, which it presses instead.
    void enterPressesTheRightButton_data() {
        QTest::addColumn<QString>("focus");
        QTest::addColumn<bool>("command1");
        QTest::newRow("Text1") << "Text1" << true;
        QTest::newRow("Text2") << "Text2" << true;
        QTest::newRow("Command1") << "Command1" << true;
        QTest::newRow("Check1") << "Check1" << true;
        QTest::newRow("Command2") << "Command2" << false;
    }
    void enterPressesTheRightButton() {
        QFETCH(QString, focus);
        QFETCH(bool, command1);
        QSignalSpy clicks1(f.command1, &PictureButton::clicked);
        QSignalSpy clicks2(f.command2, &PictureButton::clicked);
        QWidget* focused = f.control(focus);
        focused->setFocus(Qt::TabFocusReason);
        QTest::keyClick(focused, Qt::Key_Return);
        QTest::keyClick(focused, Qt::Key_Enter, Qt::KeypadModifier);
        QCOMPARE(clicks1.count(), command1 ? 2 : 0);
        QCOMPARE(clicks2.count(), command1 ? 0 : 2);
        QCOMPARE(f.form->check1Value(), 1); // Enter never flips the toggle
    }

    void escapeDoesNothing() {
        typeText(f.text1, QStringLiteral("字"));
        QSignalSpy clicks1(f.command1, &PictureButton::clicked);
        QSignalSpy clicks2(f.command2, &PictureButton::clicked);
        QTest::keyClick(f.text1, Qt::Key_Escape);
        QCOMPARE(clicks1.count() + clicks2.count(), 0);
        QCOMPARE(f.text1->text(), QStringLiteral("字"));
        QCOMPARE(f.text2->text(), QStringLiteral("字:6划"));
        QVERIFY(f.form->isVisible());
    }

    void tabCyclesBothWays() {
        const QList<QWidget*> order{f.text2, f.command1, f.command2, f.check1, f.text1};
        for (QWidget* next : order) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), next);
        }
        for (qsizetype i = order.size() - 2; i >= 0; --i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
            QCOMPARE(QApplication::focusWidget(), order[i]);
        }
    }

    void toggleFlipsByClickAndSpace() {
        QTest::mouseClick(f.check1, Qt::LeftButton);
        QCOMPARE(f.form->check1Value(), 0);
        QTest::mouseClick(f.check1, Qt::LeftButton);
        QCOMPARE(f.form->check1Value(), 1);
        f.check1->setFocus(Qt::TabFocusReason);
        QTest::keyClick(f.check1, Qt::Key_Space);
        QCOMPARE(f.form->check1Value(), 0);
    }

    void spaceOnCommand1LooksUp() {
        QTest::mouseClick(f.check1, Qt::LeftButton);
        typeText(f.text1, QStringLiteral("書"));
        f.command1->setFocus(Qt::TabFocusReason);
        QTest::keyClick(f.command1, Qt::Key_Space);
        QCOMPARE(f.text2->text(), QStringLiteral("書:10划"));
        QCOMPARE(QApplication::focusWidget(), f.text1);
    }

    void resultBoxIsReadOnlyButCopyable() {
        typeText(f.text1, QStringLiteral("字"));
        QApplication::clipboard()->setText(QStringLiteral("pasted"));
        QTest::mouseClick(f.text2, Qt::LeftButton);
        QCOMPARE(QApplication::focusWidget(), f.text2);
        typeText(f.text2, QStringLiteral("xyz"));
        QTest::keySequence(f.text2, QKeySequence::Paste);
        QTest::keyClick(f.text2, Qt::Key_Backspace);
        QTest::keyClick(f.text2, Qt::Key_Delete);
        QCOMPARE(f.text2->text(), QStringLiteral("字:6划"));
        QTest::keySequence(f.text2, QKeySequence::SelectAll);
        QTest::keySequence(f.text2, QKeySequence::Copy);
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("字:6划"));
    }

    void pastedTextLooksUpItsFirstCharacter() {
        QApplication::clipboard()->setText(QStringLiteral("數学"));
        QTest::keySequence(f.text1, QKeySequence::Paste);
        QCOMPARE(f.text1->text(), QStringLiteral("數学"));
        QCOMPARE(f.text2->text(), QStringLiteral("數:15划"));
        QVERIFY(allSelected(f.text1));
    }

    // A huge paste is kept whole; only its first unit is looked up.
    void aMegabytePasteIsKeptWhole() {
        const QString huge = QStringLiteral("字") + QString(999'999, u'x');
        QApplication::clipboard()->setText(huge);
        QTest::keySequence(f.text1, QKeySequence::Paste);
        QCOMPARE(f.text1->text().size(), huge.size());
        QVERIFY(f.text1->text() == huge);
        QCOMPARE(f.text2->text(), QStringLiteral("字:6划"));
        QVERIFY(allSelected(f.text1));
        QApplication::clipboard()->setText(QStringLiteral("a") + huge);
        QTest::keySequence(f.text1, QKeySequence::Paste);
        QVERIFY(f.text1->text().isEmpty());
    }

    // An input method: the preedit is no change of the text; the commit is looked up, and a
    // composition begun over the selected result is left open.
    void inputMethodCommitsAreLookedUp() {
        QApplication::setCursorFlashTime(0); // a steady caret keeps grabs comparable
        const QImage emptyBox = f.text1->grab().toImage();
        preedit(f.text1, QStringLiteral("zhongguo"));
        QVERIFY(f.text1->text().isEmpty());
        commit(f.text1, QStringLiteral("中国"));
        QCOMPARE(f.text1->text(), QStringLiteral("中国"));
        QCOMPARE(f.text2->text(), QStringLiteral("中:4划"));
        QVERIFY(allSelected(f.text1));

        QSignalSpy focusChanges(qApp, &QApplication::focusChanged);
        preedit(f.text1, QStringLiteral("n"));
        QVERIFY(f.text1->text().isEmpty()); // the selected result made way
        QVERIFY(f.text2->text().isEmpty());
        QCOMPARE(focusChanges.count(), 0);
        QVERIFY2(f.text1->grab().toImage() != emptyBox, "the open composition was dropped");

        preedit(f.text1, QStringLiteral("nihao"));
        commit(f.text1, QStringLiteral("你好"));
        QCOMPARE(f.text1->text(), QStringLiteral("你好"));
        QCOMPARE(f.text2->text(), QStringLiteral("你:7划"));
        QVERIFY(allSelected(f.text1));
    }

    void label1OpensTheAuthorsAddress() {
        UrlCatcher catcher;
        QDesktopServices::setUrlHandler(QStringLiteral("https"), &catcher, "open");
        QTest::mouseClick(f.label1, Qt::LeftButton);
        QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
        QCOMPARE(catcher.opened, QList<QUrl>{QUrl(QStringLiteral("https://example.org/quorvel/"))});
        QCOMPARE(f.label1->text(), catcher.opened.value(0).toString());
    }

    // The offscreen platform has no browser: the address is shown instead and the
    // program goes on.
    void anUnopenedAddressIsShownNotFatal() {
        QTest::mouseClick(f.label1, Qt::LeftButton);
        auto* message = f.form->findChild<QMessageBox*>(QStringLiteral("unopenedAddressMessage"));
        QVERIFY(message);
        QVERIFY(message->text().contains(QStringLiteral("https://example.org/quorvel/")));
        message->close();
        QVERIFY(f.form->isVisible());
        typeText(f.text1, QStringLiteral("字"));
        QCOMPARE(f.text2->text(), QStringLiteral("字:6划"));
    }

    void command2EndsTheProgram() {
        typeText(f.text1, QStringLiteral("字"));
        QTimer::singleShot(0, f.command2, [&] { QTest::mouseClick(f.command2, Qt::LeftButton); });
        QTimer::singleShot(5000, [] { QCoreApplication::exit(99); }); // in case it does not
        QCOMPARE(QCoreApplication::exec(), 0);
    }
};

QTEST_MAIN(TestForm1Behaviour)
#include "tst_form1_behaviour.moc"
