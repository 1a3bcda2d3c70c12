#pragma once

#include <QByteArray>
#include <QString>

// File names are bytes on Linux; the program works with UTF-16 strings.
// Decoding reads UTF-8 and turns every byte that is not part of a valid
// sequence into the lone surrogate U+DC80 + byte; encoding maps those
// surrogates back to the byte. So every name that a scan returns round-trips
// to exactly the bytes on disk. No other code converts names or paths.

QString DecodeFileName(const char* bytes, qsizetype length);
QString DecodeFileName(const QByteArray& bytes);
// DecodeFileName into `name`, in the room it already has where it can: a
// scan that decodes one name after another allocates almost nothing.
void DecodeFileNameInto(const char* bytes, qsizetype length, QString& name);
QByteArray EncodeFileName(const QString& name);
