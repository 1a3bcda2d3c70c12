#include "sync/CSyncLog.h"

#include "platform/FileName.h"
#include "platform/FileSystem.h"
#include "platform/Paths.h"

#include <cerrno>
#include <fcntl.h>
#include <mutex>
#include <sys/file.h>
#include <unistd.h>

namespace {

std::mutex g_clockMutex;
CSyncLog::Clock g_clock;

QString CannotOpenText(const QString& path, const QString& reason)
{
    return QStringLiteral("ログファイル %1 を開けません。\n%2").arg(path, reason);
}

QString InUseText()
{
    return QStringLiteral("他のプログラムがこのファイルを使用しています。");
}

QString NoTempFileText()
{
    return QStringLiteral("一時フォルダにログファイルを作成できません。");
}

} // namespace

QDateTime CSyncLog::Now()
{
    std::lock_guard lock(g_clockMutex);
    return g_clock ? g_clock() : QDateTime::currentDateTime();
}

void CSyncLog::SetClock(Clock clock)
{
    std::lock_guard lock(g_clockMutex);
    g_clock = std::move(clock);
}

CSyncLog::~CSyncLog()
{
    Close();
}

bool CSyncLog::Open(const QString& path, const QDateTime& runStart, QString* message)
{
    Close();
    m_runStart = runStart;
    m_timeBytes.clear();
    m_pending.clear();
    m_writeError.clear();
    m_path = path;
    if (m_path.isEmpty()) {
        m_path = MakeTempFileName(QStringLiteral("PWL"));
        if (m_path.isEmpty()) {
            if (message)
                *message = NoTempFileText();
            return false;
        }
    }
    const int fd = ::open(EncodeFileName(m_path).constData(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
    if (fd < 0) {
        if (message)
            *message = CannotOpenText(m_path, SystemErrorText(errno));
        return false;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int lockError = errno;
        ::close(fd);
        if (message)
            *message = CannotOpenText(m_path, lockError == EWOULDBLOCK ? InUseText() : SystemErrorText(lockError));
        return false;
    }
    m_fd = fd;
    return true;
}

void CSyncLog::Close()
{
    if (m_fd >= 0) {
        FlushLines();
        ::close(m_fd); // releases the lock
        m_fd = -1;
    }
}

const QString& CSyncLog::WriteError()
{
    FlushLines();
    return m_writeError;
}

QByteArray CSyncLog::LineBytes(const QDateTime& time, const QString& text)
{
    const QString line = time.toString(QStringLiteral("yyyy/MM/dd HH:mm:ss")) + text + QStringLiteral("\r\n");
    QByteArray bytes;
    bytes.reserve(line.size() * 2);
    for (const QChar c : line) {
        const char16_t unit = c.unicode();
        bytes.append(char(unit & 0xFF));
        bytes.append(char(unit >> 8));
    }
    return bytes;
}

namespace {

void AppendUtf16Le(QByteArray& bytes, QStringView text)
{
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
    // The string's own units are already the file's bytes.
    bytes.append(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
#else
    for (const QChar c : text) {
        const char16_t unit = c.unicode();
        bytes.append(char(unit & 0xFF));
        bytes.append(char(unit >> 8));
    }
#endif
}

constexpr qsizetype kBlockSize = 64 * 1024;

} // namespace

bool CSyncLog::WriteLine(const QString& text)
{
    if (m_fd < 0)
        return false;
    if (m_timeBytes.isEmpty()) {
        const QByteArray line = LineBytes(m_runStart, QString());
        m_timeBytes = line.left(line.size() - 4); // without CR LF
    }
    m_pending.append(m_timeBytes);
    AppendUtf16Le(m_pending, text);
    AppendUtf16Le(m_pending, u"\r\n");
    if (m_pending.size() >= kBlockSize)
        return FlushLines();
    return m_writeError.isEmpty();
}

bool CSyncLog::FlushLines()
{
    if (m_fd < 0 || m_pending.isEmpty())
        return m_writeError.isEmpty();
    qsizetype done = 0;
    bool ok = true;
    while (done < m_pending.size()) {
        const ssize_t n = ::write(m_fd, m_pending.constData() + done, size_t(m_pending.size() - done));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            if (m_writeError.isEmpty())
                m_writeError = m_path + QStringLiteral(": ") + SystemErrorText(errno);
            ok = false;
            break;
        }
        done += n;
    }
    m_pending.clear();
    return ok;
}

bool CSyncLog::WriteDeletion(const QString& path)
{
    return WriteLine(QStringLiteral(" DEL ") + QuotePath(path));
}

bool CSyncLog::WriteCopy(const QString& source, const QString& destination)
{
    return WriteLine(QStringLiteral(" COPY ") + QuotePath(source) + QLatin1Char(' ') + QuotePath(destination));
}
