// Linked into a test build of the program with allocation_fault.cpp and
// message_reporter.cpp. Once the window is up, it does what QUORVEL_FAULT names, as a user
// would, with one allocation made to fail while the real window handles that event. What
// the program then shows, and how it ends, is for the test to judge. Should the failure
// never be met, or the program go on after it, this says so and ends with status 3.
#include "allocation_fault.h"

#include <QApplication>
#include <QClipboard>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <cstdio>
#include <cstdlib>

namespace {

struct Fault {
    const char* name;    // QUORVEL_FAULT's value
    const char* control; // the receiver of the event: a control's name, or Form1
    QEvent::Type event;
    std::size_t bytes; // the allocation that fails: the first of at least this many bytes
    void (*act)(QWidget* form);
};

QWidget* control(QWidget* form, const char* name) {
    return form->objectName() == QLatin1String(name)
               ? form
               : form->findChild<QWidget*>(QLatin1String(name));
}

void typeCharacter(QWidget* box, const QString& character) {
    QTest::sendKeyEvent(QTest::Click, box, Qt::Key_unknown, character, Qt::NoModifier);
}

constexpr std::size_t kAny = 1;
// More than anything the window allocates at once for its own needs (the stroke table's
// text is 125 KB); a paste of a million characters asks Qt's text box for more.
constexpr std::size_t kMoreThanTheWindowNeeds = 4 << 20;

const Fault kFaults[] = {
    {"key", "Text1", QEvent::KeyPress, kAny,
     [](QWidget* form) { typeCharacter(control(form, "Text1"), QStringLiteral("字")); }},
    {"command1", "Command1", QEvent::MouseButtonRelease, kAny,
     [](QWidget* form) {
         typeCharacter(control(form, "Text1"), QStringLiteral("字"));
         QTest::mouseClick(control(form, "Command1"), Qt::LeftButton);
     }},
    {"label1", "Label1", QEvent::MouseButtonRelease, kAny,
     [](QWidget* form) { QTest::mouseClick(control(form, "Label1"), Qt::LeftButton); }},
    {"paste", "Text1", QEvent::KeyPress, kMoreThanTheWindowNeeds,
     [](QWidget* form) {
         QApplication::clipboard()->setText(QString(1'000'000, u'a'));
         QTest::keyClick(control(form, "Text1"), Qt::Key_V, Qt::ControlModifier);
     }},
    {"repaint", "Form1", QEvent::Paint, kAny, [](QWidget* form) { form->repaint(); }},
};

// Makes the allocation fail from the moment the event reaches its receiver.
class FailureArmer : public QObject {
public:
    explicit FailureArmer(const Fault& fault) : fault_(fault) {}

    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == fault_.event)
            failNextAllocation(fault_.bytes);
        return false;
    }

private:
    const Fault& fault_;
};

[[noreturn]] void giveUp(const char* why) {
    std::printf("FAULT: %s\n", why);
    std::fflush(stdout);
    std::_Exit(3);
}

void inject(const Fault& fault, QWidget* form) {
    QWidget* receiver = control(form, fault.control);
    if (!receiver)
        giveUp("no such control");
    receiver->installEventFilter(new FailureArmer(fault));
    fault.act(form);
    giveUp(allocationFailed() ? "the program went on after the failure"
                              : "the failing allocation was never made");
}

QWidget* shownForm() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->objectName() == QLatin1String("Form1") && widget->isActiveWindow())
            return widget;
    }
    return nullptr;
}

void startDriver() {
    const QByteArray name = qgetenv("QUORVEL_FAULT");
    const Fault* chosen = nullptr;
    for (const Fault& fault : kFaults) {
        if (name == fault.name)
            chosen = &fault;
    }
    if (!chosen)
        giveUp("QUORVEL_FAULT names no fault");
    auto* poll = new QTimer(qApp);
    QObject::connect(poll, &QTimer::timeout, [poll, chosen] {
        if (QWidget* form = shownForm()) {
            poll->stop();
            inject(*chosen, form);
        }
    });
    poll->start(20);
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(startDriver)
