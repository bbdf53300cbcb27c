#pragma once

#include <exception>

class QWidget;

// Says that the program cannot go on, naming the error, and returns once the user has
// closed the message. The caller then ends the program with status 1.
void showRunTimeError(QWidget* parent, const std::exception& error);
