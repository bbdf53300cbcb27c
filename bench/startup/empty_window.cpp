// The floor for any window at all: Form1's size, nothing in it.
#include <QApplication>
#include <QWidget>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QWidget window;
    window.setFixedSize(227, 123); // Form1's client size in pixels
    window.show();
    return app.exec();
}
