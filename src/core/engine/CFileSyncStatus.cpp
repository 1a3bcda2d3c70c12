#include "core/engine/CFileSyncStatus.h"

#include "core/platform/Finder.h"

#include <algorithm>

static_assert(sizeof(CFileSyncStatus) <= 56, "a table may hold a million records");

QStringView CFileSyncStatus::Name(int side) const
{
    Q_ASSERT(side == 0 || side == 1);
    const qsizetype offset = side == 1 && (m_flags & kSplit) ? m_length[0] : 0;
    return QStringView(m_names.get() + offset, m_length[side]);
}

QStringView CFileSyncStatus::HeldNames() const
{
    const qsizetype first = (m_flags & ExistsBit(0)) ? m_length[0] : m_length[1];
    return QStringView(m_names.get(), first + ((m_flags & kSplit) ? m_length[1] : 0));
}

CFileEntry CFileSyncStatus::Entry(int side) const
{
    CFileEntry entry;
    entry.Name = Name(side).toString();
    entry.LastWriteTime = m_time[side];
    entry.Size = m_size[side];
    entry.Attributes = m_attributes[side];
    return entry;
}

void CFileSyncStatus::SetNames(QStringView project, QStringView target, quint8 exists)
{
    if (!(exists & ExistsBit(0)))
        project = QStringView();
    if (!(exists & ExistsBit(1)))
        target = QStringView();
    // Names come from directory entries of at most 255 bytes.
    Q_ASSERT(project.size() <= 0xFFFF && target.size() <= 0xFFFF);
    const bool split = exists == (ExistsBit(0) | ExistsBit(1)) && project != target;
    const QStringView first = (exists & ExistsBit(0)) ? project : target;
    // The second side of a name found alike on both sides (nearly every
    // record) keeps the block as it is.
    if (split || HeldNames() != first) {
        const qsizetype units = first.size() + (split ? target.size() : 0);
        std::unique_ptr<char16_t[]> names(units > 0 ? new char16_t[size_t(units)] : nullptr);
        std::copy(first.utf16(), first.utf16() + first.size(), names.get());
        if (split)
            std::copy(target.utf16(), target.utf16() + target.size(), names.get() + first.size());
        // The views may point into the old block: it goes only now.
        m_names = std::move(names);
    }
    m_length[0] = quint16(project.size());
    m_length[1] = quint16(target.size());
    m_flags = quint8(exists | (split ? kSplit : 0));
}

void CFileSyncStatus::SetSide(int side, const CFileFind& finder)
{
    Q_ASSERT(side == 0 || side == 1);
    const QString name = finder.GetFileName();
    const quint8 exists = quint8(m_flags | ExistsBit(side));
    if (side == 0)
        SetNames(name, Name(1), exists);
    else
        SetNames(Name(0), name, exists);
    m_time[side] = finder.GetLastWriteTime();
    m_size[side] = finder.GetLength();
    const quint32 attributes = finder.GetAttributes();
    Q_ASSERT(attributes <= 0xFFFF);
    m_attributes[side] = quint16(attributes);
}

void CFileSyncStatus::TakeSide(int side, CFileSyncStatus& other)
{
    Q_ASSERT((side == 0 || side == 1) && &other != this && other.Exists(side));
    const quint8 exists = quint8(m_flags | ExistsBit(side));
    if (side == 0)
        SetNames(other.Name(0), Name(1), exists);
    else
        SetNames(Name(0), other.Name(1), exists);
    m_time[side] = other.m_time[side];
    m_size[side] = other.m_size[side];
    m_attributes[side] = other.m_attributes[side];
    const quint8 left = quint8(other.m_flags & ~ExistsBit(side) & (ExistsBit(0) | ExistsBit(1)));
    other.SetNames(other.Name(0), other.Name(1), left);
    other.m_time[side] = CFileEntry::InitialTime();
    other.m_size[side] = 0;
    other.m_attributes[side] = 0;
}

SyncState CFileSyncStatus::GetState() const
{
    switch (GetPresence()) {
    case 1:
        return SyncProjectOnly;
    case 2:
        return SyncTargetOnly;
    case 3:
        return CompareStamps(m_time[0], m_size[0], m_time[1], m_size[1]);
    default:
        return SyncNone;
    }
}
