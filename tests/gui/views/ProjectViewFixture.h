#pragma once

// Shared set-up of the project tree tests: a document with projects over real
// temporary folders, a temporary profile, the display options, scripted
// answers, and a main window stand-in that records what the tree tells it.

#include "core/filters/FilterSet.h"
#include "core/model/CMyDoc.h"
#include "core/model/CSyncProject.h"
#include "core/platform/Profile.h"
#include "core/platform/Prompt.h"
#include "core/resources/CommandIds.h"
#include "core/settings/CAppOptionDisp.h"
#include "core/settings/CAppOptionSync.h"
#include "gui/shell/CommandTarget.h"
#include "gui/views/CProjectItem.h"
#include "gui/views/CProjectView.h"
#include "support/TempProfile.h"
#include "support/TestDir.h"
#include "support/gui/ModalDialogs.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

// Records the path bars and the command-state updates.
class TreeTestFrame : public IMainFrame
{
public:
    void ShowProjectFolderPath(const QString& path) override { projectPath = path; }
    void ShowTargetFolderPath(const QString& path) override { targetPath = path; }
    void ShowSelectionSizes(qint64, qint64) override { }
    void UpdateCommandStates() override { ++commandUpdates; }
    QWidget* Window() override { return &window; }

    QWidget window;
    QString projectPath = QStringLiteral("(unset)");
    QString targetPath = QStringLiteral("(unset)");
    int commandUpdates = 0;
};

// One hint as the document sent it.
struct TreeHint
{
    int hint;
    CProject* node;
    bool operator==(const TreeHint& other) const { return hint == other.hint && node == other.node; }
};

inline void PrintTo(const TreeHint& hint, std::ostream* os)
{
    *os << "hint " << hint.hint << " node " << static_cast<const void*>(hint.node);
}

class ProjectViewTest : public ::testing::Test
{
protected:
    // A time well in the past, so that files written "now" are clearly newer.
    static constexpr qint64 kOld = 1'600'000'000;

    void SetUp() override
    {
        GlobalOptionDisp().Flags = DispFlag::Default;
        GlobalOptionSync().Flags = SyncFlag::Default;
        GlobalFilterSet().RemoveAll();
        QObject::connect(&doc, &CMyDoc::UpdateAllViews, &doc, [this](int hint, CProject* node) {
            hints.push_back({hint, node});
        });
    }
    void TearDown() override
    {
        view.reset();
        GlobalOptionDisp().Flags = DispFlag::Default;
        GlobalOptionSync().Flags = SyncFlag::Default;
    }

    // A project under the root over <name>/project and <name>/target; a
    // missing side is simply not created.
    CSyncProject& AddProject(const QString& name, bool withProject = true, bool withTarget = true)
    {
        const QString project = dir.PathOf(name + QStringLiteral("/project/") + name);
        const QString target = dir.PathOf(name + QStringLiteral("/target/") + name);
        if (withProject)
            dir.MakeFolder(name + QStringLiteral("/project/") + name);
        if (withTarget)
            dir.MakeFolder(name + QStringLiteral("/target/") + name);
        auto node = std::make_unique<CSyncProject>(&doc.GetRoot());
        node->SetFolders(project, target);
        CSyncProject& added = doc.GetRoot().AddChild(std::move(node));
        added.Refresh(true);
        return added;
    }
    // Writes `relative` below the project (side 0) or target (side 1) folder of `node`.
    static QString WriteSide(
        CSyncProject& node, int side, const QString& relative, const QByteArray& content, qint64 mtime)
    {
        const QString path = node.GetFolder(side) + QLatin1Char('/') + relative;
        const int slash = int(path.lastIndexOf(QLatin1Char('/')));
        QDir().mkpath(path.left(slash));
        QFile file(path);
        file.open(QIODevice::WriteOnly | QIODevice::Truncate);
        file.write(content);
        file.close();
        TestDir::SetMTime(path, mtime);
        return path;
    }

    // Makes the view; the document's first display (hint 0) fills it.
    CProjectView& MakeView()
    {
        view = std::make_unique<CProjectView>(doc, frame);
        view->resize(400, 600);
        Q_EMIT doc.UpdateAllViews(UpdateHint::FirstDisplay, nullptr);
        return *view;
    }

    CProjectItem* Item(const CProject& node) const { return view->ItemOf(&node); }
    static int Role(QTreeWidgetItem* item, int role) { return item->data(0, role).toInt(); }
    static QStringList ChildTexts(QTreeWidgetItem* item)
    {
        QStringList texts;
        for (int i = 0; i < item->childCount(); ++i)
            texts << item->child(i)->text(0);
        return texts;
    }
    CommandState State(int id)
    {
        CommandState state;
        view->UpdateCommand(id, state);
        return state;
    }
    void Select(const CProject& node)
    {
        CProjectItem* item = Item(node);
        ASSERT_NE(item, nullptr);
        view->setCurrentItem(item);
    }
    std::vector<TreeHint> HintsOf(int hint) const
    {
        std::vector<TreeHint> found;
        for (const TreeHint& sent : hints)
            if (sent.hint == hint)
                found.push_back(sent);
        return found;
    }

    TestDir profileDir;
    TempProfile profile{profileDir.PathOf(QStringLiteral("Pairwell.ini"))};
    TestDir dir;
    CMyDoc doc;
    TreeTestFrame frame;
    CScriptedPrompt prompt;
    CPromptScope promptScope{prompt};
    std::vector<TreeHint> hints;
    std::unique_ptr<CProjectView> view;
};
