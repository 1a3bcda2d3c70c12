#pragma once

// Stand-ins for the desktop's xdg-open and xdg-mime, first on PATH for the
// life of the object: real scripts in a folder of the test.
//
// The opener writes its arguments to "opened" (one a line), waits while
// Hold() is in force, and exits with the code given to ExitWith (0 at
// first). xdg-mime answers "query default TYPE" with the application given
// to SetDefaultApplication (none at first), whatever the type.

#include "core/platform/FileName.h"
#include "support/TestDir.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdio>
#include <sys/stat.h>

class FakeOpener
{
public:
    explicit FakeOpener(TestDir& dir)
        : m_folder(dir.MakeFolder(QStringLiteral("fake-desktop"))), m_oldPath(qgetenv("PATH"))
    {
        const QByteArray folder = EncodeFileName(m_folder);
        WriteScript(QStringLiteral("xdg-open"),
            "#!/bin/sh\n"
            "printf '%s\\n' \"$@\" > '"
                + folder + "/opened.part' && mv '" + folder + "/opened.part' '" + folder
                + "/opened'\n"
                  "while [ -e '"
                + folder
                + "/hold' ]; do sleep 0.02; done\n"
                  "exit \"$(cat '"
                + folder + "/exit-code')\"\n");
        WriteScript(QStringLiteral("xdg-mime"),
            "#!/bin/sh\n"
            "[ \"$1\" = query ] && [ \"$2\" = default ] || exit 1\n"
            "cat '"
                + folder + "/default'\n");
        ExitWith(0);
        SetDefaultApplication(QString());
        qputenv("PATH", folder + ':' + m_oldPath);
    }
    ~FakeOpener()
    {
        Release();
        qputenv("PATH", m_oldPath);
    }
    FakeOpener(const FakeOpener&) = delete;
    FakeOpener& operator=(const FakeOpener&) = delete;

    void ExitWith(int code) { Write(QStringLiteral("exit-code"), QByteArray::number(code)); }
    void SetDefaultApplication(const QString& desktopFile) { Write(QStringLiteral("default"), desktopFile.toUtf8()); }
    void Hold() { Write(QStringLiteral("hold"), {}); }
    void Release() { std::remove(EncodeFileName(Path(QStringLiteral("hold"))).constData()); }

    // Whether the opener has started (since Forget), and the arguments it got.
    void Forget() const { std::remove(EncodeFileName(Path(QStringLiteral("opened"))).constData()); }
    bool Ran() const { return TestDir::Exists(Path(QStringLiteral("opened"))); }
    QStringList Arguments() const
    {
        return QString::fromUtf8(TestDir::ReadFile(Path(QStringLiteral("opened")))).split(u'\n', Qt::SkipEmptyParts);
    }

private:
    QString Path(const QString& name) const { return m_folder + QLatin1Char('/') + name; }
    void Write(const QString& name, const QByteArray& content) const
    {
        std::FILE* file = std::fopen(EncodeFileName(Path(name)).constData(), "wb");
        if (!file)
            return;
        std::fwrite(content.constData(), 1, size_t(content.size()), file);
        std::fclose(file);
    }
    void WriteScript(const QString& name, const QByteArray& text) const
    {
        Write(name, text);
        ::chmod(EncodeFileName(Path(name)).constData(), 0755);
    }

    QString m_folder;
    QByteArray m_oldPath;
};
