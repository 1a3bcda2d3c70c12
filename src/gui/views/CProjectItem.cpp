#include "gui/views/CProjectItem.h"

#include "core/engine/CDirSyncStatus.h"
#include "core/engine/SyncState.h"
#include "core/model/CAppProject.h"
#include "core/model/CSyncProject.h"
#include "gui/resources/Pictures.h"
#include "gui/sync/GuiSyncHooks.h"

#include <QIcon>

NodePictures ComputeNodePictures(CProject& node, bool scan)
{
    NodePictures pictures;
    if (dynamic_cast<CAppProject*>(&node)) {
        pictures.type = Strip::Root;
        pictures.status = Strip::StateSame;
        return pictures;
    }
    auto* project = dynamic_cast<CSyncProject*>(&node);
    if (!project)
        return pictures;
    const bool topLevel = dynamic_cast<CAppProject*>(project->GetParent()) != nullptr;
    if (project->IsNoSubfolderSearch())
        pictures.type = topLevel ? Strip::ProjectNoSubfolders : Strip::FolderNoSubfolders;
    else
        pictures.type = topLevel ? Strip::Project : Strip::Folder;
    if (project->IsNoSync()) {
        pictures.status = Strip::Excluded;
    } else {
        const int picture = GetFolderStatePicture(project->GetFolderState(scan));
        pictures.status = picture == Picture::None ? Strip::Empty : picture;
        // As the last scan or rescan found it.
        const CDirSyncStatus& status = project->FolderStatus();
        if (status.IsReadIncomplete()) {
            pictures.status = Strip::Mixed;
            pictures.unread[0] = status.IsReadIncomplete(0);
            pictures.unread[1] = status.IsReadIncomplete(1);
        }
    }
    return pictures;
}

QString NodeTipText(const NodePictures& pictures)
{
    if (pictures.unread[0] || pictures.unread[1])
        return GetUnreadFolderTipText(pictures.unread[0], pictures.unread[1]);
    return NodeTipText(pictures.status);
}

QString NodeTipText(int statusPicture)
{
    switch (statusPicture) {
    case Strip::ProjectOnly:
        return QStringLiteral("プロジェクトのみ存在");
    case Strip::TargetOnly:
        return QStringLiteral("ターゲットのみ存在");
    case Strip::ProjectNewer:
        return QStringLiteral("プロジェクトが最新");
    case Strip::TargetNewer:
        return QStringLiteral("ターゲットが最新");
    case Strip::Excluded:
        return QStringLiteral("同期除外対象");
    case Strip::Mixed:
        return QStringLiteral("混在もしくは削除ファイルあり");
    default:
        return {};
    }
}

CProjectItem::CProjectItem(CProject& node, const ProjectTreeSettings& settings)
    : QTreeWidgetItem(ItemType), m_node(&node), m_settings(settings)
{
    UpdateIndicator();
}

void CProjectItem::SetPopulated(bool populated)
{
    m_populated = populated;
    UpdateIndicator();
}

void CProjectItem::SetChildrenToCome(bool toCome)
{
    if (m_childrenToCome == toCome)
        return;
    m_childrenToCome = toCome;
    UpdateIndicator();
}

void CProjectItem::Invalidate()
{
    m_textKnown = false;
    m_picturesKnown = false;
    // The node may have gained children since the item was populated without
    // any: it is populated again when next expanded.
    if (m_populated && childCount() == 0 && m_node->ChildCount() > 0)
        m_populated = false;
    UpdateIndicator();
    emitDataChanged();
}

void CProjectItem::UpdateIndicator()
{
    const bool expandable = !m_populated && (m_childrenToCome || m_node->ChildCount() > 0);
    setChildIndicatorPolicy(
        expandable ? QTreeWidgetItem::ShowIndicator : QTreeWidgetItem::DontShowIndicatorWhenChildless);
}

QString CProjectItem::DisplayName() const
{
    if (!m_textKnown) {
        m_text = m_node->GetDisplayName();
        m_textKnown = true;
    }
    return m_text;
}

void CProjectItem::EnsurePictures() const
{
    if (m_picturesKnown)
        return;
    if (IsCollectionRunning()) {
        // A run's collection reads the nodes on its thread: no state is
        // computed (or kept) until it has ended.
        m_pictures = NodePictures();
        return;
    }
    m_pictures = ComputeNodePictures(*m_node, m_settings.showProjectState);
    m_picturesKnown = true;
    // Between rescans the node keeps its last status picture.
    m_node->SetMark(m_pictures.status);
}

int CProjectItem::ImagePicture() const
{
    EnsurePictures();
    return m_settings.linesMode ? m_pictures.status : m_pictures.type;
}

int CProjectItem::StatePicture() const
{
    EnsurePictures();
    // Without a status the default mode shows no state picture (one that was
    // shown before is cleared); the lines mode always shows the type there.
    return m_settings.linesMode ? m_pictures.type : m_pictures.status;
}

QVariant CProjectItem::data(int column, int role) const
{
    if (column != 0)
        return QTreeWidgetItem::data(column, role);
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return DisplayName();
    case Qt::DecorationRole: {
        const int state = StatePicture();
        return CImageList::Shared().Pair(state == Strip::Empty ? -1 : state, ImagePicture());
    }
    case Qt::ToolTipRole:
        if (m_settings.noInfoTips)
            return {};
        EnsurePictures();
        if (const QString tip = NodeTipText(m_pictures); !tip.isEmpty())
            return tip;
        return {};
    case ProjectRole::Node:
        return QVariant::fromValue(reinterpret_cast<quintptr>(m_node));
    case ProjectRole::Image:
        return ImagePicture();
    case ProjectRole::State:
        return StatePicture();
    case ProjectRole::TypePicture:
        EnsurePictures();
        return m_pictures.type;
    case ProjectRole::StatusPicture:
        EnsurePictures();
        return m_pictures.status;
    default:
        return QTreeWidgetItem::data(column, role);
    }
}

bool CProjectItem::operator<(const QTreeWidgetItem& other) const
{
    if (other.type() != ItemType)
        return QTreeWidgetItem::operator<(other);
    return DisplayName() < static_cast<const CProjectItem&>(other).DisplayName();
}
