#pragma once

#include <QCursor>
#include <QGuiApplication>

// Shows the wait cursor for the lifetime of a scope (long scans and runs on
// the user-interface thread). Scopes may nest.
class CWaitCursor
{
public:
    CWaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~CWaitCursor() { QGuiApplication::restoreOverrideCursor(); }
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;
};
