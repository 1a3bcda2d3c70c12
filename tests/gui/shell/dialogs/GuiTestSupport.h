#pragma once

#include "support/gui/ModalDialogs.h"

#include <QApplication>

// The application object that the test program made before its first test.
inline QApplication& TestApp()
{
    return *qApp;
}
