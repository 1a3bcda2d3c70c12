#pragma once

#include "cli/CliVerb.h"

#include <QString>
#include <QStringList>
#include <optional>
#include <set>
#include <vector>

// A small parser for "verb POSITIONAL… --switch --option VALUE…" command
// lines, driven by the verb's option table.
class CliArgs
{
public:
    CliArgs(const QStringList& args, const CliOptions& options, const QString& verb);

    bool Ok() const { return m_error.isEmpty(); }
    // The whole message, "VERB: unknown option '--x'; did you mean '--y'?".
    const QString& Error() const { return m_error; }

    const QStringList& Positional() const { return m_positional; }
    bool Has(const QString& name) const;
    std::optional<QString> Value(const QString& option) const; // the last one given
    QStringList Values(const QString& option) const; // every one, in order

    // Whether `args` ask for the verb's help ("--help" where an option may
    // stand, not as the value of another option).
    static bool AsksForHelp(const QStringList& args, const CliOptions& options);

private:
    QStringList m_positional;
    std::set<QString> m_switchesSeen;
    std::vector<std::pair<QString, QString>> m_values;
    QString m_error;
};

// The one of `candidates` closest to `word` when it is close enough to be a
// likely slip of the fingers (a letter wrong, missing, extra or two swapped;
// two of these in a longer word); none otherwise. Letter case does not count.
std::optional<QString> ClosestName(const QString& word, const QStringList& candidates);
// "unknown WHAT 'word'" with "; did you mean 'x'?" when one of `candidates`
// is close, else with `otherwise` (" (see …)").
QString UnknownNameText(
    const QString& what, const QString& word, const QStringList& candidates, const QString& otherwise);
