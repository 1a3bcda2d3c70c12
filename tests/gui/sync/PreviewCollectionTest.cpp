// The collection of a run off the window's thread: a progress dialog that can
// cancel it while the window goes on, and the preview list it leads to.

#include "SyncGuiSupport.h"
#include "core/model/CProject.h"
#include "gui/sync/CSyncOptionDlg.h"
#include "gui/sync/CSyncPreviewDlg.h"
#include "gui/sync/SyncDialogLoop.h"

#include <QProgressDialog>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <atomic>
#include <thread>

namespace {

QPushButton* Button(QWidget* dialog, int id)
{
    return Control<QPushButton>(dialog, id);
}

// Holds the walk of every collection of `doc`'s runs until released, on the
// thread that runs it (the window's runner runs it).
class WalkGate
{
public:
    explicit WalkGate(CMyDoc& doc) : m_doc(doc), m_real(doc.GetSyncHooks().collect)
    {
        SyncHooks hooks = doc.GetSyncHooks();
        hooks.collect = [this](const std::function<void()>& walk, RescanControl& control) {
            return m_real(
                [this, &walk] {
                    walkThread = std::this_thread::get_id();
                    while (!released.load())
                        std::this_thread::sleep_for(std::chrono::milliseconds(1));
                    walk();
                },
                control);
        };
        doc.SetSyncHooks(hooks);
    }
    ~WalkGate()
    {
        SyncHooks hooks = m_doc.GetSyncHooks();
        hooks.collect = m_real;
        m_doc.SetSyncHooks(hooks);
    }
    WalkGate(const WalkGate&) = delete;
    WalkGate& operator=(const WalkGate&) = delete;

    std::atomic<bool> released{false};
    std::thread::id walkThread;

private:
    CMyDoc& m_doc;
    SyncCollectRunner m_real;
};

} // namespace

TEST_F(SyncGuiTest, TheCollectionRunsOffTheWindowsThreadAndItsProgressDialogCancelsIt)
{
    dir.WriteFile(QStringLiteral("P/new.txt"), "new", kNew);
    dir.MakeFolder(QStringLiteral("T"));
    CSyncProject& project = AddProject();
    SetProgressDialogDelay(0);
    WalkGate gate(doc);
    int ticks = 0;
    QTimer heartbeat;
    QObject::connect(&heartbeat, &QTimer::timeout, [&ticks] { ++ticks; });
    heartbeat.start(5);

    DialogScript script;
    script.Then<CSyncOptionDlg>([](CSyncOptionDlg* dialog) { QTest::mouseClick(Button(dialog, 1030), Qt::LeftButton); })
        .Then<QProgressDialog>([&](QProgressDialog* dialog) {
            EXPECT_EQ(dialog->objectName(), QStringLiteral("collectProgress"));
            EXPECT_TRUE(dialog->labelText().contains(QStringLiteral("フォルダ")));
            // The window's timers run while the walk waits on its own thread.
            const int before = ticks;
            EXPECT_TRUE(QTest::qWaitFor([&] { return ticks > before + 2; }, 5000));
            auto* cancel = dialog->findChild<QPushButton*>();
            ASSERT_NE(cancel, nullptr);
            EXPECT_EQ(cancel->text(), QStringLiteral("キャンセル"));
            QTest::mouseClick(cancel, Qt::LeftButton);
            gate.released = true;
        })
        // Cancelled as a preview left with "back": the options come again.
        .Then<CSyncOptionDlg>([](CSyncOptionDlg* dialog) { dialog->reject(); });
    EXPECT_FALSE(RunSyncDialogLoop(owner.get(), doc, project, SyncDirection::Export, [] {}));
    EXPECT_TRUE(script.Done());
    EXPECT_NE(gate.walkThread, std::this_thread::get_id());
    EXPECT_FALSE(TestDir::Exists(T("new.txt")));
    EXPECT_EQ(doc.LastSyncResult().outcome, SyncOutcome::PreviewStopped);
    EXPECT_TRUE(doc.GetCopySources().isEmpty());
    EXPECT_TRUE(prompt.Requests().empty());
}

TEST_F(SyncGuiTest, TheCollectionThatWasLetRunLeadsToThePreview)
{
    dir.WriteFile(QStringLiteral("P/new.txt"), "new", kNew);
    dir.WriteFile(QStringLiteral("P/changed.txt"), "changed v2", kNew);
    dir.WriteFile(QStringLiteral("T/changed.txt"), "changed v1", kOld);
    CSyncProject& project = AddProject();
    SetProgressDialogDelay(0);
    WalkGate gate(doc);

    QStringList rows;
    DialogScript script;
    script
        .Then<CSyncOptionDlg>([](CSyncOptionDlg* dialog) {
            ClickBox(Control<QCheckBox>(dialog, 1023)); // no questions
            QTest::mouseClick(Button(dialog, 1030), Qt::LeftButton);
        })
        .Then<QProgressDialog>([&](QProgressDialog*) { gate.released = true; })
        .Then<CSyncPreviewDlg>([&](CSyncPreviewDlg* dialog) {
            auto* list = Control<QTreeWidget>(dialog, 1094);
            for (int row = 0; row < list->topLevelItemCount(); ++row)
                rows << list->topLevelItem(row)->text(0);
            QTest::mouseClick(Button(dialog, 1), Qt::LeftButton);
        });
    EXPECT_TRUE(RunSyncDialogLoop(owner.get(), doc, project, SyncDirection::Export, [] {}));
    EXPECT_TRUE(script.Done());
    rows.sort();
    EXPECT_EQ(rows, (QStringList{QStringLiteral("changed.txt"), QStringLiteral("new.txt")}));
    EXPECT_EQ(TestDir::ReadFile(T("changed.txt")), QByteArray("changed v2"));
    EXPECT_EQ(TestDir::ReadFile(T("new.txt")), QByteArray("new"));
}

TEST_F(SyncGuiTest, ADestinationFileEditedWhileThePreviewIsOpenIsNeitherReplacedNorDeleted)
{
    dir.WriteFile(QStringLiteral("P/doc.txt"), "project v2", kNew);
    dir.WriteFile(QStringLiteral("T/doc.txt"), "target v1", kOld);
    dir.WriteFile(QStringLiteral("T/gone.txt"), "target only", kOld);
    CSyncProject& project = AddProject();
    SetProgressDialogDelay(0);

    DialogScript script;
    script
        .Then<CSyncOptionDlg>([](CSyncOptionDlg* dialog) {
            ClickBox(Control<QCheckBox>(dialog, 1010)); // delete target-only files
            ClickBox(Control<QCheckBox>(dialog, 1075)); // for good
            ClickBox(Control<QCheckBox>(dialog, 1023)); // no questions
            QTest::mouseClick(Button(dialog, 1030), Qt::LeftButton);
        })
        .Then<CSyncPreviewDlg>([&](CSyncPreviewDlg* dialog) {
            EXPECT_EQ(Control<QTreeWidget>(dialog, 1094)->topLevelItemCount(), 2);
            // The user goes on working on the target meanwhile.
            dir.WriteFile(QStringLiteral("T/doc.txt"), "target edited while the preview was open", kNew + 500);
            dir.WriteFile(QStringLiteral("T/gone.txt"), "edited too", kNew + 500);
            QTest::mouseClick(Button(dialog, 1), Qt::LeftButton);
        });
    RunSyncDialogLoop(owner.get(), doc, project, SyncDirection::Export, [] {});
    EXPECT_TRUE(script.Done());
    EXPECT_EQ(TestDir::ReadFile(T("doc.txt")), QByteArray("target edited while the preview was open"));
    EXPECT_EQ(TestDir::ReadFile(T("gone.txt")), QByteArray("edited too"));
}
