#include "cli/ProfileReport.h"

#include "cli/CliVerb.h"
#include "core/platform/Profile.h"

#include <algorithm>

bool ReportProfileDamage(const CProfile& profile, const QStringList& sections)
{
    const ProfileDamage damage = profile.Damage();
    if (!damage.unreadable.isEmpty()) {
        PrintErr(
            QStringLiteral("pairwell-cli: the profile %1 cannot be read: %2").arg(profile.Path(), damage.unreadable));
    } else if (!damage.lines.empty()) {
        QStringList numbers;
        for (const qsizetype line : damage.lines)
            numbers << QString::number(line);
        PrintErr(QStringLiteral("pairwell-cli: the profile %1 has lines that cannot be read, skipped and kept as "
                                "they are: %2")
                     .arg(profile.Path(), numbers.join(QStringLiteral(", "))));
    }
    return std::all_of(
        sections.begin(), sections.end(), [&](const QString& section) { return profile.IsSectionComplete(section); });
}

int ReportWriteFailure(const QString& verb, const CProfile& profile)
{
    PrintErr(QStringLiteral("pairwell-cli: %1: the profile could not be written: %2").arg(verb, profile.LastError()));
    return ExitCode::Failure;
}
