#pragma once

#include <QFlags>
#include <QString>
#include <QtGlobal>

class CProfile;

// Bits of the sync options' Flags: one layout for the global options, a
// project's own options and the working copy of a run.
enum class SyncFlag : quint32 {
    Recursive = 0x0001, // include subfolders
    CopyEmptyFolders = 0x0002, // also transfer folders that contain no files
    DeleteFiles = 0x0004, // delete files that no longer exist at the source
    DeleteFolders = 0x0008, // delete folders that no longer exist at the source
    TransferModeMask = 0x0030, // two-bit TransferMode
    RecycleBin = 0x0040, // deletions go to the trash
    NoConfirmation = 0x0080, // do not ask for confirmation
    CheckFolders = 0x0100, // check that the folders exist before synchronising
    SkipHiddenFolders = 0x0400, // do not scan hidden folders
    SkipHiddenFiles = 0x0800, // do not scan hidden files
    FilterFolders = 0x1000, // apply the filters to folder names too
    Default = 0x40,
};
Q_DECLARE_FLAGS(SyncFlags, SyncFlag)
Q_DECLARE_OPERATORS_FOR_FLAGS(SyncFlags)
// Lets `flags &= ~SyncFlag::X` clear a bit.
constexpr SyncFlags operator~(SyncFlag flag) noexcept
{
    return ~SyncFlags(flag);
}

// Values of the TransferMode bits.
namespace TransferMode {
constexpr int UpdatedAndAdded = 0;
constexpr int UpdatedOnly = 1; // only files that already exist at the destination
constexpr int AddedOnly = 2; // only files that do not exist at the destination
constexpr int Shift = 4; // position of the TransferMode bits in SyncFlags

// The TransferMode held in `flags`, and the bits that hold `mode`.
constexpr int Of(SyncFlags flags)
{
    return static_cast<int>((flags & SyncFlag::TransferModeMask).toInt() >> Shift);
}
constexpr SyncFlags Bits(int mode)
{
    return SyncFlags::fromInt(static_cast<quint32>(mode) << Shift) & SyncFlag::TransferModeMask;
}
} // namespace TransferMode

// Sync options, profile section "OptionSync". Bits without a control are kept as read.
class CAppOptionSync
{
public:
    SyncFlags Flags = SyncFlag::Default;
    QString LogFilePath;
    // "TrashReplaced": a file that a run replaces goes to the trash first. A
    // value of its own (not a bit of Flags), read by the runs from the
    // global record only; on when missing.
    bool TrashReplaced = true;

    // Reads "Flags" (missing or -1: the default), "LogFilePath" and "TrashReplaced".
    void Load();
    void Load(const CProfile& profile);
    // Writes "Flags", "LogFilePath" and "TrashReplaced", changed or not.
    // False when the profile could not be written (its LastError says why).
    bool Save() const;
    bool Save(CProfile& profile) const;

    QString GetLogFilePath() const { return LogFilePath; }

    int GetTransferMode() const { return TransferMode::Of(Flags); }
    // Replaces bits 4-5 with the low two bits of `mode`; other bits are untouched.
    void SetTransferMode(int mode);
    // Copies Flags only; LogFilePath stays as it is.
    void CopyFlagsFrom(const CAppOptionSync& other) { Flags = other.Flags; }

    static const QString& SectionName(); // "OptionSync"
};

// The process's global sync options.
CAppOptionSync& GlobalOptionSync();
