#include "shell/CAppOptionTool.h"

#include "platform/Profile.h"

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

void CAppOptionTool::Save() const
{
    Save(CProfile::Instance());
}

void CAppOptionTool::Save(CProfile& profile) const
{
    profile.WriteProfileString(SectionName(), kCompareText, PathToolCompareText);
    profile.WriteProfileString(SectionName(), kCompareBin, PathToolCompareBin);
}

CAppOptionTool& GlobalOptionTool()
{
    static CAppOptionTool options;
    return options;
}
