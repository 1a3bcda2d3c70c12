#include "CliRunner.h"

#include "core/platform/FileName.h"

#include <gtest/gtest.h>

QJsonDocument CliResult::Json() const
{
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(out.toUtf8(), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << out.toStdString();
    return doc;
}

QProcessEnvironment CliEnvironment(const QMap<QString, QString>& extra)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("PAIRWELL_TEST_FAIL_WRITES_AFTER"));
    environment.remove(QStringLiteral("PAIRWELL_TEST_STOP_AFTER_BYTES"));
    for (auto it = extra.begin(); it != extra.end(); ++it)
        environment.insert(it.key(), it.value());
    return environment;
}

QMap<QString, QString> EnvironmentIn(const TestDir& dir, const QString& profile)
{
    return {{QStringLiteral("PAIRWELL_PROFILE"), profile},
        {QStringLiteral("TMPDIR"), dir.PathOf(QStringLiteral("tmp"))},
        {QStringLiteral("XDG_DATA_HOME"), dir.PathOf(QStringLiteral("data"))},
        {QStringLiteral("XDG_STATE_HOME"), dir.PathOf(QStringLiteral("state"))}};
}

std::unique_ptr<QProcess> StartCli(const QStringList& args, const CliRun& run)
{
    auto process = std::make_unique<QProcess>();
    process->setProcessEnvironment(CliEnvironment(run.environment));
    if (!run.workingDirectory.isEmpty())
        process->setWorkingDirectory(run.workingDirectory);
    process->setStandardInputFile(QProcess::nullDevice());
    process->start(run.program, args);
    return process;
}

CliResult FinishCli(QProcess& process, int timeoutMs)
{
    EXPECT_TRUE(process.waitForFinished(timeoutMs)) << process.program().toStdString();
    CliResult result;
    result.code = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.out = QString::fromUtf8(process.readAllStandardOutput());
    result.err = QString::fromUtf8(process.readAllStandardError());
    return result;
}

CliResult RunCli(const QStringList& args, const CliRun& run)
{
    const std::unique_ptr<QProcess> process = StartCli(args, run);
    return FinishCli(*process, run.timeoutMs);
}

CExecArguments::CExecArguments(const QString& program, const QStringList& args, const QProcessEnvironment& environment)
{
    m_strings.push_back(EncodeFileName(program));
    for (const QString& arg : args)
        m_strings.push_back(EncodeFileName(arg));
    const size_t argCount = m_strings.size();
    for (const QString& entry : environment.toStringList())
        m_strings.push_back(EncodeFileName(entry));
    // Pointers are taken once every string is in place: the vector no longer moves them.
    for (size_t i = 0; i < m_strings.size(); ++i)
        (i < argCount ? m_argv : m_envp).push_back(m_strings[i].data());
    m_argv.push_back(nullptr);
    m_envp.push_back(nullptr);
}
