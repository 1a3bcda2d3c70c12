#include "cli/TerminalPrompt.h"

#include "cli/CliVerb.h"

#include <QTextStream>
#include <cstdio>
#include <optional>
#include <unistd.h>

namespace {

PromptAnswer AffirmativeAnswer(PromptButtons buttons)
{
    switch (buttons) {
    case PromptButtons::Ok:
    case PromptButtons::OkCancel:
        return PromptAnswer::Ok;
    case PromptButtons::RetryCancel:
        return PromptAnswer::Cancel; // retrying blindly would loop
    case PromptButtons::YesNo:
    case PromptButtons::YesNoCancel:
        return PromptAnswer::Yes;
    case PromptButtons::YesYesToAllNoCancel:
        return PromptAnswer::YesToAll;
    }
    return PromptAnswer::Cancel;
}

QString ChoicesText(PromptButtons buttons)
{
    switch (buttons) {
    case PromptButtons::Ok:
        return {};
    case PromptButtons::OkCancel:
        return QStringLiteral(" [o]k/[c]ancel: ");
    case PromptButtons::YesNo:
        return QStringLiteral(" [y]es/[n]o: ");
    case PromptButtons::YesNoCancel:
        return QStringLiteral(" [y]es/[n]o/[c]ancel: ");
    case PromptButtons::RetryCancel:
        return QStringLiteral(" [r]etry/[c]ancel: ");
    case PromptButtons::YesYesToAllNoCancel:
        return QStringLiteral(" [y]es/[a]ll/[n]o/[c]ancel: ");
    }
    return {};
}

std::optional<PromptAnswer> ParseReply(const QString& reply, PromptButtons buttons)
{
    const QString r = reply.trimmed().toLower();
    const auto allowed = [buttons](PromptAnswer answer) {
        switch (buttons) {
        case PromptButtons::Ok:
            return answer == PromptAnswer::Ok;
        case PromptButtons::OkCancel:
            return answer == PromptAnswer::Ok || answer == PromptAnswer::Cancel;
        case PromptButtons::YesNo:
            return answer == PromptAnswer::Yes || answer == PromptAnswer::No;
        case PromptButtons::YesNoCancel:
            return answer == PromptAnswer::Yes || answer == PromptAnswer::No || answer == PromptAnswer::Cancel;
        case PromptButtons::RetryCancel:
            return answer == PromptAnswer::Retry || answer == PromptAnswer::Cancel;
        case PromptButtons::YesYesToAllNoCancel:
            return answer != PromptAnswer::Ok && answer != PromptAnswer::Retry;
        }
        return false;
    };
    std::optional<PromptAnswer> answer;
    if (r == QLatin1String("y") || r == QLatin1String("yes"))
        answer = PromptAnswer::Yes;
    else if (r == QLatin1String("n") || r == QLatin1String("no"))
        answer = PromptAnswer::No;
    else if (r == QLatin1String("c") || r == QLatin1String("cancel"))
        answer = PromptAnswer::Cancel;
    else if (r == QLatin1String("o") || r == QLatin1String("ok"))
        answer = PromptAnswer::Ok;
    else if (r == QLatin1String("a") || r == QLatin1String("all"))
        answer = PromptAnswer::YesToAll;
    else if (r == QLatin1String("r") || r == QLatin1String("retry"))
        answer = PromptAnswer::Retry;
    if (answer && allowed(*answer))
        return answer;
    return std::nullopt;
}

} // namespace

PromptAnswer CTerminalPrompt::Ask(const PromptRequest& request)
{
    if (request.buttons == PromptButtons::Ok) {
        PrintErr(request.text);
        return PromptAnswer::Ok;
    }
    if (m_answerYes)
        return AffirmativeAnswer(request.buttons);
    if (!isatty(STDIN_FILENO))
        return CautiousAnswer(request.buttons);

    QTextStream in(stdin);
    for (;;) {
        std::fputs((request.text + ChoicesText(request.buttons)).toLocal8Bit().constData(), stderr);
        std::fflush(stderr);
        const QString reply = in.readLine();
        if (reply.isNull())
            return CautiousAnswer(request.buttons);
        if (const auto answer = ParseReply(reply, request.buttons))
            return *answer;
    }
}
