#include "core/settings/CAppOptionDisp.h"

#include "core/platform/Profile.h"

namespace {

const QString kFlags = QStringLiteral("Flags");
const QString kHelpFilePath = QStringLiteral("HelpFilePath");

} // namespace

const QString& CAppOptionDisp::SectionName()
{
    static const QString name = QStringLiteral("OptionDisp");
    return name;
}

void CAppOptionDisp::Load()
{
    Load(CProfile::Instance());
}

void CAppOptionDisp::Load(const CProfile& profile)
{
    // A missing value reads as -1, and so does a stored 0xFFFFFFFF: both give the default.
    const int flags = profile.GetProfileInt(SectionName(), kFlags, -1);
    Flags = flags == -1 ? DispFlag::Default : DispFlags::fromInt(static_cast<quint32>(flags));
    HelpFilePath = profile.GetProfileString(SectionName(), kHelpFilePath, QString());
}

bool CAppOptionDisp::Save() const
{
    return Save(CProfile::Instance());
}

bool CAppOptionDisp::Save(CProfile& profile) const
{
    // One replacement of the file: both values or neither.
    return profile.WriteProfileValues(
        SectionName(), {{kFlags, QString::number(static_cast<int>(Flags.toInt()))}, {kHelpFilePath, HelpFilePath}});
}

CAppOptionDisp& GlobalOptionDisp()
{
    static CAppOptionDisp options;
    return options;
}
