#include "core/settings/CCommandLineInfo.h"

#include <algorithm>
#include <limits>

namespace {

const QString kSwitchPrefix = QStringLiteral("-");

} // namespace

int CCommandLineInfo::ParseMinutes(const QString& digits)
{
    qsizetype i = 0;
    bool negative = false;
    if (i < digits.size() && (digits[i] == QLatin1Char('+') || digits[i] == QLatin1Char('-'))) {
        negative = digits[i] == QLatin1Char('-');
        ++i;
    }
    qint64 value = 0;
    constexpr qint64 limit = std::numeric_limits<int>::max();
    for (; i < digits.size() && digits[i] >= QLatin1Char('0') && digits[i] <= QLatin1Char('9'); ++i) {
        value = std::min(value * 10 + (digits[i].unicode() - u'0'), limit + 1);
    }
    if (negative)
        return static_cast<int>(-std::min(value, limit + 1));
    return static_cast<int>(std::min(value, limit));
}

void CCommandLineInfo::ParseParam(const QString& param, bool isSwitch, bool isLast)
{
    if (isSwitch) {
        if (param == QLatin1String("mFile1")) {
            fileName = m_lastDocumentPath;
            shellCommand = ShellCommand::FileNew;
        } else if (param.startsWith(QLatin1Char('a'))) {
            autoSyncRunning = true;
            const int minutes = ParseMinutes(param.mid(1));
            if (minutes > 0)
                autoSyncMinutes = minutes;
        } else if (param == QLatin1String("ISO")) {
            noShellRegistration = true;
        } else if (param == QLatin1String("s")) {
            syncAtStart = true;
        } else if (param == QLatin1String("e")) {
            exitAfterSync = true;
        } else if (param == QLatin1String("SOE")) {
            syncOnEndSession = true;
        }
    } else if (fileName.isEmpty()) {
        fileName = param;
    }

    // A new-document command that names a file opens that file instead.
    if (isLast && shellCommand == ShellCommand::FileNew && !fileName.isEmpty())
        shellCommand = ShellCommand::FileOpen;
}

CCommandLineInfo CCommandLineInfo::Parse(const QStringList& params, const QString& lastDocumentPath)
{
    CCommandLineInfo info;
    info.m_lastDocumentPath = lastDocumentPath;
    for (qsizetype i = 0; i < params.size(); ++i) {
        const QString& param = params[i];
        const bool isSwitch = param.startsWith(kSwitchPrefix);
        info.ParseParam(isSwitch ? param.mid(kSwitchPrefix.size()) : param, isSwitch, i + 1 == params.size());
    }
    return info;
}
