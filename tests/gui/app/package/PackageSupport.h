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

// The lines of the section of a help text that begins with the line
// `heading` ("verbs:"), up to the next empty line.
inline QStringList CliHelpSection(const QString& help, const QString& heading)
{
    const QStringList lines = help.split(QLatin1Char('\n'));
    QStringList section;
    for (qsizetype i = lines.indexOf(heading) + 1; i > 0 && i < lines.size() && !lines.at(i).isEmpty(); ++i)
        section << lines.at(i);
    return section;
}

// The verbs that `pairwell-cli --help` lists.
inline QStringList CliVerbsFromHelp(const QString& help)
{
    QStringList verbs;
    for (const QString& line : CliHelpSection(help, QStringLiteral("verbs:"))) {
        if (line.startsWith(QStringLiteral("  ")) && !line.startsWith(QStringLiteral("   ")))
            verbs << line.mid(2).section(QLatin1Char(' '), 0, 0);
    }
    return verbs;
}

// The options a help text lists ("  --trash, --no-trash  move …" gives both;
// "  --log PATH  …" gives "--log"); of `pairwell-cli --help`, the program's own.
inline QStringList CliOptionsFromHelp(const QString& help)
{
    QStringList options;
    for (const QString& line : help.split(QLatin1Char('\n'))) {
        if (!line.startsWith(QStringLiteral("  -")))
            continue;
        const QString names = line.mid(2).section(QStringLiteral("  "), 0, 0);
        for (const QString& name : names.split(QStringLiteral(", ")))
            options << name.section(QLatin1Char(' '), 0, 0);
    }
    return options;
}

// The exit codes of a help text, one "N meaning" each (the meaning's lines joined).
inline QStringList CliExitCodesFromHelp(const QString& help)
{
    QStringList codes;
    for (const QString& line : CliHelpSection(help, QStringLiteral("exit codes:"))) {
        if (line.size() > 2 && line.at(2).isDigit())
            codes << line.simplified();
        else if (!codes.isEmpty())
            codes.last() += QLatin1Char(' ') + line.simplified();
    }
    return codes;
}
