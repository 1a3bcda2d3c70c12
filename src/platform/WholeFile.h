#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

// Reading and writing a whole small file (a document) by path. Paths are
// passed to the system as their EncodeFileName bytes, so undecodable names work.

// Reads the whole regular file at `path` (following a link). Fails, with the
// system's text in `error`, when it cannot be opened or read, is not a regular
// file, or is larger than `maxSize` bytes.
bool ReadWholeFile(const QString& path, QByteArray* data, QString* error, qint64 maxSize = qint64(1) << 31);

// Replaces the file at `path` with `data` so that no reader ever sees a half
// written file: the bytes go to a new temporary file in the same folder, are
// flushed to the disk, and the temporary file is renamed over `path`. When
// `path` is a link, the file it points to is replaced. An existing file keeps
// its permission bits; a new one gets 0666 less the umask. On failure the old
// file is untouched, the temporary file is removed and `error` gets the reason.
bool ReplaceFileAtomically(const QString& path, const QByteArray& data, QString* error);
