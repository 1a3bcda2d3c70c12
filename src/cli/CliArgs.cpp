#include "cli/CliArgs.h"

#include <algorithm>

namespace {

const CliOption* FindOption(const CliOptions& options, const QString& name)
{
    for (const CliOption& option : options) {
        if (option.names.contains(name))
            return &option;
    }
    return nullptr;
}

QStringList AllNames(const CliOptions& options)
{
    QStringList names;
    for (const CliOption& option : options)
        names << option.names;
    return names;
}

// Optimal string alignment distance: insertions, deletions, substitutions
// and swaps of two neighbours each count one.
int EditDistance(const QString& a, const QString& b)
{
    const qsizetype n = a.size();
    const qsizetype m = b.size();
    std::vector<std::vector<int>> d(size_t(n + 1), std::vector<int>(size_t(m + 1), 0));
    for (qsizetype i = 0; i <= n; ++i)
        d[size_t(i)][0] = int(i);
    for (qsizetype j = 0; j <= m; ++j)
        d[0][size_t(j)] = int(j);
    for (qsizetype i = 1; i <= n; ++i) {
        for (qsizetype j = 1; j <= m; ++j) {
            const int cost = a.at(i - 1) == b.at(j - 1) ? 0 : 1;
            int best = std::min({d[size_t(i - 1)][size_t(j)] + 1, d[size_t(i)][size_t(j - 1)] + 1,
                d[size_t(i - 1)][size_t(j - 1)] + cost});
            if (i > 1 && j > 1 && a.at(i - 1) == b.at(j - 2) && a.at(i - 2) == b.at(j - 1))
                best = std::min(best, d[size_t(i - 2)][size_t(j - 2)] + 1);
            d[size_t(i)][size_t(j)] = best;
        }
    }
    return d[size_t(n)][size_t(m)];
}

QString WithoutDashes(const QString& name)
{
    qsizetype start = 0;
    while (start < name.size() && name.at(start) == QLatin1Char('-'))
        ++start;
    return name.mid(start).toLower();
}

} // namespace

CliArgs::CliArgs(const QStringList& args, const CliOptions& options, const QString& verb)
{
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args.at(i);
        if (!arg.startsWith(QLatin1String("--")) || arg == QLatin1String("--")) {
            m_positional << arg;
            continue;
        }
        const CliOption* option = FindOption(options, arg);
        if (!option) {
            m_error = verb + QStringLiteral(": ")
                + UnknownNameText(QStringLiteral("option"), arg, AllNames(options),
                    QStringLiteral(" (see pairwell-cli help %1)").arg(verb));
            return;
        }
        if (option->value.isEmpty()) {
            m_switchesSeen.insert(arg);
        } else if (i + 1 >= args.size()) {
            m_error = verb + QStringLiteral(": option %1 needs a value (%2)").arg(arg, option->value);
            return;
        } else {
            m_values.emplace_back(arg, args.at(++i));
        }
    }
}

bool CliArgs::Has(const QString& name) const
{
    return m_switchesSeen.count(name) != 0;
}

std::optional<QString> CliArgs::Value(const QString& option) const
{
    std::optional<QString> value;
    for (const auto& [name, given] : m_values) {
        if (name == option)
            value = given;
    }
    return value;
}

QStringList CliArgs::Values(const QString& option) const
{
    QStringList values;
    for (const auto& [name, given] : m_values) {
        if (name == option)
            values << given;
    }
    return values;
}

bool CliArgs::AsksForHelp(const QStringList& args, const CliOptions& options)
{
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args.at(i) == QLatin1String("--help"))
            return true;
        const CliOption* option = FindOption(options, args.at(i));
        if (option && !option->value.isEmpty())
            ++i; // its value, whatever it looks like
    }
    return false;
}

std::optional<QString> ClosestName(const QString& word, const QStringList& candidates)
{
    const QString typed = WithoutDashes(word);
    // One slip in a short word, two in a word of six letters or more; never
    // every letter of it ("-x" is no slip of "-h").
    const int allowed = std::min(std::clamp(int(typed.size()) / 3, 1, 2), int(typed.size()) - 1);
    std::optional<QString> best;
    int bestDistance = allowed + 1;
    for (const QString& candidate : candidates) {
        const int distance = EditDistance(typed, WithoutDashes(candidate));
        if (distance < bestDistance) {
            best = candidate;
            bestDistance = distance;
        }
    }
    return best;
}

QString UnknownNameText(
    const QString& what, const QString& word, const QStringList& candidates, const QString& otherwise)
{
    const QString text = QStringLiteral("unknown %1 '%2'").arg(what, word);
    if (const auto closest = ClosestName(word, candidates))
        return text + QStringLiteral("; did you mean '%1'?").arg(*closest);
    return text + otherwise;
}
