#pragma once

#include "stroke_table.h"

#include <QPixmap>
#include <QWidget>

class QLineEdit;
class LinkLabel;
class PictureButton;

// The program's one window. It owns the stroke table and the controls' state; all it
// does happens in its five handlers: load, Command1 click, Text1 change, Command2 click
// and Label1 click.
class Form1 : public QWidget {
    Q_OBJECT
public:
    explicit Form1(QWidget* parent = nullptr);

    // The window's load, run once before it is first shown: reads the stroke table.
    // Throws StrokeTableError, which ends the program with a run-time error message.
    void load();

    // 1 while Check1 is down (look up on every change of Text1), 0 while it is up.
    int check1Value() const;

protected:
    void changeEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private slots:
    void onCommand1Clicked();
    void onText1Changed();
    void onCommand2Clicked();
    void onLabel1Clicked();

private:
    void selectAllOfText1();
    void reportUnopenedAddress();

    StrokeTable strokeTable_;
    QPixmap background_;
    QLineEdit* text1_;
    QLineEdit* text2_;
    PictureButton* command1_;
    PictureButton* command2_;
    PictureButton* check1_;
    LinkLabel* label1_;
    PictureButton* defaultButton_ = nullptr;
};
