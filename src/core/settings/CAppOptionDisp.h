#pragma once

#include <QString>
#include <QtGlobal>

class CProfile;

// Bits of the display options' Flags.
namespace DispFlag {
constexpr quint32 AlwaysShowFileInfo = 0x001; // always show the file sync information in the file list
constexpr quint32 ToleranceIcon = 0x002; // distinct icon for files equal within the tolerance
constexpr quint32 AutoSizeColumns = 0x004; // auto-size the file list columns
constexpr quint32 ShowExcluded = 0x008; // show files excluded from synchronisation
constexpr quint32 GridLines = 0x010; // grid lines in the file list (after a restart)
constexpr quint32 ShowProjectState = 0x020; // show the project sync state in the tree
constexpr quint32 TreeLines = 0x040; // lines between tree items (after a restart)
constexpr quint32 MinimizeToTray = 0x080; // minimise to the task tray
constexpr quint32 HideStateExplanation = 0x100; // do not show the sync-state explanation
constexpr quint32 ExpandAll = 0x200; // expand every item when a project is shown
constexpr quint32 Default = 0x2B;
} // namespace DispFlag

// Display options, profile section "OptionDisp". Bits without a control are kept as read.
class CAppOptionDisp
{
public:
    quint32 Flags = DispFlag::Default;
    QString HelpFilePath;

    // Reads "Flags" (missing or -1: the default) and "HelpFilePath".
    void Load();
    void Load(const CProfile& profile);
    // Writes "Flags" then "HelpFilePath", changed or not.
    // False when the profile could not be written (its LastError says why).
    bool Save() const;
    bool Save(CProfile& profile) const;

    QString GetHelpFilePath() const { return HelpFilePath; }

    static const QString& SectionName(); // "OptionDisp"
};

// The process's display options.
CAppOptionDisp& GlobalOptionDisp();
