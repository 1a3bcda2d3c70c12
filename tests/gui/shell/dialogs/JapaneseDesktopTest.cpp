// Pairwell on a Japanese desktop (ja_JP.UTF-8): Qt's own dialogs and
// buttons speak Japanese, the browse dialog of the log file opens a file as
// its title says, and the dates of the file list keep their seconds (here
// and in other locales).

#include "core/model/CMyDoc.h"
#include "core/platform/FileName.h"
#include "core/platform/Paths.h"
#include "core/platform/Profile.h"
#include "core/platform/Prompt.h"
#include "core/resources/CommandIds.h"
#include "core/resources/Texts.h"
#include "core/settings/CAppOptionSync.h"
#include "gui/shell/CAppOptionPs.h"
#include "gui/shell/CMainApp.h"
#include "gui/shell/CMainFrame.h"
#include "gui/shell/COptionSyncPp.h"
#include "support/TempProfile.h"
#include "support/TestDir.h"
#include "support/gui/ModalDialogs.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>

namespace {

// A Japanese desktop: the program's application object, made after this,
// reads the locale from the environment.
class JapaneseDesktop : public ::testing::Environment
{
public:
    void SetUp() override
    {
        qputenv("LC_ALL", "ja_JP.UTF-8");
        qputenv("LANG", "ja_JP.UTF-8");
        qunsetenv("LANGUAGE");
    }
};

[[maybe_unused]] ::testing::Environment* const g_environment
    = ::testing::AddGlobalTestEnvironment(std::make_unique<JapaneseDesktop>().release());

QStringList ButtonTexts(QFileDialog* dialog)
{
    QStringList texts;
    if (auto* box = dialog->findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"))) {
        for (QAbstractButton* button : box->buttons())
            texts << button->text();
    }
    return texts;
}

class Japanese : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(QLocale::system().name(), QStringLiteral("ja_JP"));
        GlobalOptionSync() = CAppOptionSync();
    }
    void TearDown() override { TheApp()->ExitInstance(); }

    TestDir dir;
    TempProfile profile{dir.PathOf(QStringLiteral("Pairwell.ini"))};
    CScriptedPrompt prompt;
    CPromptScope scope{prompt};
};

} // namespace

TEST_F(Japanese, QtsOwnButtonsAndDialogsSpeakJapanese)
{
    QMessageBox box(QMessageBox::Question, QStringLiteral("Pairwell"), QStringLiteral("継続しますか？"),
        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    EXPECT_EQ(box.button(QMessageBox::Yes)->text(), QStringLiteral("はい(&Y)"));
    EXPECT_EQ(box.button(QMessageBox::No)->text(), QStringLiteral("いいえ(&N)"));
    EXPECT_EQ(box.button(QMessageBox::Cancel)->text(), QStringLiteral("キャンセル"));

    // The document's open dialog (ファイル > 開く).
    TheApp()->SetCommandLine({QStringLiteral("-ISO")});
    ASSERT_TRUE(TheApp()->InitInstance());
    QStringList buttons;
    QString title;
    QString typeLabel;
    ModalWatch<QFileDialog> watch([&](QFileDialog* dialog) {
        title = dialog->windowTitle();
        buttons = ButtonTexts(dialog);
        if (auto* label = dialog->findChild<QLabel*>(QStringLiteral("fileTypeLabel")))
            typeLabel = label->text();
        dialog->reject();
    });
    TheApp()->MainFrame()->RunCommand(Cmd::FileOpen);
    ASSERT_TRUE(watch.Ran());
    EXPECT_EQ(title, QStringLiteral("開く"));
    EXPECT_EQ(buttons, (QStringList{QStringLiteral("開く(&O)"), QStringLiteral("キャンセル")}));
    EXPECT_EQ(typeLabel, QStringLiteral("ファイルの種類:"));
}

TEST_F(Japanese, TheLogFilesBrowseDialogOpensAFileAndTakesANewName)
{
    const QString oldLog = dir.WriteFile(QStringLiteral("logs/old.log"), "");
    CProfile::Instance().WriteProfileString(QStringLiteral("OptionSync"), QStringLiteral("LogFilePath"), oldLog);
    CAppOptionPs sheet(nullptr, CAppOptionPs::SyncPage);
    sheet.show();
    QWidget* page = &sheet.SyncPp();
    auto* edit = page->findChild<QLineEdit*>(IdName(1108));
    auto* browse = page->findChild<QPushButton*>(IdName(1054));
    ASSERT_NE(edit, nullptr);
    ASSERT_NE(browse, nullptr);
    ASSERT_EQ(edit->text(), oldLog);

    QString title;
    QStringList buttons;
    QFileDialog::AcceptMode mode = QFileDialog::AcceptSave;
    ModalWatch<QFileDialog> watch([&](QFileDialog* dialog) {
        title = dialog->windowTitle();
        buttons = ButtonTexts(dialog);
        mode = dialog->acceptMode();
        // A log file that does not exist yet, typed as a user types it.
        auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        dialog->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(dialog));
        name->setFocus();
        name->clear();
        QTest::keyClicks(name, QStringLiteral("nightly"));
        auto* open = dialog->findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"))->button(QDialogButtonBox::Open);
        EXPECT_TRUE(open->isEnabled());
        open->click();
        EXPECT_FALSE(dialog->isVisible()) << dialog->selectedFiles().join(u',').toStdString();
    });
    browse->click();
    ASSERT_TRUE(watch.Ran());
    EXPECT_EQ(title, QStringLiteral("開く"));
    EXPECT_EQ(mode, QFileDialog::AcceptOpen);
    EXPECT_EQ(buttons, (QStringList{QStringLiteral("開く(&O)"), QStringLiteral("キャンセル")}));
    EXPECT_EQ(edit->text(), dir.PathOf(QStringLiteral("logs/nightly.log")));
    sheet.reject();
}

TEST_F(Japanese, DatesOfTheFileListKeepTheirSeconds)
{
    const qint64 midnight = QDateTime(QDate(2022, 1, 1), QTime(0, 0), Qt::LocalTime).toSecsSinceEpoch();
    EXPECT_EQ(FormatDateTime(midnight), QStringLiteral("2022/01/01 0:00:00"));
    EXPECT_EQ(FormatDateTime(midnight + 1), QStringLiteral("2022/01/01 0:00:01"));
    EXPECT_EQ(FormatDateTime(midnight + 13 * 3600 + 5 * 60 + 9), QStringLiteral("2022/01/01 13:05:09"));
}

TEST(DatesInOtherLocales, TwoFilesASecondApartNeverReadAlike)
{
    // pairwell-cli compare prints the file list's date texts; each run reads
    // its locale from the environment.
    TestDir dir;
    const qint64 t = QDateTime(QDate(2022, 1, 1), QTime(0, 0), Qt::LocalTime).toSecsSinceEpoch();
    dir.WriteFile(QStringLiteral("P/a.txt"), "a", t);
    dir.WriteFile(QStringLiteral("T/a.txt"), "a", t + 1);
    const struct
    {
        const char* locale;
        QString project; // found in the date text of the project side
    } cases[] = {
        {"ja_JP.UTF-8", QStringLiteral("2022/01/01 0:00:00")},
        {"en_US.UTF-8", QStringLiteral("1/1/22 12:00:00")},
        {"de_DE.UTF-8", QStringLiteral("01.01.22 00:00:00")},
        {"fi_FI.UTF-8", QStringLiteral("1.1.2022 0.00.00")},
        {"C", QStringLiteral("1 Jan 2022 00:00:00")},
    };
    for (const auto& c : cases) {
        QProcess cli;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("LC_ALL"), QString::fromLatin1(c.locale));
        environment.insert(QStringLiteral("PAIRWELL_PROFILE"), dir.PathOf(QStringLiteral("Pairwell.ini")));
        cli.setProcessEnvironment(environment);
        cli.start(QStringLiteral(PAIRWELL_CLI),
            {QStringLiteral("compare"), dir.PathOf(QStringLiteral("P")), dir.PathOf(QStringLiteral("T"))});
        ASSERT_TRUE(cli.waitForFinished(60000));
        ASSERT_EQ(cli.exitCode(), 0) << c.locale;
        QStringList row;
        for (const QString& line : QString::fromUtf8(cli.readAllStandardOutput()).split(QLatin1Char('\n'))) {
            if (line.startsWith(QStringLiteral("a.txt\t")))
                row = line.split(QLatin1Char('\t'));
        }
        ASSERT_GE(row.size(), 6) << c.locale;
        EXPECT_TRUE(row[4].contains(c.project)) << c.locale << ": " << row[4].toStdString();
        EXPECT_NE(row[4], row[5]) << c.locale;
    }
}
