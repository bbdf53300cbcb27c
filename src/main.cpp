#include "form1.h"

#include <QApplication>
#include <QMessageBox>

#include <cstdlib>
#include <exception>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quorvel"));
    QApplication::setApplicationVersion(QStringLiteral(QUORVEL_VERSION));

    Form1 form;
    try {
        form.load();
    } catch (const std::exception& error) {
        // Without its table the program can do nothing: say why and end.
        QMessageBox::critical(
            nullptr, QStringLiteral("Quorvel"),
            QStringLiteral("运行时错误：\n%1").arg(QString::fromUtf8(error.what())));
        return EXIT_FAILURE;
    }
    form.show();
    return app.exec();
}
