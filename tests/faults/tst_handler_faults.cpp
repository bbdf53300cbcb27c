#include <QProcess>
#include <QTest>

// An error raised while the real window handles an event, in its own code or in Qt's under
// it, ends the program with the run-time error message naming the error and status 1. Each
// row runs the test build of the program that makes one allocation fail inside that event.
class TestHandlerFaults : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        // Under qemu-user Qt starts no program at all: qemu-user refuses the clone() with
        // CLONE_PIDFD that Qt asks for, and the start fails at once with EINVAL. Only
        // then is the whole test skipped, and said so; a probe that started and did not
        // end in time is a failure like any other.
        QProcess probe;
        probe.start(QStringLiteral("/bin/true"), {});
        if (probe.waitForFinished(60'000))
            return;
        const QString why = probe.errorString();
        if (probe.error() == QProcess::FailedToStart && why.contains(QStringLiteral("fork")) &&
            why.contains(QStringLiteral("Invalid argument")))
            QSKIP(qPrintable(QStringLiteral("Qt cannot start another program here, as under "
                                            "qemu-user (") +
                             why + QStringLiteral(")")));
        QFAIL(qPrintable(QStringLiteral("/bin/true did not run to its end: ") + why));
    }
    void endsWithTheRunTimeErrorMessage_data() {
        QTest::addColumn<QString>("fault");
        QTest::newRow("a key typed into Text1") << "key";
        QTest::newRow("a click on Command1") << "command1";
        QTest::newRow("a click on Label1 (opening the page)") << "label1";
        QTest::newRow("a paste larger than the memory left") << "paste";
        QTest::newRow("a repaint of the window") << "repaint";
    }
    void endsWithTheRunTimeErrorMessage() {
        QFETCH(QString, fault);
        QProcess program;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QUORVEL_FAULT"), fault);
        program.setProcessEnvironment(environment);
        program.start(QStringLiteral(QUORVEL_FAULT_PROGRAM), {});
        QVERIFY(program.waitForFinished(60'000));
        const QString output = QString::fromUtf8(program.readAllStandardOutput());
        const QByteArray errors = program.readAllStandardError();
        QVERIFY2(program.exitStatus() == QProcess::NormalExit,
                 qPrintable(QStringLiteral("crashed: ") + output + QString::fromUtf8(errors)));
        QVERIFY2(output.contains(QStringLiteral("MESSAGE TITLE: Quorvel\n"
                                                "MESSAGE BOX: 运行时错误：\n内存不足（std::bad_alloc）\n")),
                 qPrintable(output + QString::fromUtf8(errors)));
        QCOMPARE(program.exitCode(), 1);
    }
};

QTEST_GUILESS_MAIN(TestHandlerFaults)
#include "tst_handler_faults.moc"
