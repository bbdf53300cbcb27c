#pragma once

#include <QApplication>

// The program's application object. Qt lets no exception pass through its event loop, so
// an error that an event handler lets out, from the window's own code, a slot it runs or
// Qt's code under it (a text box out of memory for a paste), is caught where every event
// is handed over: it is shown as a run-time error message and the program ends with
// status 1.
class QuorvelApplication : public QApplication {
public:
    using QApplication::QApplication;

    bool notify(QObject* receiver, QEvent* event) override;
};
