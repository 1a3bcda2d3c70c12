#pragma once

#include <QFlags>
#include <QString>
#include <QtGlobal>

class CProfile;

// Bits of the display options' Flags.
enum class DispFlag : quint32 {
    AlwaysShowFileInfo = 0x001, // always show the file sync information in the file list
    ToleranceIcon = 0x002, // distinct icon for files equal within the tolerance
    AutoSizeColumns = 0x004, // auto-size the file list columns
    ShowExcluded = 0x008, // show files excluded from synchronisation
    GridLines = 0x010, // grid lines in the file list (after a restart)
    ShowProjectState = 0x020, // show the project sync state in the tree
    TreeLines = 0x040, // lines between tree items (after a restart)
    MinimizeToTray = 0x080, // minimise to the task tray
    HideStateExplanation = 0x100, // do not show the sync-state explanation
    ExpandAll = 0x200, // expand every item when a project is shown
    Default = 0x2B,
};
Q_DECLARE_FLAGS(DispFlags, DispFlag)
Q_DECLARE_OPERATORS_FOR_FLAGS(DispFlags)
// Lets `flags &= ~DispFlag::X` clear a bit.
constexpr DispFlags operator~(DispFlag flag) noexcept
{
    return ~DispFlags(flag);
}

// Display options, profile section "OptionDisp". Bits without a control are kept as read.
class CAppOptionDisp
{
public:
    DispFlags Flags = DispFlag::Default;
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
