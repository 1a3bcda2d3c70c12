#include "cli/CliArgs.h"

CliArgs::CliArgs(const QStringList& args, std::set<QString> flags, std::set<QString> options)
{
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args.at(i);
        if (!arg.startsWith(QLatin1String("--")) || arg == QLatin1String("--")) {
            m_positional << arg;
            continue;
        }
        if (flags.count(arg)) {
            m_flagsSeen.insert(arg);
        } else if (options.count(arg)) {
            if (i + 1 >= args.size()) {
                m_error = QStringLiteral("option %1 needs a value").arg(arg);
                return;
            }
            m_values.emplace_back(arg, args.at(++i));
        } else {
            m_error = QStringLiteral("unknown option %1").arg(arg);
            return;
        }
    }
}

bool CliArgs::Has(const QString& flag) const
{
    return m_flagsSeen.count(flag) != 0;
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
