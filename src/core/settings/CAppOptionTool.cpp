#include "core/settings/CAppOptionTool.h"

#include "core/platform/Profile.h"

namespace {

const QString kCompareText = QStringLiteral("PathToolCompareText");
const QString kCompareBin = QStringLiteral("PathToolCompareBin");

} // namespace

const QString& CAppOptionTool::SectionName()
{
    static const QString name = QStringLiteral("OptionTool");
    return name;
}

void CAppOptionTool::Load()
{
    Load(CProfile::Instance());
}

void CAppOptionTool::Load(const CProfile& profile)
{
    PathToolCompareText = profile.GetProfileString(SectionName(), kCompareText, QString());
    PathToolCompareBin = profile.GetProfileString(SectionName(), kCompareBin, QString());
}

bool CAppOptionTool::Save() const
{
    return Save(CProfile::Instance());
}

bool CAppOptionTool::Save(CProfile& profile) const
{
    // One replacement of the file: both values or neither.
    return profile.WriteProfileValues(
        SectionName(), {{kCompareText, PathToolCompareText}, {kCompareBin, PathToolCompareBin}});
}

CAppOptionTool& GlobalOptionTool()
{
    static CAppOptionTool options;
    return options;
}
