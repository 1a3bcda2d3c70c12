#include "core/engine/SyncState.h"

#include "core/engine/CFileEntry.h"

SyncState CompareEntries(const CFileEntry& project, const CFileEntry& target)
{
    return CompareStamps(project.LastWriteTime, project.Size, target.LastWriteTime, target.Size);
}

SyncState CompareStamps(qint64 projectTime, quint64 projectSize, qint64 targetTime, quint64 targetSize)
{
    // Positive: the project side is newer. Sizes are whole 64-bit values.
    const qint64 d = projectTime - targetTime;
    const bool sameSize = projectSize == targetSize;
    if (d == 0)
        return sameSize ? SyncSame : SyncSizeDiffers;
    // The tolerance only turns a small time difference into equality when the
    // sizes agree; otherwise the newer side wins.
    if (sameSize && d >= -kTimeToleranceSeconds && d <= kTimeToleranceSeconds)
        return SyncSameWithinTolerance;
    return d > 0 ? SyncProjectNewer : SyncTargetNewer;
}

QString GetFileStateText(SyncState state)
{
    switch (state) {
    case SyncSame:
        return QStringLiteral("同一");
    case SyncSameWithinTolerance:
        return QStringLiteral("誤差範囲内で一致");
    case SyncProjectNewer:
        return QStringLiteral("プロジェクトが最新");
    case SyncTargetNewer:
        return QStringLiteral("ターゲットが最新");
    case SyncProjectOnly:
        return QStringLiteral("プロジェクトにのみ存在");
    case SyncTargetOnly:
        return QStringLiteral("ターゲットにのみ存在");
    case SyncSizeDiffers:
        return QStringLiteral("Size Diff");
    case SyncNone:
    case SyncMixed:
    case SyncNeitherExists:
        break;
    }
    return {};
}

int GetFileStatePicture(SyncState state, bool showToleranceIcon)
{
    switch (state) {
    case SyncSame:
        return Picture::Same;
    case SyncSameWithinTolerance:
        return showToleranceIcon ? Picture::WithinTolerance : Picture::Same;
    case SyncProjectNewer:
        return Picture::ProjectNewer;
    case SyncTargetNewer:
        return Picture::TargetNewer;
    case SyncProjectOnly:
        return Picture::ProjectOnly;
    case SyncTargetOnly:
        return Picture::TargetOnly;
    case SyncSizeDiffers:
    case SyncMixed:
        return Picture::Mixed;
    case SyncNone:
    case SyncNeitherExists:
        break;
    }
    return Picture::None;
}

int GetFolderStatePicture(SyncState state)
{
    switch (state) {
    case SyncProjectNewer:
        return Picture::ProjectNewer;
    case SyncTargetNewer:
        return Picture::TargetNewer;
    case SyncProjectOnly:
        return Picture::ProjectOnly;
    case SyncTargetOnly:
        return Picture::TargetOnly;
    case SyncMixed:
        return Picture::Mixed;
    case SyncNeitherExists:
        return Picture::None;
    case SyncNone:
    case SyncSame:
    case SyncSameWithinTolerance:
    case SyncSizeDiffers:
        break;
    }
    // States a folder never gets show the "same" picture.
    return Picture::Same;
}

QString GetFolderTipText(SyncState state)
{
    // Fixed texts of the tree, distinct from the file list's ("のみ存在", not "にのみ存在").
    switch (state) {
    case SyncProjectNewer:
        return QStringLiteral("プロジェクトが最新");
    case SyncTargetNewer:
        return QStringLiteral("ターゲットが最新");
    case SyncProjectOnly:
        return QStringLiteral("プロジェクトのみ存在");
    case SyncTargetOnly:
        return QStringLiteral("ターゲットのみ存在");
    case SyncMixed:
        return QStringLiteral("混在もしくは削除ファイルあり");
    case SyncNone:
    case SyncSame:
    case SyncSameWithinTolerance:
    case SyncSizeDiffers:
    case SyncNeitherExists:
        break;
    }
    return {};
}

QString GetFilePictureTip(int picture)
{
    switch (picture) {
    case Picture::ProjectOnly:
        return QStringLiteral("プロジェクトにのみ存在");
    case Picture::TargetOnly:
        return QStringLiteral("ターゲットにのみ存在");
    case Picture::ProjectNewer:
        return QStringLiteral("プロジェクトが最新");
    case Picture::TargetNewer:
        return QStringLiteral("ターゲットが最新");
    case Picture::WithinTolerance:
        return QStringLiteral("誤差範囲内で一致");
    case Picture::Excluded:
        return QStringLiteral("対象外");
    default:
        return {};
    }
}

QString GetExcludedFolderTipText()
{
    return QStringLiteral("同期除外対象");
}

QString GetUnreadFolderTipText(bool project, bool target)
{
    if (project && target)
        return QStringLiteral("プロジェクトとターゲットのフォルダを読み取れません");
    if (project)
        return QStringLiteral("プロジェクトのフォルダを読み取れません");
    return target ? QStringLiteral("ターゲットのフォルダを読み取れません") : QString();
}
