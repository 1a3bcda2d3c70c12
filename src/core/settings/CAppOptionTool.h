#pragma once

#include <QString>

class CProfile;

// External compare tools, profile section "OptionTool". Empty paths mean no tool.
class CAppOptionTool
{
public:
    QString PathToolCompareText;
    QString PathToolCompareBin;

    // Reads "PathToolCompareText" then "PathToolCompareBin".
    void Load();
    void Load(const CProfile& profile);
    // Writes both values, changed or not.
    // False when the profile could not be written (its LastError says why).
    bool Save() const;
    bool Save(CProfile& profile) const;

    QString GetPathToolCompareText() const { return PathToolCompareText; }
    QString GetPathToolCompareBin() const { return PathToolCompareBin; }

    static const QString& SectionName(); // "OptionTool"
};

// The process's tool options.
CAppOptionTool& GlobalOptionTool();
