// pairwell-cli tree DOC.snc [--scan] [--json]
//
// Opens the document (which rescans every project) and prints the project
// tree: each node's display name, folders, switches, own settings and folder
// state. The state is computed as the tree view computes it: from the
// folders' existence, and with --scan from their files too; a node that is not
// synchronised shows "excluded". Children are sorted by display name, as the
// tree view sorts them.
//
// Text: one line per node, indented by depth:
//   NAME  state=N|excluded  project=PATH  target=PATH  [name=CUSTOM] [no-sync]
//   [no-subfolders] [filters=A,B] [options=0xFLAGS]  flags=0xFLAGS
// JSON: {"commonFilters": [...], "root": {"name": ..., "children": [node...]}},
// node = {"key", "name", "displayName", "project", "target", "flags",
//         "ownFilters": [...] or null, "state": N or "excluded", "children": [...]}.
#include "cli/CliArgs.h"
#include "cli/CliDocument.h"
#include "cli/CliVerb.h"
#include "cli/TerminalPrompt.h"
#include "core/model/CMyDoc.h"
#include "core/model/CSyncProject.h"
#include "core/platform/FileName.h"
#include "core/platform/FolderHandles.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

void WriteLine(const QString& line)
{
    // The bytes of the names, so that undecodable names appear as they are on disk.
    const QByteArray bytes = EncodeFileName(line) + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
}

// A child with the key its parent stores it under (unique among siblings,
// also for folders whose names differ only in letter case).
struct StoredChild
{
    QString key;
    CSyncProject* node = nullptr;
};

std::vector<StoredChild> SortedChildren(const CProject& node)
{
    std::vector<StoredChild> children;
    children.reserve(size_t(node.ChildCount()));
    for (const auto& [key, child] : node.Children())
        children.push_back({key, child.get()});
    std::stable_sort(children.begin(), children.end(),
        [](const StoredChild& a, const StoredChild& b) { return a.node->GetDisplayName() < b.node->GetDisplayName(); });
    return children;
}

QJsonValue StateValue(CSyncProject& node, bool scan)
{
    if (node.IsNoSync())
        return QStringLiteral("excluded");
    // The document was rescanned when it was opened, a moment ago: its
    // records stand for the scan of each folder.
    return int(scan ? node.GetRescannedFolderState() : node.GetFolderState(false));
}

QString FlagsText(quint32 flags)
{
    return QStringLiteral("0x") + QString::number(flags, 16).rightJustified(8, QLatin1Char('0'));
}

// One line per node of a tree that may hold a million: appended in one string.
QString NodeLine(CSyncProject& node, bool scan, int depth)
{
    const QJsonValue state = StateValue(node, scan);
    QString line(2 * depth, QLatin1Char(' '));
    line += node.GetDisplayName();
    line += QLatin1String("  state=");
    line += state.isString() ? state.toString() : QString::number(state.toInt());
    line += QLatin1String("  project=") + node.GetFolder(0) + QLatin1String("  target=") + node.GetFolder(1);
    if (!node.GetName().isEmpty())
        line += QLatin1String("  name=") + node.GetName();
    if (node.IsNoSync())
        line += QLatin1String("  no-sync");
    if (node.IsNoSubfolderSearch())
        line += QLatin1String("  no-subfolders");
    if (node.HasFlag(NodeFlag::OwnFilter))
        line += QLatin1String("  filters=") + node.GetOwnFilterSelection().join(QLatin1Char(','));
    if (node.HasFlag(NodeFlag::OwnSyncOptions))
        line += QLatin1String("  options=") + FlagsText(node.GetOwnSyncOptions().Flags.toInt());
    line += QLatin1String("  flags=") + FlagsText(node.GetFlags().toInt());
    return line;
}

void PrintText(CMyDoc& doc, bool scan)
{
    WriteLine(doc.GetRoot().GetDisplayName() + QStringLiteral("  common-filters=")
        + doc.GetCommonFilterSelection().join(QLatin1Char(',')));
    // Depth-first without recursion: a document may be thousands of levels deep.
    std::vector<std::pair<CSyncProject*, int>> pending;
    const auto push = [&pending](const CProject& parent, int depth) {
        const std::vector<StoredChild> children = SortedChildren(parent);
        for (auto it = children.rbegin(); it != children.rend(); ++it)
            pending.emplace_back(it->node, depth);
    };
    push(doc.GetRoot(), 1);
    while (!pending.empty()) {
        const auto [node, depth] = pending.back();
        pending.pop_back();
        WriteLine(NodeLine(*node, scan, depth));
        push(*node, depth + 1);
    }
}

QJsonObject NodeObject(const StoredChild& child, bool scan)
{
    CSyncProject& node = *child.node;
    QJsonObject object;
    object.insert(QStringLiteral("key"), child.key);
    object.insert(QStringLiteral("name"), node.GetName());
    object.insert(QStringLiteral("displayName"), node.GetDisplayName());
    object.insert(QStringLiteral("project"), node.GetFolder(0));
    object.insert(QStringLiteral("target"), node.GetFolder(1));
    object.insert(QStringLiteral("flags"), qint64(node.GetFlags().toInt()));
    object.insert(QStringLiteral("ownFilters"),
        node.HasFlag(NodeFlag::OwnFilter) ? QJsonValue(QJsonArray::fromStringList(node.GetOwnFilterSelection()))
                                          : QJsonValue(QJsonValue::Null));
    object.insert(QStringLiteral("state"), StateValue(node, scan));
    return object;
}

// Builds the nested objects bottom-up without recursion: every node's object
// is complete (with its children) before it is put into its parent's array.
QJsonArray ChildrenArray(CMyDoc& doc, bool scan)
{
    struct Frame
    {
        QJsonObject object;
        std::vector<StoredChild> children;
        size_t next = 0;
        QJsonArray done;
    };
    std::vector<Frame> stack;
    stack.push_back({QJsonObject(), SortedChildren(doc.GetRoot()), 0, QJsonArray()});
    for (;;) {
        Frame& top = stack.back();
        if (top.next < top.children.size()) {
            const StoredChild& child = top.children[top.next++];
            stack.push_back({NodeObject(child, scan), SortedChildren(*child.node), 0, QJsonArray()});
            continue;
        }
        if (stack.size() == 1)
            return top.done;
        Frame finished = std::move(top);
        stack.pop_back();
        finished.object.insert(QStringLiteral("children"), finished.done);
        stack.back().done.append(finished.object);
    }
}

void PrintJson(CMyDoc& doc, bool scan)
{
    QJsonObject root;
    root.insert(QStringLiteral("name"), doc.GetRoot().GetDisplayName());
    root.insert(QStringLiteral("children"), ChildrenArray(doc, scan));
    QJsonObject all;
    all.insert(QStringLiteral("commonFilters"), QJsonArray::fromStringList(doc.GetCommonFilterSelection()));
    all.insert(QStringLiteral("root"), root);
    const QByteArray text = QJsonDocument(all).toJson(QJsonDocument::Indented);
    std::fwrite(text.constData(), 1, size_t(text.size()), stdout);
}

const CliOptions& Options()
{
    static const CliOptions options{
        {{QStringLiteral("--scan")}, {},
            QStringLiteral("work the states out from the folders' files too, not only from which folders exist"), {}},
        {{QStringLiteral("--json")}, {}, QStringLiteral("print the tree as one JSON object"), {}},
    };
    return options;
}

int Tree(const QStringList& arguments)
{
    const CliArgs args(arguments, Options(), QStringLiteral("tree"));
    if (!args.Ok())
        return UsageError(args.Error());
    if (args.Positional().size() != 1)
        return UsageError(QStringLiteral("tree needs DOC.snc"));

    CTerminalPrompt prompt(false);
    CPromptScope scope(prompt);
    LoadSettingsForRescan();
    CMyDoc doc;
    if (!OpenDocumentOrReport(doc, AbsolutePath(args.Positional().first())))
        return ExitCode::BadUsage;
    const bool scan = args.Has(QStringLiteral("--scan"));
    CFolderCache folders; // the nodes' folder tests share the folders opened for them
    if (args.Has(QStringLiteral("--json")))
        PrintJson(doc, scan);
    else
        PrintText(doc, scan);
    return ExitCode::Done;
}

const CliVerb kVerb("tree",
    {QStringLiteral("tree DOC.snc [--scan] [--json]"),
        QStringLiteral("show a document's project tree with the state of every folder"),
        QStringLiteral("Prints the project tree, one line per folder, indented by depth: the display name, the "
                       "state, both folders, the node's own settings and its flags. The state is a number (0 none, "
                       "1 same, 2 same within the tolerance, 3 project newer, 4 target newer, 5 project folder "
                       "only, 6 target folder only, 7 size differs, 8 mixed, 9 neither folder reachable) or "
                       "\"excluded\" for a folder that is not synchronised."),
        Options(),
        {{ExitCode::Done, QStringLiteral("Done.")},
            {ExitCode::BadUsage, QStringLiteral("Bad usage, or a document that cannot be read.")}}},
    Tree);

} // namespace
