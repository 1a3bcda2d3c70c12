#pragma once

// Shared set-up of the file list tests: a document with projects over real
// temporary folders, a temporary profile, the display options, and a main
// window stand-in that records what the list tells it.

#include "core/engine/CFileSyncStatus.h"
#include "core/filters/FilterEntry.h"
#include "core/filters/FilterSet.h"
#include "core/model/CMyDoc.h"
#include "core/model/CSyncProject.h"
#include "core/platform/Profile.h"
#include "core/platform/Prompt.h"
#include "core/resources/CommandIds.h"
#include "core/settings/CAppOptionDisp.h"
#include "core/settings/CAppOptionSync.h"
#include "gui/shell/CommandTarget.h"
#include "gui/views/CFileListItem.h"
#include "gui/views/CFileSyncView.h"
#include "support/TempProfile.h"
#include "support/TestDir.h"
#include "support/gui/ModalDialogs.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QHeaderView>
#include <QTest>
#include <QWidget>
#include <memory>

class RecordingFrame : public IMainFrame
{
public:
    void ShowProjectFolderPath(const QString&) override { }
    void ShowTargetFolderPath(const QString&) override { }
    void ShowSelectionSizes(qint64 project, qint64 target) override
    {
        projectBytes = project;
        targetBytes = target;
        ++sizeReports;
    }
    void UpdateCommandStates() override { ++commandUpdates; }
    QWidget* Window() override { return &window; }

    QWidget window;
    qint64 projectBytes = -1;
    qint64 targetBytes = -1;
    int sizeReports = 0;
    int commandUpdates = 0;
};

// One hint as the document sent it.
struct SentHint
{
    int hint;
    CProject* node;
};

class FileViewTest : public ::testing::Test
{
protected:
    static constexpr qint64 T = 1700000000; // a base time for the files

    void SetUp() override
    {
        GlobalOptionDisp().Flags = DispFlag::Default;
        GlobalOptionSync().Flags = SyncFlag::Default;
        GlobalOptionSync().LogFilePath = profileDir.PathOf(QStringLiteral("sync.log"));
        GlobalFilterSet().RemoveAll();
        projectDir = dir.MakeFolder(QStringLiteral("left/Work"));
        targetDir = dir.MakeFolder(QStringLiteral("right/Work"));
        QObject::connect(&doc, &CMyDoc::UpdateAllViews, &doc, [this](int hint, CProject* node) {
            hints.push_back({hint, node});
        });
    }

    void TearDown() override
    {
        view.reset();
        GlobalOptionDisp().Flags = DispFlag::Default;
        GlobalOptionSync().Flags = SyncFlag::Default;
        GlobalOptionSync().LogFilePath.clear();
        GlobalFilterSet().RemoveAll();
    }

    CSyncProject& AddProject(const QString& project, const QString& target)
    {
        auto node = std::make_unique<CSyncProject>(&doc.GetRoot());
        node->SetFolders(project, target);
        return doc.GetRoot().AddChild(std::move(node));
    }
    CSyncProject& AddProject() { return AddProject(projectDir, targetDir); }

    CFileSyncView& MakeView()
    {
        view = std::make_unique<CFileSyncView>(doc, frame);
        view->resize(1200, 500);
        view->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(view.get()));
        return *view;
    }

    // Sends a hint through the document, as the tree does.
    void Hint(int hint, CProject* node) { Q_EMIT doc.UpdateAllViews(hint, node); }

    QString P(const QString& name) const { return projectDir + QLatin1Char('/') + name; }
    QString Tg(const QString& name) const { return targetDir + QLatin1Char('/') + name; }

    void WriteP(const QString& name, const QByteArray& content, qint64 mtime)
    {
        dir.WriteFile(QStringLiteral("left/Work/") + name, content, mtime);
    }
    void WriteT(const QString& name, const QByteArray& content, qint64 mtime)
    {
        dir.WriteFile(QStringLiteral("right/Work/") + name, content, mtime);
    }
    // A sparse file of `size` bytes (no disk space used).
    static void WriteSparse(const QString& path, qint64 size, qint64 mtime)
    {
        const int fd = ::open(path.toLocal8Bit().constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        ASSERT_GE(fd, 0);
        const int truncated = ::ftruncate(fd, size);
        ::close(fd);
        ASSERT_EQ(truncated, 0);
        TestDir::SetMTime(path, mtime);
    }

    void AddFilter(const QString& name, const QString& storedText)
    {
        auto entry = std::make_unique<FilterEntry>();
        entry->ParseStoredText(name, storedText);
        GlobalFilterSet().append(std::move(entry));
    }

    // The column index that shows column `id` (-1 when it is hidden).
    int ColumnOfId(int id) const
    {
        for (int column = 0; column < view->columnCount(); ++column)
            if (view->ColumnIdAt(column) == id)
                return column;
        return -1;
    }
    QString Cell(int row, int id) const
    {
        const int column = ColumnOfId(id);
        return column < 0 ? QString() : view->topLevelItem(row)->text(column);
    }
    int Picture(int row, int id) const
    {
        const QVariant value = view->topLevelItem(row)->data(ColumnOfId(id), CFileListItem::PictureRole);
        return value.isValid() ? value.toInt() : -1;
    }
    int RowOf(const QString& name) const
    {
        for (int row = 0; row < view->topLevelItemCount(); ++row)
            if (Cell(row, ColumnId::Name) == name)
                return row;
        return -1;
    }
    // The names of the rows, top to bottom.
    QStringList Names() const
    {
        QStringList names;
        for (int row = 0; row < view->topLevelItemCount(); ++row)
            names.append(Cell(row, ColumnId::Name));
        return names;
    }
    void Select(const QStringList& names)
    {
        view->clearSelection();
        for (const QString& name : names) {
            const int row = RowOf(name);
            ASSERT_GE(row, 0) << name.toStdString();
            view->topLevelItem(row)->setSelected(true);
        }
    }
    bool Enabled(int id)
    {
        CommandState state;
        view->UpdateCommand(id, state);
        return state.enabled;
    }
    // Clicks the header of column index `column`, as the user does.
    void ClickHeader(int column)
    {
        QHeaderView* header = view->header();
        const QPoint at(
            header->sectionViewportPosition(column) + header->sectionSize(column) / 2, header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    }

    TestDir dir;
    TestDir profileDir;
    TempProfile profile{profileDir.PathOf(QStringLiteral("Pairwell.ini"))};
    QString projectDir;
    QString targetDir;
    CMyDoc doc;
    RecordingFrame frame;
    std::unique_ptr<CFileSyncView> view;
    std::vector<SentHint> hints;
};
