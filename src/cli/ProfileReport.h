#pragma once

#include <QString>
#include <QStringList>

class CProfile;

// What the profile verbs say on stderr about the profile file.

// Warns when the profile could not be read whole. False when any of
// `sections` may lack values because of it.
bool ReportProfileDamage(const CProfile& profile, const QStringList& sections);
// Says that `verb` could not write the profile, and why; returns ExitCode::Failure.
int ReportWriteFailure(const QString& verb, const CProfile& profile);
