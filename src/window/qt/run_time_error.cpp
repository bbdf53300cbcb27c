#include "run_time_error.h"

#include "run_time_error_text.h"

#include <QMessageBox>

void showRunTimeError(QWidget* parent, const std::exception& error) {
    QMessageBox::critical(parent, QString::fromUtf16(kRunTimeErrorTitle),
                          QString::fromStdU16String(runTimeErrorText(runTimeErrorOf(error))));
}
