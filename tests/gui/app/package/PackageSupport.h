#pragma once

// Running the tools of these tests: a program with arguments, an optional
// environment and working folder, its exit code and output.

#include <QProcess>
#include <QString>
#include <QStringList>
#include <string>
#include <vector>

struct ToolResult
{
    bool finished = false;
    int exitCode = -1;
    QString output; // standard output
    QString errors; // standard error

    std::string Text() const { return QString(output + errors).toStdString(); }
};

inline ToolResult RunTool(const QString& program, const QStringList& arguments,
    const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment(),
    const QString& workingFolder = QString(), int timeoutMs = 300000)
{
    QProcess process;
    process.setProcessEnvironment(environment);
    if (!workingFolder.isEmpty())
        process.setWorkingDirectory(workingFolder);
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(program, arguments);
    ToolResult result;
    result.finished = process.waitForFinished(timeoutMs) && process.exitStatus() == QProcess::NormalExit;
    if (!result.finished)
        process.kill();
    result.exitCode = process.exitCode();
    result.output = QString::fromUtf8(process.readAllStandardOutput());
    result.errors = QString::fromUtf8(process.readAllStandardError());
    return result;
}

// The verbs of `pairwell-cli --help` with the options of each ("--json", …).
struct CliVerbUsage
{
    QString verb;
    QStringList options;
};

inline std::vector<CliVerbUsage> CliVerbsFromHelp(const QString& help)
{
    std::vector<CliVerbUsage> verbs;
    for (const QString& line : help.split(QLatin1Char('\n'))) {
        if (!line.startsWith(QStringLiteral("  ")))
            continue;
        const QStringList words = line.simplified().split(QLatin1Char(' '));
        CliVerbUsage usage{words.first(), {}};
        for (QString word : words) {
            word.remove(QLatin1Char('[')).remove(QLatin1Char(']')).remove(QLatin1Char('|'));
            if (word.startsWith(QStringLiteral("--")) && !usage.options.contains(word))
                usage.options << word;
        }
        verbs.push_back(usage);
    }
    return verbs;
}
