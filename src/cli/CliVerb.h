#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <map>
#include <vector>

// Each verb of the command-line tool lives in a file of its own and registers
// itself with a static CliVerb. A verb returns the process exit code.
namespace ExitCode {
constexpr int Done = 0;
constexpr int Failure = 1;
constexpr int BadUsage = 2; // bad arguments, unreadable document, unknown node
constexpr int Stopped = 3; // a run stopped by a No or cancelled
constexpr int SomeFailed = 4;
} // namespace ExitCode

// One option of a verb. A switch and its opposite ("--trash", "--no-trash")
// share one entry; an option with a value names the value's placeholder.
// The same table parses the command line and writes the verb's help, so the
// two cannot disagree.
struct CliOption
{
    QStringList names;
    QString value; // "HEX"; empty for a switch
    QString help;
    QString group; // the heading it is listed under; empty: "options"
};
using CliOptions = std::vector<CliOption>;

struct CliExitCode
{
    int code;
    QString meaning;
};

// What `pairwell-cli help VERB` (and `VERB --help`) prints.
struct CliVerbHelp
{
    QString synopsis; // "tree DOC.snc [--scan] [--json]"
    QString summary; // one line for the list of verbs
    QString description;
    CliOptions options;
    std::vector<CliExitCode> exitCodes;
};

struct CliVerb
{
    using Handler = std::function<int(const QStringList& args)>;
    CliVerb(const char* name, CliVerbHelp help, Handler handler);

    static const std::map<QString, const CliVerb*>& All();
    static const CliVerb* Find(const QString& name);

    QString name;
    CliVerbHelp help;
    Handler handler;
};

// Writes a line to stdout / stderr (UTF-8).
void PrintOut(const QString& text);
void PrintErr(const QString& text);
// Reports bad usage: one line on stderr; returns ExitCode::BadUsage.
int UsageError(const QString& message);
// Reports a verb that is not known, with the closest one when there is one
// ("did you mean 'export'?"); returns ExitCode::BadUsage.
int UnknownVerb(const QString& name);
