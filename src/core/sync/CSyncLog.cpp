#include "core/sync/CSyncLog.h"

#include "core/platform/FileName.h"
#include "core/platform/FileSystem.h"
#include "core/platform/Paths.h"

#include <cerrno>
#include <fcntl.h>
#include <mutex>
#include <sys/file.h>
#include <sys/stat.h>
#include <system_error>
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

QString NotRegularFileText()
{
    return QStringLiteral("通常のファイルではありません。");
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

namespace {

// Opens `path` for appending without ever waiting: a FIFO or a device is
// refused before it is opened where possible, and after it, should one have
// been put in place meanwhile. -1 with errno set, or with *notRegular set.
int OpenRegularForAppend(const QByteArray& path, bool* notRegular)
{
    *notRegular = false;
    struct stat info
    {
    };
    if (::stat(path.constData(), &info) == 0 && !S_ISREG(info.st_mode)) {
        *notRegular = true;
        return -1;
    }
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, 0666);
    if (fd < 0)
        return -1;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        *notRegular = true;
        return -1;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

} // namespace

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
    bool notRegular = false;
    const int fd = OpenRegularForAppend(EncodeFileName(m_path), &notRegular);
    if (fd < 0) {
        if (message)
            *message = CannotOpenText(m_path, notRegular ? NotRegularFileText() : SystemErrorText(errno));
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
    m_lastWrite = SteadyClock::time_point();
    m_stopFlusher = false;
    return true;
}

void CSyncLog::Close()
{
    if (m_flusher.joinable()) {
        {
            std::lock_guard lock(m_mutex);
            m_stopFlusher = true;
        }
        m_wake.notify_all();
        m_flusher.join();
    }
    if (m_fd >= 0) {
        std::lock_guard lock(m_mutex);
        FlushLocked();
        ::close(m_fd); // releases the lock
        m_fd = -1;
    }
}

QString CSyncLog::WriteError()
{
    std::lock_guard lock(m_mutex);
    FlushLocked();
    return m_writeError;
}

bool CSyncLog::Flush()
{
    std::lock_guard lock(m_mutex);
    return FlushLocked();
}

bool CSyncLog::Sync()
{
    std::lock_guard lock(m_mutex);
    if (!FlushLocked())
        return false;
    if (m_fd >= 0 && ::fdatasync(m_fd) != 0 && errno != EINVAL && errno != EROFS) {
        if (m_writeError.isEmpty())
            m_writeError = m_path + QStringLiteral(": ") + SystemErrorText(errno);
        return false;
    }
    return true;
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
    std::lock_guard lock(m_mutex);
    if (m_fd < 0)
        return false;
    if (m_timeBytes.isEmpty()) {
        const QByteArray line = LineBytes(m_runStart, QString());
        m_timeBytes = line.left(line.size() - 4); // without CR LF
    }
    const SteadyClock::time_point now = SteadyClock::now();
    if (m_pending.isEmpty())
        m_firstPending = now;
    m_pending.append(m_timeBytes);
    AppendUtf16Le(m_pending, text);
    AppendUtf16Le(m_pending, u"\r\n");
    if (m_pending.size() >= kBlockSize || now - m_lastWrite >= kHoldTime)
        return FlushLocked();
    // Held back: written with the next lines, or by the flusher within the hold time.
    if (!m_flusher.joinable())
        StartFlusher();
    m_wake.notify_all();
    return m_writeError.isEmpty();
}

void CSyncLog::StartFlusher()
{
    try {
        m_flusher = std::thread(&CSyncLog::FlusherLoop, this);
    } catch (const std::system_error&) {
        // No thread to wait with: the lines are written right away instead.
        FlushLocked();
    }
}

void CSyncLog::FlusherLoop()
{
    std::unique_lock lock(m_mutex);
    while (!m_stopFlusher) {
        if (m_pending.isEmpty()) {
            m_wake.wait(lock);
            continue;
        }
        const SteadyClock::time_point due = m_firstPending + kHoldTime;
        if (SteadyClock::now() >= due)
            FlushLocked();
        else
            m_wake.wait_until(lock, due);
    }
}

bool CSyncLog::FlushLocked()
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
    m_lastWrite = SteadyClock::now();
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

// --- lines in the order of a list ------------------------------------------------------

CLogLinesInOrder::CLogLinesInOrder(qsizetype count, LineWriter writer)
    : m_done(size_t(count), 0), m_writer(std::move(writer))
{
}

void CLogLinesInOrder::ItemDone(size_t index)
{
    std::lock_guard lock(m_mutex);
    if (index >= m_done.size())
        return;
    m_done[index] = 1;
    while (m_next < qsizetype(m_done.size()) && m_done[size_t(m_next)])
        m_writer(m_next++);
}

void CLogLinesInOrder::Finish()
{
    std::lock_guard lock(m_mutex);
    while (m_next < qsizetype(m_done.size()))
        m_writer(m_next++);
}
