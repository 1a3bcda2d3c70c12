#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <functional>

// The synchronisation log: one line per deletion and per copy that a run
// asked for, appended to a text file in UTF-16LE without a byte-order mark,
// lines ended by CR LF:
//   2004/03/01 09:05:03 DEL "/t/a b.txt"
//   2004/03/01 09:05:03 COPY /p/x.txt /t/x.txt
// Every line of a run carries the time the run started; a path that contains
// a space is quoted. The file is held open and locked (flock, exclusive) from
// before the first change of the run until its end. Lines are gathered and
// written in blocks of whole lines (a run of a hundred thousand copies makes
// a few hundred writes, not a hundred thousand); Close and WriteError write
// what is gathered.
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
    // Writes the gathered lines, then gives the first write failure of this
    // log, empty when every line was written.
    const QString& WriteError();

    void Close();

    // The bytes of one line: time stamp, `text` (which begins with its
    // keyword's space), CR LF, in UTF-16LE.
    static QByteArray LineBytes(const QDateTime& time, const QString& text);

private:
    bool WriteLine(const QString& text);
    bool FlushLines();

    int m_fd = -1;
    QString m_path;
    QDateTime m_runStart;
    QByteArray m_timeBytes; // the run's time stamp in UTF-16LE, made once
    QByteArray m_pending; // whole lines not yet written
    QString m_writeError;
};
