// pairwell-screenshots <folder>: takes the pictures of the documentation
// (docs/*.png) of real dialogs over folders of its own, on a Japanese
// desktop, offscreen unless QT_QPA_PLATFORM names another platform, and
// writes them into <folder>. Each picture is a case of its own; a picture
// that could not be taken fails its case and the exit code.

#include "Screenshots.h"
#include "support/gui/TestApplication.h"

#include <QDir>
#include <QFileInfo>
#include <QTest>
#include <QWidget>
#include <cstdio>
#include <cstring>
#include <gtest/gtest.h>

namespace {

QString g_folder;

} // namespace

QString ScreenshotFolder()
{
    return g_folder;
}

void SetScreenshotFolder(const QString& folder)
{
    g_folder = folder;
}

QString PicturePath(const QString& name)
{
    return g_folder + QLatin1Char('/') + name;
}

void SaveWindow(QWidget& window, const QString& name)
{
    window.show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
    QTest::qWait(200); // let the window system draw it
    ASSERT_TRUE(window.grab().save(PicturePath(name))) << name.toStdString();
}

int main(int argc, char** argv)
{
    if (argc < 2 || argv[1][0] == '\0' || argv[1][0] == '-') {
        std::fprintf(stderr, "usage: pairwell-screenshots <folder> [gtest options]\n");
        return 2;
    }
    // The cases change the working folder (the open dialog starts there).
    const QFileInfo folder(QString::fromLocal8Bit(argv[1]));
    if (!folder.isDir()) {
        std::fprintf(stderr, "pairwell-screenshots: %s is not a folder\n", argv[1]);
        return 2;
    }
    SetScreenshotFolder(QDir::cleanPath(folder.absoluteFilePath()));
    // The program's application object reads the locale when it is made.
    qputenv("LC_ALL", "ja_JP.UTF-8");
    qputenv("LANG", "ja_JP.UTF-8");
    qunsetenv("LANGUAGE");
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    argv[1] = argv[0];
    return RunGuiTests(argc - 1, argv + 1, TestApplicationKind::Program);
}
