#include "cli/CliHelp.h"

#include "cli/CliVerb.h"

#include <QStringList>

namespace {

constexpr qsizetype kWidth = 79;
constexpr qsizetype kColumn = 30; // where the descriptions of options begin

// The columns `text` takes on a terminal: East Asian wide characters take two.
qsizetype Columns(const QString& text)
{
    qsizetype columns = 0;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        const bool wide = (u >= 0x1100 && u <= 0x115F) || (u >= 0x2E80 && u <= 0xA4CF) || (u >= 0xAC00 && u <= 0xD7A3)
            || (u >= 0xF900 && u <= 0xFAFF) || (u >= 0xFE30 && u <= 0xFE4F) || (u >= 0xFF00 && u <= 0xFF60)
            || (u >= 0xFFE0 && u <= 0xFFE6);
        columns += wide ? 2 : 1;
    }
    return columns;
}

// `text` broken into lines of at most kWidth characters: the first begins
// after `first` (which ends at `indent` or before), the others at `indent`.
QString Wrapped(const QString& first, const QString& text, qsizetype indent)
{
    QString out = first;
    qsizetype column = first.size();
    if (column > indent) {
        // The text goes below, in its column.
        while (out.endsWith(QLatin1Char(' ')))
            out.chop(1);
        out += QLatin1Char('\n');
        column = 0;
    }
    bool lineEmpty = true;
    for (const QString& word : text.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        if (!lineEmpty && column + 1 + Columns(word) > kWidth) {
            out += QLatin1Char('\n');
            column = 0;
            lineEmpty = true;
        }
        if (lineEmpty) {
            out += QString(indent - column, QLatin1Char(' '));
            column = indent;
        } else {
            out += QLatin1Char(' ');
            ++column;
        }
        out += word;
        column += Columns(word);
        lineEmpty = false;
    }
    return out + QLatin1Char('\n');
}

QString OptionsText(const CliOptions& options)
{
    QString out;
    QString group = QStringLiteral("\x01"); // no heading written yet
    for (const CliOption& option : options) {
        if (option.group != group) {
            group = option.group;
            out += QLatin1Char('\n') + (group.isEmpty() ? QStringLiteral("options") : group) + QStringLiteral(":\n");
        }
        QString names = QStringLiteral("  ") + option.names.join(QStringLiteral(", "));
        if (!option.value.isEmpty())
            names += QLatin1Char(' ') + option.value;
        out += Wrapped(names + QStringLiteral("  "), option.help, kColumn);
    }
    return out;
}

QString ExitCodesText(const std::vector<CliExitCode>& codes)
{
    QString out = QStringLiteral("\nexit codes:\n");
    for (const CliExitCode& code : codes)
        out += Wrapped(QStringLiteral("  %1  ").arg(code.code), code.meaning, 5);
    return out;
}

const std::vector<CliExitCode>& ProgramExitCodes()
{
    static const std::vector<CliExitCode> codes{
        {ExitCode::Done, QStringLiteral("Done, or nothing to do.")},
        {ExitCode::Failure,
            QStringLiteral("A document or the settings could not be stored, add could not create the target folder, "
                           "a run stopped because filter entries it needs could not be read from the settings, or "
                           "filters or options showed settings that could not be read whole.")},
        {ExitCode::BadUsage,
            QStringLiteral("Bad usage (an unknown verb or option, a missing argument), a document that cannot be "
                           "read, an unknown NODE, a project folder that is not a folder, overlapping folders, or a "
                           "project name that is taken.")},
        {ExitCode::Stopped,
            QStringLiteral("A run stopped by a No or cancelled (Ctrl+C), or add was not to create the target "
                           "folder.")},
        {ExitCode::SomeFailed,
            QStringLiteral("Some actions of a run failed (a file that could not be copied or deleted, a log that "
                           "could not be written), or a project/folder was skipped.")},
    };
    return codes;
}

const CliOptions& ProgramOptions()
{
    static const CliOptions options{
        {{QStringLiteral("-h"), QStringLiteral("--help")}, {}, QStringLiteral("print this text"), {}},
        {{QStringLiteral("--version")}, {}, QStringLiteral("print the program's version"), {}},
    };
    return options;
}

} // namespace

QString ProgramHelpText()
{
    QString out = QStringLiteral("usage: pairwell-cli VERB [ARGUMENTS]\n"
                                 "       pairwell-cli help VERB\n"
                                 "       pairwell-cli --version\n\n");
    out += Wrapped({},
        QStringLiteral("Compares and synchronises the folder pairs of Pairwell documents (.snc) without a window, "
                       "with the settings of the window program."),
        0);
    out += QStringLiteral("\nverbs:\n");
    for (const auto& [name, verb] : CliVerb::All()) {
        out += QStringLiteral("  ") + verb->help.synopsis + QLatin1Char('\n');
        out += Wrapped({}, verb->help.summary, 6);
    }
    out += OptionsText(ProgramOptions());
    out += ExitCodesText(ProgramExitCodes());
    out += QLatin1Char('\n')
        + Wrapped({},
            QStringLiteral("\"pairwell-cli help VERB\" or \"pairwell-cli VERB --help\" describes a verb, its options "
                           "and its exit codes; \"man pairwell-cli\" says more."),
            0);
    return out;
}

QString VerbHelpText(const CliVerb& verb)
{
    QString out = QStringLiteral("usage: pairwell-cli ") + verb.help.synopsis + QStringLiteral("\n\n");
    const QStringList paragraphs = verb.help.description.split(QStringLiteral("\n\n"));
    for (qsizetype i = 0; i < paragraphs.size(); ++i)
        out += (i > 0 ? QStringLiteral("\n") : QString()) + Wrapped({}, paragraphs.at(i), 0);
    if (!verb.help.options.empty())
        out += OptionsText(verb.help.options);
    out += ExitCodesText(verb.help.exitCodes);
    return out;
}

QString VersionText()
{
    return QStringLiteral("Pairwell Version " PAIRWELL_VERSION);
}

QStringList ProgramOptionNames()
{
    QStringList names;
    for (const CliOption& option : ProgramOptions())
        names << option.names;
    return names;
}
