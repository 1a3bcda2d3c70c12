#pragma once

#include <QFlags>
#include <QString>
#include <QtGlobal>
#include <atomic>
#include <functional>
#include <map>
#include <memory>

class CMyDoc;
class CSyncProject;

// Bits of a node's flags. Bits without a name have no meaning; they are kept
// and stored with the node.
enum class NodeFlag : quint32 {
    OwnFilter = 0x10, // the node's own filter selection is in force
    OwnSyncOptions = 0x20, // the node's own sync options are in force
    Changed = 0x10000, // created by a rescan or changed since the last store; never stored
    NoSync = 0x20000, // "このフォルダを同期しない"
    NoSubfolderSearch = 0x40000, // "サブフォルダを検索しない"
};
Q_DECLARE_FLAGS(NodeFlags, NodeFlag)
Q_DECLARE_OPERATORS_FOR_FLAGS(NodeFlags)
// Lets `flags &= ~NodeFlag::X` clear a bit.
constexpr NodeFlags operator~(NodeFlag flag) noexcept
{
    return ~NodeFlags(flag);
}

// A long walk over the tree that runs on a worker thread: the thread that
// started it asks it to stop with `cancel` and reads how far it got. The walk
// checks `cancel` between folders.
struct RescanControl
{
    std::atomic<bool> cancel{false};
    std::atomic<qint64> folders{0}; // folder pairs read
    std::atomic<qint64> files{0}; // file records made
};

// A node of the project tree. The node owns its children, each stored under
// a key unique among its siblings; the map is ordered by key, so the same
// tree is always visited, stored and shown in the same order. Every child is
// a CSyncProject (a project or a subfolder); the root is a CAppProject.
//
// A child's key is its GetKey() (the upper-cased display name) when it takes
// its place, or the key it was stored under in a document, which is kept as
// read. Two siblings can want one key: folders whose names differ only in
// letter case ("Foo" and "foo") are two nodes, and a document may hold two
// siblings under one key. The second then gets a variant key:
//     upper-cased name + "<case:" + display name + ">"   e.g. "FOO<case:foo>"
// followed by "#2", "#3" … should even that be taken. An upper-cased name
// never holds a lower-case letter a-z, so a variant key never equals a key
// that upper-casing gives, and documents written before variant keys existed
// never contain one. A rescan gives a child its plain key back once no
// sibling holds it, so a tree without case variants is stored as it always was.
//
// Walks over a subtree never recurse on the machine stack: a tree read from a
// file may be thousands of levels deep.
class CProject
{
public:
    using ChildMap = std::map<QString, std::unique_ptr<CSyncProject>>;

    CProject();
    explicit CProject(CProject* parent);
    virtual ~CProject();
    CProject(const CProject&) = delete;
    CProject& operator=(const CProject&) = delete;

    // With `recursive` set: copies the document pointer down to every child
    // and rescans each child's subtree; returns true. Otherwise does nothing
    // and returns false.
    virtual bool Refresh(bool recursive);
    // Rescans every node below this one (not this one), as Refresh(true),
    // counting in `control` and stopping when it says so (both may be null).
    // False when it stopped: the subtree is then half rescanned, and only fit
    // to be destroyed.
    bool RefreshChildren(RescanControl* control);
    virtual QString GetDisplayName() const;
    virtual QString GetKey() const;
    virtual bool IsChanged() const;
    virtual void SetChanged(bool changed);

    QString GetName() const { return m_name; }
    void SetName(const QString& name);
    CProject* GetParent() const { return m_parent; }
    CMyDoc* GetDocument() const { return m_document; }
    void SetDocument(CMyDoc* document) { m_document = document; }
    // Scratch value: the rescan's seen-mark, the tree view's last picture between rescans.
    int GetMark() const { return m_mark; }
    void SetMark(int mark) { m_mark = mark; }

    const ChildMap& Children() const { return m_children; }
    qsizetype ChildCount() const { return static_cast<qsizetype>(m_children.size()); }
    // The child whose display name is `name`; else the one child whose
    // display name differs from it only in letter case; else null. Looks at
    // every child: not for loops over many names.
    CSyncProject* FindChild(const QString& name) const;
    // Stores `child` under `key` (by default its GetKey()), or under a variant
    // key when a sibling holds that one: no node is ever replaced. The child's
    // parent becomes this node and it takes this node's document. Returns the
    // stored child.
    CSyncProject& AddChild(std::unique_ptr<CSyncProject> child);
    CSyncProject& AddChild(std::unique_ptr<CSyncProject> child, const QString& key);
    // Removes the entry under `key` (the key the child is stored under) without
    // destroying the node, which the caller then owns (its parent is cleared).
    std::unique_ptr<CSyncProject> DetachChild(const QString& key);
    // Removes and destroys `child` (looked up under its GetKey) with its
    // subtree; false when no entry was stored under that key.
    bool RemoveChild(const CSyncProject* child);
    void DeleteChildren();
    // Removes every child without destroying it: the caller owns them.
    ChildMap TakeChildren();
    // Children stored under a variant key take their GetKey() where no sibling holds it.
    void RestorePlainKeys();

    // Calls `visit` for every node below this one, parents before children,
    // siblings in key order; `visit` may change the visited node's own fields
    // but not add or remove children of nodes not yet visited.
    void ForEachDescendant(const std::function<void(CSyncProject&)>& visit) const;
    // Whether `node` is this node or lies below it. Compares addresses only,
    // so `node` may be one that is gone.
    bool Holds(const CProject* node) const;
    // Whether `test` holds for any node below this one (stops at the first).
    bool AnyDescendant(const std::function<bool(const CSyncProject&)>& test) const;

protected:
    QString m_name;
    CProject* m_parent = nullptr;
    int m_mark = 0;
    CMyDoc* m_document = nullptr;

private:
    // `wanted` when no child holds it, else a variant key for `child` that none holds.
    QString FreeKeyFor(const CSyncProject& child, const QString& wanted) const;

    ChildMap m_children;
};
