#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

// A real temporary folder for tests, with helpers to lay out files of given
// content and modification time, folders, links and undecodable names.
// Relative names may contain "/"; missing parent folders are created.
class TestDir
{
public:
    TestDir();
    // Removes the folder by its bytes, so entries with undecodable names go too.
    ~TestDir();
    TestDir(const TestDir&) = delete;
    TestDir& operator=(const TestDir&) = delete;

    QString Path() const { return m_dir.path(); }
    QString PathOf(const QString& relative) const;

    // Creates (or replaces) a file; `mtime` in seconds since 1970, -1 to keep "now".
    QString WriteFile(const QString& relative, const QByteArray& content = {}, qint64 mtime = -1);
    QString MakeFolder(const QString& relative);
    QString MakeLink(const QString& relative, const QString& target);
    // Sets the modification time of an existing entry (the entry itself, not a link's target).
    static void SetMTime(const QString& path, qint64 seconds, long nanoseconds = 0);
    static qint64 MTime(const QString& path);
    static QByteArray ReadFile(const QString& path);
    static bool Exists(const QString& path); // the entry itself, links not followed

private:
    QTemporaryDir m_dir;
};
