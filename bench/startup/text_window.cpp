// The floor for any window with text: Form1's size, one line in the default font.
#include <QApplication>
#include <QLabel>
#include <QWidget>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QWidget window;
    window.setFixedSize(227, 123); // Form1's client size in pixels
    QLabel line(QStringLiteral("The quick brown fox jumps over the lazy dog"), &window);
    line.move(8, 8);
    window.show();
    return app.exec();
}
