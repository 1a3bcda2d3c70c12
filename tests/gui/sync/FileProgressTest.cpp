// File operations of the window: worker thread, progress dialog, Cancel,
// questions on the window's thread and one error summary at the end.

#include "SyncGuiSupport.h"
#include "core/platform/FileCopy.h"
#include "core/sync/CFileOperation.h"
#include "gui/sync/CFileProgressDlg.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <atomic>
#include <chrono>

namespace {

// Holds the copy of a file on the worker thread until Release() (or a generous deadline).
class CopyGate
{
public:
    CopyGate()
    {
        FileCopyTestHooks::SetAfterDataHook([this](const QString&, const QString&) {
            ++m_reached;
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
            while (!m_open && std::chrono::steady_clock::now() < deadline)
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
        });
    }
    ~CopyGate() { FileCopyTestHooks::SetAfterDataHook({}); }
    void Release() { m_open = true; }
    int Reached() const { return m_reached; }

private:
    std::atomic<bool> m_open{false};
    std::atomic<int> m_reached{0};
};

class PaintCounter : public QWidget
{
public:
    int paints = 0;

protected:
    void paintEvent(QPaintEvent*) override { ++paints; }
};

constexpr quint32 kQuiet = FOF_NOCONFIRMATION | FOF_NOCONFIRMMKDIR;

} // namespace

TEST_F(SyncGuiTest, TheProgressDialogShowsFilesAndBytesAndCancelStopsAfterTheCurrentFile)
{
    SetProgressDialogDelay(0);
    QStringList sources;
    QStringList destinations;
    for (const char* name : {"a.txt", "b.txt", "c.txt"}) {
        sources << dir.WriteFile(QStringLiteral("P/") + QLatin1String(name), QByteArray(100, 'x'));
        destinations << T(QLatin1String(name));
    }
    CopyGate gate;
    bool checked = false;
    DialogScript script;
    script.Then<CFileProgressDlg>([&](CFileProgressDlg* dialog) {
        EXPECT_EQ(dialog->windowTitle(), QStringLiteral("コピーしています..."));
        EXPECT_TRUE(IsFileOperationRunning());
        EXPECT_TRUE(IsSyncBusy());
        // The first file's data is copied: its bytes count, the file not yet.
        QTRY_COMPARE(Control<QLabel>(dialog, 1002)->text(), QStringLiteral("0 / 3 個のファイル    100 / 300 バイト"));
        EXPECT_EQ(Control<QLabel>(dialog, 1001)->toolTip(), sources.at(0));
        EXPECT_EQ(Control<QProgressBar>(dialog, 1003)->value(), 333);
        QTRY_COMPARE(gate.Reached(), 1);
        checked = true;
        QTest::mouseClick(Control<QPushButton>(dialog, 2), Qt::LeftButton);
        gate.Release();
    });
    CFileOperation operation(doc.GetSyncHooks().observer);
    EXPECT_FALSE(operation.CopyItems(sources, destinations, kQuiet));
    EXPECT_TRUE(checked);
    EXPECT_FALSE(IsFileOperationRunning());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr); // the dialog has gone
    EXPECT_TRUE(operation.Result().cancelled);
    EXPECT_EQ(TestDir::ReadFile(destinations.at(0)), QByteArray(100, 'x'));
    EXPECT_FALSE(TestDir::Exists(destinations.at(1)));
    EXPECT_FALSE(TestDir::Exists(destinations.at(2)));
    EXPECT_TRUE(prompt.Requests().empty()); // a cancel is no error
}

TEST_F(SyncGuiTest, TheWindowKeepsPaintingWhileASilentOperationWorks)
{
    const QString source = dir.WriteFile(QStringLiteral("P/a.txt"), "a");
    PaintCounter window;
    window.resize(100, 100);
    window.show();
    QTRY_VERIFY(window.paints > 0);
    CopyGate gate;
    int paintsAtStart = -1;
    bool releasedByPaint = false;
    bool sawDialog = false;
    QTimer watch;
    watch.setInterval(5);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (gate.Reached() == 0)
            return;
        sawDialog = sawDialog || QApplication::activeModalWidget() != nullptr;
        if (paintsAtStart < 0) {
            paintsAtStart = window.paints;
            window.update();
        } else if (window.paints > paintsAtStart) {
            releasedByPaint = true;
            gate.Release();
        }
    });
    watch.start();
    CFileOperation operation(doc.GetSyncHooks().observer);
    EXPECT_TRUE(operation.CopyItem(source, T("a.txt"), kQuiet | FOF_SILENT));
    EXPECT_TRUE(releasedByPaint);
    EXPECT_FALSE(sawDialog); // silent: no progress dialog
    EXPECT_EQ(TestDir::ReadFile(T("a.txt")), QByteArray("a"));
}

TEST_F(SyncGuiTest, FailuresAreShownOnceAfterTheProgressDialogHasGone)
{
    SetProgressDialogDelay(0);
    const QString missing1 = P("missing1.txt");
    const QString missing2 = P("missing2.txt");
    const QString good = dir.WriteFile(QStringLiteral("P/good.txt"), "good");
    CFileOperation operation(doc.GetSyncHooks().observer);
    EXPECT_FALSE(operation.CopyItems({missing1, good, missing2}, {T("1"), T("good.txt"), T("2")}, kQuiet));
    ASSERT_EQ(prompt.Requests().size(), 1u);
    EXPECT_EQ(prompt.Requests().at(0).icon, PromptIcon::Error);
    EXPECT_TRUE(prompt.Texts().at(0).contains(missing1));
    EXPECT_TRUE(prompt.Texts().at(0).contains(missing2));
    EXPECT_TRUE(prompt.onGuiThread.at(0));
    EXPECT_NE(prompt.modalClass.at(0), QStringLiteral("CFileProgressDlg"));
    EXPECT_EQ(TestDir::ReadFile(T("good.txt")), QByteArray("good"));

    // Silent: the failures are only returned.
    CFileOperation silent(doc.GetSyncHooks().observer);
    EXPECT_FALSE(silent.CopyItems({missing1}, {T("1")}, kQuiet | FOF_SILENT));
    EXPECT_EQ(prompt.Requests().size(), 1u);
    EXPECT_EQ(silent.Result().errors.size(), 1);
}

TEST_F(SyncGuiTest, TheReplaceQuestionOffersYesToAllAndCancelStopsTheRest)
{
    for (const char* name : {"a.txt", "b.txt", "c.txt"}) {
        dir.WriteFile(QStringLiteral("P/") + QLatin1String(name), "new", kNew);
        dir.WriteFile(QStringLiteral("T/") + QLatin1String(name), "old", kOld);
    }
    const QStringList sources{P("a.txt"), P("b.txt"), P("c.txt")};
    const QStringList destinations{T("a.txt"), T("b.txt"), T("c.txt")};

    prompt.Push(PromptAnswer::YesToAll);
    CFileOperation operation(doc.GetSyncHooks().observer);
    EXPECT_TRUE(operation.CopyItems(sources, destinations, FOF_NOCONFIRMMKDIR));
    ASSERT_EQ(prompt.Requests().size(), 1u);
    EXPECT_EQ(prompt.Requests().at(0).buttons, PromptButtons::YesYesToAllNoCancel);
    EXPECT_EQ(prompt.modalClass.at(0), QStringLiteral("CFileProgressDlg"));
    for (const QString& destination : destinations)
        EXPECT_EQ(TestDir::ReadFile(destination), QByteArray("new"));

    for (const QString& destination : destinations)
        dir.WriteFile(destination.mid(dir.Path().size() + 1), "old", kOld);
    prompt.Push(PromptAnswer::Yes);
    prompt.Push(PromptAnswer::Cancel);
    EXPECT_FALSE(operation.CopyItems(sources, destinations, FOF_NOCONFIRMMKDIR));
    EXPECT_EQ(prompt.Requests().size(), 3u);
    EXPECT_TRUE(operation.Result().cancelled);
    EXPECT_EQ(TestDir::ReadFile(T("a.txt")), QByteArray("new"));
    EXPECT_EQ(TestDir::ReadFile(T("b.txt")), QByteArray("old"));
    EXPECT_EQ(TestDir::ReadFile(T("c.txt")), QByteArray("old"));
}
