#include "cli/RunConsole.h"

#include "core/platform/FileName.h"
#include "core/platform/Paths.h"
#include "core/sync/CSyncRun.h"

#include <atomic>
#include <cstdio>
#include <unistd.h>

namespace {

std::atomic<bool> g_interrupted{false};

void OnInterrupt(int)
{
    g_interrupted = true;
}

bool OffersNo(PromptButtons buttons)
{
    return buttons == PromptButtons::YesNo || buttons == PromptButtons::YesNoCancel
        || buttons == PromptButtons::YesYesToAllNoCancel;
}

} // namespace

void WriteOut(const QString& line)
{
    const QByteArray bytes = EncodeFileName(line) + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
}

void WriteErr(const QString& line)
{
    std::fflush(stdout);
    const QByteArray bytes = EncodeFileName(QStringLiteral("pairwell-cli: ") + line) + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
}

PromptAnswer CSyncPrompt::Ask(const PromptRequest& request)
{
    if (request.buttons == PromptButtons::Ok && request.text == NothingToDoText()) {
        if (!m_json)
            WriteOut(request.text);
        return PromptAnswer::Ok;
    }
    if (!m_answerYes && !isatty(STDIN_FILENO) && OffersNo(request.buttons)) {
        WriteErr(request.text + QStringLiteral(" -> No"));
        return PromptAnswer::No;
    }
    return m_terminal.Ask(request);
}

CInterruptScope::CInterruptScope()
{
    struct sigaction action
    {
    };
    action.sa_handler = OnInterrupt;
    action.sa_flags = SA_RESETHAND;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGINT, &action, &m_previous);
}

CInterruptScope::~CInterruptScope()
{
    ::sigaction(SIGINT, &m_previous, nullptr);
}

bool CInterruptScope::Interrupted()
{
    return g_interrupted.load();
}

void CCliObserver::Started(qint64 totalFiles, qint64 totalBytes)
{
    m_totalFiles = totalFiles;
    m_totalBytes = totalBytes;
    m_lastPrint = -1000;
}

void CCliObserver::Progress(qint64 filesDone, qint64 bytesDone, const QString& currentName)
{
    if (!m_show)
        return;
    const bool last = filesDone >= m_totalFiles;
    if (!last && m_clock.elapsed() - m_lastPrint < 100)
        return;
    m_lastPrint = m_clock.elapsed();
    const QString line = QStringLiteral("\r%1/%2 files, %3/%4 KiB  %5\x1b[K")
                             .arg(filesDone)
                             .arg(m_totalFiles)
                             .arg(bytesDone / 1024)
                             .arg(m_totalBytes / 1024)
                             .arg(GetLastComponent(currentName));
    const QByteArray bytes = EncodeFileName(line);
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
    std::fflush(stderr);
    m_lineOpen = true;
}

void CCliObserver::ShowErrors(const QStringList& errors)
{
    EndLine();
    for (const QString& error : errors)
        WriteErr(error);
}

void CCliObserver::RunOperation(FileOpKind kind, FileOpFlags, const std::function<void()>& operation)
{
    if (m_beforeOperation)
        m_beforeOperation(kind);
    operation();
}

void CCliObserver::EndLine()
{
    if (m_lineOpen)
        std::fputs("\n", stderr);
    m_lineOpen = false;
}
