// Linked into test builds of the program: prints the title and text of the first message
// box the program shows and closes it, so a test can read what a user would have been told.
// With QUORVEL_MESSAGE_STAYS set, the message stays up for a test that reads it from
// outside, as a screen reader does, and closes it as a user does.
#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include <cstdio>

namespace {

void startReporter() {
    if (qEnvironmentVariableIsSet("QUORVEL_MESSAGE_STAYS"))
        return;
    auto* poll = new QTimer(qApp);
    QObject::connect(poll, &QTimer::timeout, [] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            // By now main() has named the application, as the desktop and tools see it.
            std::printf("APPLICATION: %s %s\n", qPrintable(QCoreApplication::applicationName()),
                        qPrintable(QCoreApplication::applicationVersion()));
            std::printf("MESSAGE TITLE: %s\n", qPrintable(box->windowTitle()));
            std::printf("MESSAGE BOX: %s\n", qPrintable(box->text()));
            std::fflush(stdout);
            box->accept();
        }
    });
    poll->start(20);
    // A program that shows no message at all is ended, so the test sees status 0.
    QTimer::singleShot(10'000, qApp, [] { QCoreApplication::exit(0); });
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(startReporter)
