#include "run_time_error.h"

#include "run_time_error_text.h"

#include <QMessageBox>

void showRunTimeError(QWidget* parent, const char* error) {
    QMessageBox::critical(parent, QString::fromUtf16(kRunTimeErrorTitle),
                          QString::fromUtf16(kRunTimeErrorHeading) + QString::fromUtf8(error));
}
