#include "core/model/CAppProject.h"

#include "core/model/CSyncProject.h"

#include <QSysInfo>

QString CAppProject::GetDisplayName() const
{
    return QSysInfo::machineHostName();
}

bool CAppProject::IsChanged() const
{
    return AnyDescendant([](const CSyncProject& node) { return node.HasFlag(NodeFlag::Changed); });
}
