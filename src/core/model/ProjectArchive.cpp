#include "core/model/ProjectArchive.h"

#include "core/model/CAppProject.h"
#include "core/model/CSyncProject.h"
#include "core/model/SncArchive.h"

#include <vector>

namespace {

// The fewest bytes one child can take: an empty 8-bit key (1), a class tag (2),
// and a record with no children (2), an empty 8-bit name (1), the flags (4)
// and four empty 8-bit paths (4).
constexpr qint64 kMinChildBytes = 14;
// The fewest bytes of one name in a selection: an empty 8-bit string.
constexpr qint64 kMinStringBytes = 1;

const QByteArray& NodeClassName()
{
    static const QByteArray name(CSyncProject::kClassName);
    return name;
}

void WriteNodeTail(CSncWriter& writer, const CSyncProject& node)
{
    writer.WriteString(node.GetName());
    const NodeFlags flags = node.GetFlags() & ~NodeFlag::Changed;
    writer.WriteDword(flags.toInt());
    writer.WriteString(node.GetFolder(0));
    writer.WriteString(node.GetFolder(1));
    if (flags & NodeFlag::OwnFilter) {
        const QStringList& names = node.GetOwnFilterSelection();
        writer.WriteCount(static_cast<quint32>(names.size()));
        for (const QString& name : names)
            writer.WriteString(name);
    }
    // The own sync options (bit 5) write nothing.
    // The folder status: the two folders once more.
    writer.WriteString(node.GetFolder(0));
    writer.WriteString(node.GetFolder(1));
}

void ReadNodeTail(CSncReader& reader, CSyncProject& node)
{
    node.SetName(reader.ReadString());
    const NodeFlags flags = NodeFlags::fromInt(reader.ReadDword());
    reader.ReadString(); // the folders, stored before the selection, are read again below
    reader.ReadString();
    QStringList ownFilters;
    if (flags & NodeFlag::OwnFilter) {
        const quint32 count = reader.ReadCount(kMinStringBytes);
        for (quint32 i = 0; i < count && reader.Ok(); ++i)
            ownFilters << reader.ReadString();
    }
    const QString project = reader.ReadString();
    const QString target = reader.ReadString();
    if (!reader.Ok())
        return;
    node.SetFlags(flags & ~NodeFlag::Changed);
    node.SetOwnFilterSelection(ownFilters);
    // The own sync options keep their defaults: nothing of them is stored.
    node.FolderStatus().SetPaths(project, target); // not SetFolders: the children are already attached
}

} // namespace

bool StoreDocumentArchive(QIODevice& device, const CAppProject& root, const QStringList& commonFilters)
{
    CSncWriter writer(device);
    struct Frame
    {
        const CProject* node;
        CProject::ChildMap::const_iterator next;
    };
    std::vector<Frame> stack;
    writer.WriteCount(static_cast<quint32>(root.ChildCount()));
    stack.push_back({&root, root.Children().begin()});
    while (!stack.empty() && writer.Ok()) {
        Frame& top = stack.back();
        if (top.next != top.node->Children().end()) {
            const auto& [key, child] = *top.next++;
            writer.WriteString(key);
            writer.WriteNewObject(NodeClassName(), CSyncProject::kSchema);
            writer.WriteCount(static_cast<quint32>(child->ChildCount()));
            stack.push_back({child.get(), child->Children().begin()});
            continue;
        }
        if (top.node == &root)
            writer.WriteString(root.GetName());
        else
            WriteNodeTail(writer, static_cast<const CSyncProject&>(*top.node));
        stack.pop_back();
    }
    writer.WriteCount(static_cast<quint32>(commonFilters.size()));
    for (const QString& name : commonFilters)
        writer.WriteString(name);
    return writer.Ok();
}

void ClearChangedFlags(CAppProject& root)
{
    root.ForEachDescendant([](CSyncProject& node) { node.SetChanged(false); });
}

namespace {

// A node under construction is owned by its frame until its record is
// complete; then it moves into its parent's children. The root's frame
// collects into a staging root, so that a failure leaves the document untouched.
struct NodeFrame
{
    std::unique_ptr<CSyncProject> node; // null for the root's frame
    CProject* target;
    quint32 remaining;
    QString key; // the key the node was stored under, kept as read
};

// Reads the key and the head of the next child of the top frame and opens its frame.
bool OpenChildNode(CSncReader& reader, std::vector<NodeFrame>& stack)
{
    QString key = reader.ReadString();
    const CSncReader::NewObject object = reader.ReadNewObject();
    if (!reader.Ok())
        return false;
    // Any schema of the node class reads the same way.
    if (object.className != NodeClassName()) {
        reader.Fail(QStringLiteral("an object of the unknown class '%1'").arg(QString::fromLatin1(object.className)));
        return false;
    }
    if (stack.size() > size_t(kMaxNodeDepth)) {
        reader.Fail(QStringLiteral("nodes nested deeper than %1 levels").arg(kMaxNodeDepth));
        return false;
    }
    auto node = std::make_unique<CSyncProject>();
    CProject* target = node.get();
    const quint32 count = reader.ReadCount(kMinChildBytes);
    stack.push_back({std::move(node), target, count, std::move(key)});
    return true;
}

// Reads the rest of the top frame's node and hands it to its parent.
bool CompleteNode(CSncReader& reader, std::vector<NodeFrame>& stack)
{
    ReadNodeTail(reader, *stack.back().node);
    if (!reader.Ok())
        return false;
    std::unique_ptr<CSyncProject> complete = std::move(stack.back().node);
    const QString key = std::move(stack.back().key);
    stack.pop_back();
    // A second sibling under one key is kept too, under a variant key.
    stack.back().target->AddChild(std::move(complete), key);
    return true;
}

// Reads the node tree into `staging`; the root's name (the reader tells whether all went well).
QString ReadNodeTree(CSncReader& reader, CAppProject& staging)
{
    std::vector<NodeFrame> stack;
    stack.push_back({nullptr, &staging, reader.ReadCount(kMinChildBytes), QString()});
    while (!stack.empty() && reader.Ok()) {
        NodeFrame& top = stack.back();
        if (top.remaining > 0) {
            --top.remaining;
            if (!OpenChildNode(reader, stack))
                break;
        } else if (!top.node) {
            return reader.ReadString();
        } else if (!CompleteNode(reader, stack)) {
            break;
        }
    }
    return QString();
}

QStringList ReadCommonFilterNames(CSncReader& reader)
{
    QStringList names;
    if (reader.Ok()) {
        const quint32 count = reader.ReadCount(kMinStringBytes);
        for (quint32 i = 0; i < count && reader.Ok(); ++i)
            names << reader.ReadString();
    }
    return names;
}

} // namespace

bool LoadDocumentArchive(QIODevice& device, CAppProject& root, QStringList& commonFilters, QString* error)
{
    CSncReader reader(device);
    CAppProject staging;
    const QString rootName = ReadNodeTree(reader, staging);
    const QStringList names = ReadCommonFilterNames(reader);
    if (!reader.Ok()) {
        if (error)
            *error = reader.Error();
        return false;
    }
    // Trailing bytes after the selection are ignored, as the framework does.
    root.SetName(rootName);
    while (!staging.Children().empty()) {
        const QString key = staging.Children().begin()->first;
        root.AddChild(staging.DetachChild(key), key);
    }
    commonFilters << names;
    return true;
}
