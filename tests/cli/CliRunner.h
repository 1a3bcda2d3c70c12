#pragma once

#include "support/TestDir.h"

#include <QJsonDocument>
#include <QMap>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

// Runs of the command-line tool as a separate process, as a user runs it.

// What a run of the tool gave back.
struct CliResult
{
    int code = -1; // the exit code; -1 when the tool did not end normally
    QString out; // stdout, as UTF-8
    QString err; // stderr, as UTF-8

    // stdout as JSON; text that is not JSON fails the test.
    QJsonDocument Json() const;
};

// How the tool is run. Its stdin is /dev/null (no terminal: questions are
// answered no), its environment the test's own with `environment` set over it.
struct CliRun
{
    QMap<QString, QString> environment{};
    QString workingDirectory{}; // empty: the test's own
    QString program = QStringLiteral(PAIRWELL_CLI);
    int timeoutMs = 120'000;
};

// The test's environment with `extra` set over it. The fault-injection
// variables are never passed on unless `extra` sets them.
QProcessEnvironment CliEnvironment(const QMap<QString, QString>& extra);

// The environment of a tool that keeps what it writes inside `dir`: the
// profile `profile`, temporary files in dir/tmp (made by the test), its data
// in dir/data and its state in dir/state.
QMap<QString, QString> EnvironmentIn(const TestDir& dir, const QString& profile);

// Runs the tool with `args` and waits for its end.
CliResult RunCli(const QStringList& args, const CliRun& run = {});
// Starts the tool without waiting, for runs at the same time as others.
std::unique_ptr<QProcess> StartCli(const QStringList& args, const CliRun& run = {});
// Waits for the end of a tool started by StartCli.
CliResult FinishCli(QProcess& process, int timeoutMs = CliRun().timeoutMs);

// The argument and environment vectors of a program started without
// QProcess (posix_spawn, or fork and exec after a change of the child); they
// live as long as this object.
class CExecArguments
{
public:
    CExecArguments(const QString& program, const QStringList& args, const QProcessEnvironment& environment);
    CExecArguments(const CExecArguments&) = delete;
    CExecArguments& operator=(const CExecArguments&) = delete;

    const char* Program() const { return m_argv.front(); }
    char* const* Argv() const { return m_argv.data(); }
    char* const* Envp() const { return m_envp.data(); }

private:
    std::vector<QByteArray> m_strings;
    std::vector<char*> m_argv;
    std::vector<char*> m_envp;
};
