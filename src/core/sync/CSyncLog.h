#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

// The synchronisation log: one line per deletion and per copy that a run
// asked for, appended to a text file in UTF-16LE without a byte-order mark,
// lines ended by CR LF:
//   2004/03/01 09:05:03 DEL "/t/a b.txt"
//   2004/03/01 09:05:03 COPY /p/x.txt /t/x.txt
// Every line of a run carries the time the run started; a path that contains
// a space is quoted. The file is held open and locked (flock, exclusive) from
// before the first change of the run until its end.
//
// Lines are gathered and written in blocks of whole lines (a run of a hundred
// thousand copies makes a few hundred writes, not a hundred thousand), but
// never held for long, so that a run that is killed leaves the lines of what
// it did on disk: a line is written at once when nothing was written for a
// second, else with the block gathered within the next second (a thread of
// the log writes it when no further line comes). Flush writes what is
// gathered, Sync also asks the disk to keep it; Close and WriteError write it
// too. Lines may be added from any thread.
//
// The log must be a regular file (or a link to one, which is followed): a
// FIFO, a device or a folder is refused before anything is written, and a
// FIFO is never waited for.
class CSyncLog
{
public:
    // The clock that gives a run's start time; tests replace it.
    using Clock = std::function<QDateTime()>;
    static QDateTime Now();
    // Installs `clock` (an empty function restores the system's local time).
    static void SetClock(Clock clock);

    CSyncLog() = default;
    ~CSyncLog();
    CSyncLog(const CSyncLog&) = delete;
    CSyncLog& operator=(const CSyncLog&) = delete;

    // Opens the log for appending (created when missing, never truncated) and
    // locks it. An empty `path` makes a new temporary file with the prefix
    // "PWL". On failure `message` receives the text to show and nothing is open.
    bool Open(const QString& path, const QDateTime& runStart, QString* message);
    bool IsOpen() const { return m_fd >= 0; }
    const QString& Path() const { return m_path; }

    bool WriteDeletion(const QString& path);
    bool WriteCopy(const QString& source, const QString& destination);
    // Writes the gathered lines now.
    bool Flush();
    // Flush, then makes sure the lines are on the disk (fdatasync).
    bool Sync();
    // Writes the gathered lines, then gives the first write failure of this
    // log, empty when every line was written.
    QString WriteError();

    void Close();

    // The bytes of one line: time stamp, `text` (which begins with its
    // keyword's space), CR LF, in UTF-16LE.
    static QByteArray LineBytes(const QDateTime& time, const QString& text);

    // How long a gathered line may wait before it is written.
    static constexpr std::chrono::milliseconds kHoldTime{1000};

private:
    using SteadyClock = std::chrono::steady_clock;

    bool WriteLine(const QString& text);
    // With m_mutex held.
    bool FlushLocked();
    void StartFlusher();
    void FlusherLoop();

    int m_fd = -1;
    QString m_path;
    QDateTime m_runStart;
    QByteArray m_timeBytes; // the run's time stamp in UTF-16LE, made once

    std::mutex m_mutex; // guards everything below and the writes
    QByteArray m_pending; // whole lines not yet written
    SteadyClock::time_point m_lastWrite; // of the last block written
    SteadyClock::time_point m_firstPending; // when the oldest gathered line came
    QString m_writeError;
    std::condition_variable m_wake;
    std::thread m_flusher;
    bool m_stopFlusher = false;
};

// Writes the lines of one file operation's items in the order of its list
// while the items end, on whichever thread ends them: the line of item i
// follows as soon as items 0 to i have all ended, so that the log keeps the
// order of the list when two threads copy. Finish writes the lines of the
// items that never ended (left out by a cancel): the log lists what the run
// asked for, whatever became of it.
class CLogLinesInOrder
{
public:
    using LineWriter = std::function<void(qsizetype index)>;
    CLogLinesInOrder(qsizetype count, LineWriter writer);

    // Item `index` has ended (copied, deleted, failed or skipped).
    void ItemDone(size_t index);
    void Finish();

private:
    std::mutex m_mutex;
    std::vector<char> m_done;
    qsizetype m_next = 0;
    LineWriter m_writer;
};
