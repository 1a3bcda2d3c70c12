#include "core/settings/CAppOptionSync.h"

#include "core/platform/Profile.h"

namespace {

const QString kFlags = QStringLiteral("Flags");
const QString kLogFilePath = QStringLiteral("LogFilePath");
const QString kTrashReplaced = QStringLiteral("TrashReplaced");

} // namespace

const QString& CAppOptionSync::SectionName()
{
    static const QString name = QStringLiteral("OptionSync");
    return name;
}

void CAppOptionSync::Load()
{
    Load(CProfile::Instance());
}

void CAppOptionSync::Load(const CProfile& profile)
{
    // A missing value reads as -1, and so does a stored 0xFFFFFFFF: both give the default.
    const int flags = profile.GetProfileInt(SectionName(), kFlags, -1);
    Flags = flags == -1 ? SyncFlag::Default : SyncFlags::fromInt(static_cast<quint32>(flags));
    LogFilePath = profile.GetProfileString(SectionName(), kLogFilePath, QString());
    // On unless turned off: a profile from before the setting existed gets it too.
    TrashReplaced = profile.GetProfileInt(SectionName(), kTrashReplaced, 1) != 0;
}

bool CAppOptionSync::Save() const
{
    return Save(CProfile::Instance());
}

bool CAppOptionSync::Save(CProfile& profile) const
{
    // One replacement of the file: both values or neither.
    return profile.WriteProfileValues(SectionName(),
        {{kFlags, QString::number(static_cast<int>(Flags.toInt()))}, {kLogFilePath, LogFilePath},
            {kTrashReplaced, QString::number(TrashReplaced ? 1 : 0)}});
}

void CAppOptionSync::SetTransferMode(int mode)
{
    if (mode == GetTransferMode())
        return;
    Flags = (Flags & ~SyncFlags(SyncFlag::TransferModeMask)) | TransferMode::Bits(mode);
}

CAppOptionSync& GlobalOptionSync()
{
    static CAppOptionSync options;
    return options;
}
