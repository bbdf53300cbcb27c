// The program's own title bar (TitledWindow), which GNOME's Wayland session gets, and the
// refusal of maximised and full-screen states that every top-level window of it gets.
#include "form1_fixture.h"
#include "title_bar.h"

#include <QSignalSpy>

#include <QTest>

class TitleBarTest : public QObject {
    Q_OBJECT
private slots:
    void contentBelowTheBar();
    void contentGivenBack();
    void refusedStates_data();
    void refusedStates();
    void placeKeptThroughRequests_data();
    void placeKeptThroughRequests();
    void closeAsksTheContent();
    void keysUnderTheBar_data();
    void keysUnderTheBar();
};

void TitleBarTest::contentBelowTheBar() {
    auto form = std::make_unique<Form1>();
    form->load();
    QWidget* focused = form->focusWidget();
    TitledWindow titled(form.get());
    titled.show();
    QVERIFY(QTest::qWaitForWindowExposed(&titled));
    // The window is the client area and the bar, of one fixed size; the client area keeps
    // its own size and the caption and icon are the form's.
    QCOMPARE(titled.size(), QSize(227, 123 + TitledWindow::kBarHeight));
    QCOMPARE(titled.minimumSize(), titled.maximumSize());
    QCOMPARE(form->geometry(), QRect(0, TitledWindow::kBarHeight, 227, 123));
    QCOMPARE(titled.windowTitle(), form->windowTitle());
    QVERIFY(titled.windowFlags() & Qt::FramelessWindowHint);
    QVERIFY(!form->isWindow());
    QVERIFY(focused);
    QCOMPARE(QApplication::focusWidget(), focused); // Text1 keeps the focus
}

void TitleBarTest::contentGivenBack() {
    // The form outlives its titled window, as in main(), where the window goes first.
    Form1 form;
    form.load();
    {
        TitledWindow titled(&form);
        titled.show();
        QVERIFY(QTest::qWaitForWindowExposed(&titled));
    }
    QVERIFY(form.parentWidget() == nullptr);
    QVERIFY(!form.isVisible());
}

void TitleBarTest::refusedStates_data() {
    QTest::addColumn<bool>("titled");
    QTest::addColumn<Qt::WindowState>("state");
    QTest::newRow("the form, maximised") << false << Qt::WindowMaximized;
    QTest::newRow("the form, full screen") << false << Qt::WindowFullScreen;
    QTest::newRow("titled, maximised") << true << Qt::WindowMaximized;
    QTest::newRow("titled, full screen") << true << Qt::WindowFullScreen;
}

void TitleBarTest::refusedStates() {
    QFETCH(bool, titled);
    QFETCH(Qt::WindowState, state);
    auto owned = std::make_unique<Form1>();
    Form1* form = owned.get();
    form->load();
    std::unique_ptr<QWidget> titledWindow;
    QWidget* window = form;
    if (titled) {
        titledWindow = std::make_unique<TitledWindow>(form);
        window = titledWindow.get();
    }
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    const QSize size = window->size();
    window->setWindowState(state);
    QTRY_COMPARE(window->windowState(), Qt::WindowNoState);
    QCOMPARE(window->size(), size);
    QCOMPARE(form->size(), QSize(227, 123));
    // A minimised window is no bigger: the desktop may minimise it.
    window->setWindowState(Qt::WindowMinimized);
    QTest::qWait(50);
    QCOMPARE(window->windowState(), Qt::WindowMinimized);
}

// A window manager may move the window as it maximises it (mutter puts it in the work
// area's corner) and leave it there once the program has undone the state: it goes back to
// where it stood. A move of its own long before the request stays.
void TitleBarTest::placeKeptThroughRequests_data() {
    QTest::addColumn<Qt::WindowState>("state");
    QTest::addColumn<int>("msBetweenMoveAndRequest");
    QTest::addColumn<bool>("backToPlaceBeforeMove");
    QTest::newRow("maximised, moved with it") << Qt::WindowMaximized << 0 << true;
    QTest::newRow("full screen, moved with it") << Qt::WindowFullScreen << 0 << true;
    QTest::newRow("maximised, moved by the user before") << Qt::WindowMaximized << 600 << false;
}
void TitleBarTest::placeKeptThroughRequests() {
    QFETCH(Qt::WindowState, state);
    QFETCH(int, msBetweenMoveAndRequest);
    QFETCH(bool, backToPlaceBeforeMove);
    Form1 form;
    form.load();
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QTest::qWait(300); // standing still where the program put it
    const QPoint centred = form.geometry().topLeft();
    form.setGeometry(QRect(QPoint(0, 32), form.size()));
    QTest::qWait(msBetweenMoveAndRequest);
    const QPoint moved = form.geometry().topLeft();
    form.setWindowState(state);
    QTRY_COMPARE(form.windowState(), Qt::WindowNoState);
    QTest::qWait(400); // the second look, once the window manager is done
    QCOMPARE(form.geometry().topLeft(), backToPlaceBeforeMove ? centred : moved);
    QCOMPARE(form.size(), QSize(227, 123));
}

void TitleBarTest::closeAsksTheContent() {
    // Closing the titled window is closing the form: the program ends with status 0.
    Form1 form;
    form.load();
    TitledWindow titled(&form);
    titled.show();
    QVERIFY(QTest::qWaitForWindowExposed(&titled));

    QVERIFY(!titled.close()); // the form ignores the close and ends the program instead
    QVERIFY(titled.isVisible());
}

void TitleBarTest::keysUnderTheBar_data() {
    QTest::addColumn<QString>("focus");
    QTest::addColumn<bool>("command1");
    QTest::newRow("Text1") << "Text1" << true;
    QTest::newRow("Check1") << "Check1" << true;
    QTest::newRow("Command2") << "Command2" << false;
}

void TitleBarTest::keysUnderTheBar() {
    // Keys reach the form's controls, and Enter the form itself, as in a window of its own.
    QFETCH(QString, focus);
    QFETCH(bool, command1);
    Form1 form;
    form.load();
    TitledWindow titled(&form);
    titled.show();
    titled.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&titled));
    auto* clicked = form.findChild<PictureButton*>(command1 ? "Command1" : "Command2");
    QSignalSpy clicks(clicked, &PictureButton::clicked);
    form.findChild<QWidget*>(focus)->setFocus(Qt::TabFocusReason);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return); // as the window delivers it
    QCOMPARE(clicks.count(), 1);
}

QTEST_MAIN(TitleBarTest)
#include "tst_title_bar.moc"
