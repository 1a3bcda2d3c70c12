#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <map>

// Each verb of the command-line tool lives in a file of its own and registers
// itself with a static CliVerb. A verb returns the process exit code.
namespace ExitCode {
constexpr int Done = 0;
constexpr int Failure = 1;
constexpr int BadUsage = 2; // bad arguments, unreadable document, unknown node
constexpr int Stopped = 3; // a run stopped by a No or cancelled
constexpr int SomeFailed = 4;
} // namespace ExitCode

struct CliVerb
{
    using Handler = std::function<int(const QStringList& args)>;
    CliVerb(const char* name, const char* usage, Handler handler);

    static const std::map<QString, const CliVerb*>& All();

    QString name;
    QString usage;
    Handler handler;
};

// Writes a line to stdout / stderr (UTF-8).
void PrintOut(const QString& text);
void PrintErr(const QString& text);
// Reports bad usage: one line on stderr; returns ExitCode::BadUsage.
int UsageError(const QString& message);
