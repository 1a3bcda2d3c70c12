// Pictures of the preview list and of the progress dialog during a large
// export, for the documentation. They are taken only when
// PAIRWELL_SCREENSHOT_DIR names a folder (run under a real X server, e.g.
// xvfb-run, with QT_QPA_PLATFORM=xcb).

#include "SyncGuiSupport.h"
#include "core/platform/FileCopy.h"
#include "gui/sync/CFileProgressDlg.h"
#include "gui/sync/CSyncPreviewDlg.h"

#include <QLabel>
#include <QPixmap>
#include <QTest>
#include <QTreeWidget>
#include <atomic>
#include <chrono>

namespace {

QString ScreenshotFolder()
{
    return qEnvironmentVariable("PAIRWELL_SCREENSHOT_DIR");
}

} // namespace

TEST_F(SyncGuiTest, ScreenshotOfThePreviewList)
{
    if (ScreenshotFolder().isEmpty())
        GTEST_SKIP() << "PAIRWELL_SCREENSHOT_DIR is not set";
    const char* names[]
        = {"報告書.docx", "予算 2024.xlsx", "README.md", "main.cpp", "logo.png", "議事録.txt", "build.sh", "data.csv"};
    for (const char* name : names)
        dir.WriteFile(QStringLiteral("P/") + QString::fromUtf8(name), "new", kNew);
    dir.WriteFile(QStringLiteral("T/main.cpp"), "old", kOld);
    dir.WriteFile(QStringLiteral("T/古いメモ.txt"), "old", kOld);
    dir.WriteFile(QStringLiteral("T/obsolete.log"), "old", kOld);
    dir.WriteFile(QStringLiteral("P/src/engine.cpp"), "new", kNew);
    dir.MakeFolder(QStringLiteral("T/src"));
    CSyncProject& project = AddProject();
    CAppOptionSync options;
    options.Flags = SyncFlag::Default | SyncFlag::Recursive | SyncFlag::DeleteFiles;
    CSyncRun run(doc);
    run.Collect(&project, options, SyncDirection::Export);

    CSyncPreviewDlg dialog(owner.get());
    dialog.SetLists({doc.GetCopySources(), doc.GetCopyDestinations(), doc.GetDeletions()});
    dialog.resize(820, 360);
    dialog.show();
    auto* list = Control<QTreeWidget>(&dialog, 1094);
    list->topLevelItem(1)->setCheckState(0, Qt::Unchecked);
    list->setCurrentItem(list->topLevelItem(3));
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    QTest::qWait(200); // let the window system draw it
    ASSERT_TRUE(dialog.grab().save(ScreenshotFolder() + QStringLiteral("/preview-list.png")));
}

TEST_F(SyncGuiTest, ScreenshotOfTheProgressDialogDuringALargeExport)
{
    if (ScreenshotFolder().isEmpty())
        GTEST_SKIP() << "PAIRWELL_SCREENSHOT_DIR is not set";
    SetProgressDialogDelay(0);
    const QByteArray block(512 * 1024, 'p');
    for (int i = 0; i < 120; ++i)
        dir.WriteFile(QStringLiteral("P/写真/IMG_%1.jpg").arg(1000 + i), block, kNew);
    dir.MakeFolder(QStringLiteral("T/写真"));
    CSyncProject& project = AddProject();

    // Hold the copy at the 48th file while the picture is taken.
    std::atomic<int> copied{0};
    std::atomic<bool> release{false};
    FileCopyTestHooks::SetAfterDataHook([&](const QString&, const QString&) {
        if (++copied != 48)
            return;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (!release && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
    });
    bool taken = false;
    DialogScript script;
    script.Then<CFileProgressDlg>([&](CFileProgressDlg* dialog) {
        QTRY_VERIFY_WITH_TIMEOUT(copied.load() >= 48, 60000);
        // 47 files done, the 48th copied but not yet in place.
        QTRY_VERIFY(Control<QLabel>(dialog, 1002)->text().startsWith(QStringLiteral("47 / 120")));
        QTest::qWait(200); // let the window system draw it
        taken = dialog->grab().save(ScreenshotFolder() + QStringLiteral("/progress-dialog.png"));
        release = true;
    });
    CAppOptionSync options;
    options.Flags = SyncFlag::Default | SyncFlag::Recursive | SyncFlag::NoConfirmation;
    EXPECT_TRUE(doc.Synchronize(&project, options, SyncDirection::Export));
    FileCopyTestHooks::SetAfterDataHook({});
    EXPECT_TRUE(taken);
    EXPECT_EQ(doc.LastSyncResult().copies.Count(FileOpStatus::Done), 120);
}
