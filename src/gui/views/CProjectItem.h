#pragma once

#include <QString>
#include <QTreeWidgetItem>

class CProject;

// Item data roles of the project tree beyond Qt's own.
namespace ProjectRole {
constexpr int Node = Qt::UserRole + 1; // the item's node, CProject* as quintptr
constexpr int Image = Qt::UserRole + 2; // picture index of the item image (0: empty)
constexpr int State = Qt::UserRole + 3; // picture index of the state picture (0: none)
constexpr int TypePicture = Qt::UserRole + 4; // the node's type picture
constexpr int StatusPicture = Qt::UserRole + 5; // the node's status picture (0: no status)
} // namespace ProjectRole

// What the items of one tree need to know of their view; owned by the view.
struct ProjectTreeSettings
{
    // Display flag bit 6: the status picture is the item image and the type
    // picture the state picture (else the status picture sits in the state
    // position, left of the type picture). Fixed when the view is made.
    bool linesMode = false;
    // The scan flag of the folder state: compare the folders' files, not only
    // whether the two folders exist.
    bool showProjectState = false;
    // Display flag bit 8: no info tips.
    bool noInfoTips = false;
};

// The two pictures of a node and the info tip they give.
struct NodePictures
{
    int type = 0;
    int status = 0; // 0: no status
    // The project folder (0) or the target folder (1) could not be read
    // completely: the status shows the mixed picture and the tip says why.
    bool unread[2] = {false, false};
};
// Computes the pictures of `node`; a folder pair's status may scan its folders
// when `scan` is set. A node of no known kind gets neither picture.
NodePictures ComputeNodePictures(CProject& node, bool scan);
// The tip of a status picture ("" for none).
QString NodeTipText(int statusPicture);
// The tip of a node's pictures: a folder that could not be read says so.
QString NodeTipText(const NodePictures& pictures);

// One item of the project tree. Its text and pictures are asked of the node
// the first time the tree draws the item and kept until Invalidate, so that a
// large tree only scans the folders of the items that are shown. Children are
// inserted when the item is first expanded (see CProjectView).
class CProjectItem : public QTreeWidgetItem
{
public:
    static constexpr int ItemType = QTreeWidgetItem::UserType + 1;

    CProjectItem(CProject& node, const ProjectTreeSettings& settings);

    CProject* Node() const { return m_node; }

    // Whether the item's child items mirror its node's children (it was
    // expanded since its children were last dropped).
    bool IsPopulated() const { return m_populated; }
    void SetPopulated(bool populated);
    // Whether the node joined the tree without the children a load under way
    // brings after it: the item then shows that it may have children.
    void SetChildrenToCome(bool toCome);
    // Shows whether the item can be expanded (its node's children may have changed).
    void UpdateIndicator();
    // Forgets the text, the pictures and the child count: they are asked of
    // the node again when the item is next drawn.
    void Invalidate();
    // Whether the pictures were computed since the last Invalidate.
    bool HasPictures() const { return m_picturesKnown; }

    QVariant data(int column, int role) const override;
    // Sorted by display name, in code-unit order (case-sensitive).
    bool operator<(const QTreeWidgetItem& other) const override;

    QString DisplayName() const;

private:
    void EnsurePictures() const;
    int ImagePicture() const;
    int StatePicture() const;

    CProject* m_node;
    const ProjectTreeSettings& m_settings;
    bool m_populated = false;
    bool m_childrenToCome = false;
    mutable bool m_textKnown = false;
    mutable QString m_text;
    mutable bool m_picturesKnown = false;
    mutable NodePictures m_pictures;
};
