// Opening, properties and the compare tools.

#include "gui/sync/DesktopActions.h"
#include "SyncGuiSupport.h"
#include "gui/sync/CPathPropertiesDlg.h"
#include "support/FakeOpener.h"

#include <QDateTime>
#include <QStandardPaths>
#include <QTest>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A desktop without any application: every XDG folder points into the test's
// directory (which sees the system's MIME database, but none of its
// applications) and no desktop environment is named.
class IsolatedDesktop
{
public:
    explicit IsolatedDesktop(TestDir& dir)
        : m_mime(ShareMimeDatabase(dir)),
          m_home("HOME", EncodeFileName(dir.MakeFolder(QStringLiteral("home")))),
          m_config("XDG_CONFIG_HOME", EncodeFileName(dir.MakeFolder(QStringLiteral("config")))),
          m_configDirs("XDG_CONFIG_DIRS", EncodeFileName(dir.MakeFolder(QStringLiteral("etc-xdg")))),
          m_dataDirs("XDG_DATA_DIRS", EncodeFileName(dir.MakeFolder(QStringLiteral("share")))),
          m_desktop("XDG_CURRENT_DESKTOP"),
          m_session("DESKTOP_SESSION"),
          m_kde("KDE_FULL_SESSION"),
          m_gnome("GNOME_DESKTOP_SESSION_ID"),
          m_mate("MATE_DESKTOP_SESSION_ID"),
          m_display("DISPLAY")
    {
    }

private:
    static bool ShareMimeDatabase(TestDir& dir)
    {
        if (!TestDir::Exists(QStringLiteral("/usr/share/mime")))
            return false;
        dir.MakeLink(QStringLiteral("share/mime"), QStringLiteral("/usr/share/mime"));
        return true;
    }

    bool m_mime;
    EnvScope m_home;
    EnvScope m_config;
    EnvScope m_configDirs;
    EnvScope m_dataDirs;
    EnvScope m_desktop;
    EnvScope m_session;
    EnvScope m_kde;
    EnvScope m_gnome;
    EnvScope m_mate;
    EnvScope m_display;
};

bool HaveXdgMime()
{
    return !QStandardPaths::findExecutable(QStringLiteral("xdg-mime")).isEmpty();
}

// A compare tool that writes its arguments, each ended by a zero byte, to `out`.
QString MakeArgumentsTool(TestDir& dir, const QString& relative, const QString& out)
{
    const QString tool = dir.WriteFile(relative,
        "#!/bin/sh\n: > \"$PW_OUT.part\"\nfor a in \"$@\"; do printf '%s\\0' \"$a\" >> \"$PW_OUT.part\"; done\n"
        "mv \"$PW_OUT.part\" \"$PW_OUT\"\n");
    EXPECT_EQ(::chmod(EncodeFileName(tool).constData(), 0755), 0);
    EXPECT_EQ(qgetenv("PW_OUT"), EncodeFileName(out));
    return tool;
}

CPathPropertiesDlg* OpenPropertiesWindow()
{
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* dialog = qobject_cast<CPathPropertiesDlg*>(widget); dialog && dialog->isVisible())
            return dialog;
    }
    return nullptr;
}

} // namespace

TEST_F(SyncGuiTest, OpeningAFileWithoutAnAssociatedProgramSaysSo)
{
    if (!HaveXdgMime())
        GTEST_SKIP() << "xdg-mime is not installed";
    IsolatedDesktop desktop(dir);
    const QString file = dir.WriteFile(QStringLiteral("P/notes of today.txt"), "plain text\n");
    EXPECT_TRUE(DefaultApplicationFor(file).isEmpty());

    OpenPath(owner.get(), file);
    ASSERT_EQ(prompt.Requests().size(), 1u);
    EXPECT_EQ(
        prompt.Texts().at(0), QStringLiteral("ファイル'%1'はアプリケーションに関連付けされていません。").arg(file));
    EXPECT_EQ(prompt.Requests().at(0).icon, PromptIcon::Warning);

    // A folder has no application either on this bare desktop.
    OpenPath(owner.get(), dir.PathOf(QStringLiteral("P")));
    ASSERT_EQ(prompt.Requests().size(), 2u);
    EXPECT_EQ(prompt.Texts().at(1),
        QStringLiteral("ファイル'%1'はアプリケーションに関連付けされていません。")
            .arg(dir.PathOf(QStringLiteral("P"))));
}

TEST_F(SyncGuiTest, TheDefaultApplicationComesFromTheDesktopsAssociations)
{
    if (!HaveXdgMime())
        GTEST_SKIP() << "xdg-mime is not installed";
    IsolatedDesktop desktop(dir);
    dir.WriteFile(QStringLiteral("data/applications/pw-viewer.desktop"),
        "[Desktop Entry]\nType=Application\nName=Viewer\nExec=true %f\nMimeType=text/plain;\n");
    dir.WriteFile(QStringLiteral("config/mimeapps.list"), "[Default Applications]\ntext/plain=pw-viewer.desktop\n");
    const QString file = dir.WriteFile(QStringLiteral("P/readme.txt"), "plain text\n");
    bool known = false;
    EXPECT_EQ(DefaultApplicationFor(file, &known), QStringLiteral("pw-viewer.desktop"));
    EXPECT_TRUE(known);
}

TEST_F(SyncGuiTest, OpeningAMissingFileSaysItCannotBeOpened)
{
    const QString missing = P("gone.txt");
    OpenPath(owner.get(), missing);
    ASSERT_EQ(prompt.Requests().size(), 1u);
    EXPECT_EQ(
        prompt.Texts().at(0), QStringLiteral("ファイル'%1'が見つからないか、開くことができません。").arg(missing));
    EXPECT_EQ(prompt.Requests().at(0).icon, PromptIcon::Warning);
}

TEST_F(SyncGuiTest, AnOpenerThatFailsIsReportedOnceItHasEnded)
{
    FakeOpener opener(dir);
    opener.SetDefaultApplication(QStringLiteral("pw-viewer.desktop"));
    const QString file = dir.WriteFile(QStringLiteral("P/notes of today.txt"), "plain text\n");
    const QString cannotOpen = QStringLiteral("ファイル'%1'が見つからないか、開くことができません。").arg(file);
    const QString notAssociated = QStringLiteral("ファイル'%1'はアプリケーションに関連付けされていません。").arg(file);
    const struct
    {
        int exitCode;
        QStringList messages;
    } cases[] = {
        {0, {}}, // opened
        {4, {cannotOpen}}, // the application failed
        {2, {cannotOpen}}, // the file went away in the meantime
        {3, {notAssociated}}, // no way at all to open it
        {1, {cannotOpen}},
    };
    for (const auto& c : cases) {
        const qsizetype before = prompt.Texts().size();
        opener.Forget();
        opener.ExitWith(c.exitCode);
        EXPECT_TRUE(OpenPath(owner.get(), file)) << c.exitCode;
        QTRY_VERIFY_WITH_TIMEOUT(RunningOpeners() == 0, 20000);
        EXPECT_EQ(prompt.Texts().mid(before), c.messages) << c.exitCode;
        // The path as a file address, its bytes escaped.
        EXPECT_EQ(opener.Arguments(),
            QStringList{QStringLiteral("file://") + dir.PathOf(QStringLiteral("P/notes%20of%20today.txt"))});
    }
    for (const PromptRequest& request : prompt.Requests())
        EXPECT_EQ(request.icon, PromptIcon::Warning);
}

TEST_F(SyncGuiTest, TheWindowGoesOnWhileTheOpenerRuns)
{
    FakeOpener opener(dir);
    opener.SetDefaultApplication(QStringLiteral("pw-viewer.desktop"));
    opener.ExitWith(4);
    opener.Hold(); // as xdg-open does on a bare desktop, while the application runs
    const QString file = dir.WriteFile(QStringLiteral("P/a.txt"), "text");
    EXPECT_TRUE(OpenPath(owner.get(), file));
    EXPECT_EQ(RunningOpeners(), 1);
    QTRY_VERIFY_WITH_TIMEOUT(opener.Ran(), 20000);
    // Events flow meanwhile: a timer of the window fires.
    bool fired = false;
    QTimer::singleShot(50, [&] { fired = true; });
    QTRY_VERIFY(fired);
    EXPECT_EQ(RunningOpeners(), 1);
    EXPECT_TRUE(prompt.Requests().empty());

    opener.Release();
    QTRY_VERIFY_WITH_TIMEOUT(RunningOpeners() == 0, 20000);
    EXPECT_EQ(
        prompt.Texts(), QStringList{QStringLiteral("ファイル'%1'が見つからないか、開くことができません。").arg(file)});
}

TEST_F(SyncGuiTest, AFileWithoutAnAssociationStartsNoOpener)
{
    FakeOpener opener(dir); // xdg-mime knows no application
    const QString file = dir.WriteFile(QStringLiteral("P/data.xyz"), "data");
    EXPECT_FALSE(OpenPath(owner.get(), file));
    EXPECT_EQ(prompt.Texts(),
        QStringList{QStringLiteral("ファイル'%1'はアプリケーションに関連付けされていません。").arg(file)});
    EXPECT_EQ(RunningOpeners(), 0);
    EXPECT_FALSE(opener.Ran());
}

TEST_F(SyncGuiTest, AWebAddressGoesToTheOpenerAsItIs)
{
    FakeOpener opener(dir);
    const QString address = QStringLiteral("https://pairwell.example/Help/HelpIndex.htm");
    opener.ExitWith(3);
    EXPECT_TRUE(OpenAddress(owner.get(), address));
    QTRY_VERIFY_WITH_TIMEOUT(RunningOpeners() == 0, 20000);
    EXPECT_EQ(opener.Arguments(), QStringList{address});
    EXPECT_EQ(prompt.Texts(),
        QStringList{QStringLiteral("ファイル'%1'はアプリケーションに関連付けされていません。").arg(address)});
}

TEST_F(SyncGuiTest, CompareToolsGetTheProjectPathThenTheTargetPathAsTwoArguments)
{
    const QString out = dir.PathOf(QStringLiteral("args"));
    EnvScope outScope("PW_OUT", EncodeFileName(out));
    const QString tool = MakeArgumentsTool(dir, QStringLiteral("tools dir/compare tool.sh"), out);
    const QString left = dir.WriteFile(QStringLiteral("P/with space/a b.txt"), "left");
    const QString right = dir.WriteFile(QStringLiteral("T/with space/a b.txt"), "right");

    GlobalOptionTool().PathToolCompareText = tool;
    CompareText(owner.get(), left, right);
    QTRY_VERIFY_WITH_TIMEOUT(TestDir::Exists(out), 20000);
    EXPECT_EQ(TestDir::ReadFile(out), EncodeFileName(left) + '\0' + EncodeFileName(right) + '\0');

    ASSERT_EQ(std::remove(EncodeFileName(out).constData()), 0);
    GlobalOptionTool().PathToolCompareBin = tool;
    CompareBinary(owner.get(), right, left);
    QTRY_VERIFY_WITH_TIMEOUT(TestDir::Exists(out), 20000);
    EXPECT_EQ(TestDir::ReadFile(out), EncodeFileName(right) + '\0' + EncodeFileName(left) + '\0');
    EXPECT_TRUE(prompt.Requests().empty());

    // A tool that does not exist starts nothing and says nothing.
    GlobalOptionTool().PathToolCompareText = dir.PathOf(QStringLiteral("no such tool"));
    CompareText(owner.get(), left, right);
    EXPECT_TRUE(prompt.Requests().empty());
}

TEST_F(SyncGuiTest, WithoutACompareToolTheCommandOnlySaysSo)
{
    const QString left = dir.WriteFile(QStringLiteral("P/a.txt"), "left");
    const QString right = dir.WriteFile(QStringLiteral("T/a.txt"), "right");
    CompareText(owner.get(), left, right);
    CompareBinary(owner.get(), left, right);
    EXPECT_EQ(prompt.Texts(),
        QStringList({QStringLiteral("テキスト比較ツールが指定されていません。"),
            QStringLiteral("バイナリ比較ツールが指定されていません。")}));
    EXPECT_EQ(prompt.Requests().at(0).icon, PromptIcon::Information);
    EXPECT_EQ(prompt.Requests().at(1).icon, PromptIcon::Information);
}

TEST_F(SyncGuiTest, ThePropertiesWindowShowsTheFactsOfAFile)
{
    const QString file = dir.WriteFile(QStringLiteral("P/data.bin"), "12345", kOld);
    ASSERT_EQ(::chmod(EncodeFileName(file).constData(), 0640), 0);
    ShowPathProperties(owner.get(), file);
    CPathPropertiesDlg* dialog = OpenPropertiesWindow();
    ASSERT_NE(dialog, nullptr);
    EXPECT_FALSE(dialog->isModal());
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("data.binのプロパティ"));
    EXPECT_EQ(dialog->FactText(QStringLiteral("名前")), QStringLiteral("data.bin"));
    EXPECT_EQ(dialog->FactText(QStringLiteral("場所")), dir.PathOf(QStringLiteral("P")));
    EXPECT_EQ(dialog->FactText(QStringLiteral("サイズ")), QStringLiteral("5 バイト"));
    EXPECT_EQ(dialog->FactText(QStringLiteral("更新日時")),
        QDateTime::fromSecsSinceEpoch(kOld, Qt::LocalTime).toString(QStringLiteral("yyyy/MM/dd HH:mm:ss")));
    EXPECT_EQ(dialog->FactText(QStringLiteral("アクセス権")), QStringLiteral("rw-r----- (0640)"));
    const passwd* user = ::getpwuid(::getuid());
    ASSERT_NE(user, nullptr);
    EXPECT_EQ(dialog->FactText(QStringLiteral("所有者")), QString::fromUtf8(user->pw_name));
    EXPECT_FALSE(dialog->FactText(QStringLiteral("種類")).isEmpty());
    QPointer<CPathPropertiesDlg> closed(dialog);
    dialog->close();
    QTRY_VERIFY(closed.isNull()); // deleted on close

    // A folder: no size, its type.
    ShowPathProperties(owner.get(), dir.PathOf(QStringLiteral("P")));
    dialog = OpenPropertiesWindow();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->FactText(QStringLiteral("サイズ")).isEmpty());
    EXPECT_FALSE(dialog->FactText(QStringLiteral("アクセス権")).isEmpty());
    dialog->close();
}

TEST(PathPropertiesDlg, PermissionTextsFollowTheUsualLetters)
{
    EXPECT_EQ(CPathPropertiesDlg::PermissionText(0100755), QStringLiteral("rwxr-xr-x (0755)"));
    EXPECT_EQ(CPathPropertiesDlg::PermissionText(0104755), QStringLiteral("rwsr-xr-x (4755)"));
    EXPECT_EQ(CPathPropertiesDlg::PermissionText(041777), QStringLiteral("rwxrwxrwt (1777)"));
    EXPECT_EQ(CPathPropertiesDlg::PermissionText(0102644), QStringLiteral("rw-r-Sr-- (2644)"));
    EXPECT_EQ(CPathPropertiesDlg::PermissionText(0), QStringLiteral("--------- (0000)"));
}
