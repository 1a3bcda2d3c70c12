#pragma once

#include <QString>
#include <QStringList>
#include <optional>
#include <set>

// A small parser for "verb POSITIONAL… --flag --option VALUE…" command lines.
class CliArgs
{
public:
    // `flags` take no value, `options` take one (and may repeat).
    CliArgs(const QStringList& args, std::set<QString> flags, std::set<QString> options);

    bool Ok() const { return m_error.isEmpty(); }
    const QString& Error() const { return m_error; }

    const QStringList& Positional() const { return m_positional; }
    bool Has(const QString& flag) const;
    std::optional<QString> Value(const QString& option) const; // the last one given
    QStringList Values(const QString& option) const; // every one, in order

private:
    QStringList m_positional;
    std::set<QString> m_flagsSeen;
    std::vector<std::pair<QString, QString>> m_values;
    QString m_error;
};
