#include "support/TempProfile.h"

#include "core/filters/FilterSet.h"
#include "core/settings/CAppOptionDisp.h"
#include "core/settings/CAppOptionSync.h"
#include "core/settings/CAppOptionTool.h"

#include <QFile>
#include <gtest/gtest.h>

namespace {

void FreshRecords()
{
    GlobalOptionDisp() = CAppOptionDisp();
    GlobalOptionSync() = CAppOptionSync();
    GlobalOptionTool() = CAppOptionTool();
    GlobalFilterSet().RemoveAll();
}

} // namespace

TempProfile::TempProfile() : m_ownFolder(std::make_unique<QTemporaryDir>())
{
    EXPECT_TRUE(m_ownFolder->isValid());
    m_path = m_ownFolder->filePath(QStringLiteral("Pairwell.ini"));
    m_previousPath = CProfile::Instance().Path();
    CProfile::SetInstancePath(m_path);
    FreshRecords();
}

TempProfile::TempProfile(const QString& path) : m_path(path), m_previousPath(CProfile::Instance().Path())
{
    CProfile::SetInstancePath(m_path);
    FreshRecords();
}

TempProfile::~TempProfile()
{
    CProfile::SetInstancePath(m_previousPath);
    FreshRecords();
}

QString TempProfile::Text() const
{
    QFile file(m_path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

void TempProfile::SetFilters(const std::vector<std::pair<QString, QString>>& entries) const
{
    Profile().ReplaceSectionValues(FilterSet::SectionName(), entries);
    GlobalFilterSet().LoadFromRegistry();
}

std::vector<std::pair<QString, QString>> TempProfile::Filters() const
{
    return Profile().GetSectionValues(FilterSet::SectionName());
}
