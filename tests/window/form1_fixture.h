#pragma once

#include "form1.h"
#include "link_label.h"
#include "picture_button.h"

#include <QLineEdit>
#include <QTest>

#include <memory>

// Types `text` key by key; QTest::keyClicks knows only ASCII keys.
inline void typeText(QWidget* widget, const QString& text) {
    for (const QChar unit : text) {
        if (unit.unicode() < 0x80)
            QTest::keyClick(widget, char(unit.unicode()));
        else
            QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(unit),
                                Qt::NoModifier);
    }
}

// A freshly loaded and shown Form1 with its controls found by their names.
struct Form1Fixture {
    std::unique_ptr<Form1> form;
    QLineEdit* text1 = nullptr;
    QLineEdit* text2 = nullptr;
    PictureButton* command1 = nullptr;
    PictureButton* command2 = nullptr;
    PictureButton* check1 = nullptr;
    LinkLabel* label1 = nullptr;

    bool open() {
        form = std::make_unique<Form1>();
        form->load();
        form->show();
        form->activateWindow();
        text1 = form->findChild<QLineEdit*>(QStringLiteral("Text1"));
        text2 = form->findChild<QLineEdit*>(QStringLiteral("Text2"));
        command1 = form->findChild<PictureButton*>(QStringLiteral("Command1"));
        command2 = form->findChild<PictureButton*>(QStringLiteral("Command2"));
        check1 = form->findChild<PictureButton*>(QStringLiteral("Check1"));
        label1 = form->findChild<LinkLabel*>(QStringLiteral("Label1"));
        return QTest::qWaitForWindowActive(form.get()) && text1 && text2 && command1 && command2 &&
               check1 && label1;
    }

    QWidget* control(const QString& name) const { return form->findChild<QWidget*>(name); }
};
