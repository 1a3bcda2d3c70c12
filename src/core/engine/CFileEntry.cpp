#include "core/engine/CFileEntry.h"

#include <QDateTime>
#include <QTimeZone>

QString CFileEntry::AttributeText(quint32 attributes)
{
    struct Letter
    {
        quint32 bit;
        char letter;
    };
    // Bits 0x0008 and 0x4000 and up have no letter.
    static constexpr Letter kLetters[] = {
        {0x0001, 'R'},
        {0x0002, 'H'},
        {0x0004, 'S'},
        {0x0010, 'D'},
        {0x0020, 'A'},
        {0x0040, 'E'},
        {0x0080, 'N'},
        {0x0100, 'T'},
        {0x0200, 'Z'},
        {0x0400, 'L'},
        {0x0800, 'C'},
        {0x1000, 'O'},
        {0x2000, 'I'},
    };
    QString text;
    for (const Letter& letter : kLetters) {
        if (attributes & letter.bit)
            text += QLatin1Char(letter.letter);
    }
    return text;
}

qint64 CFileEntry::InitialTime()
{
    // Built once: every entry of every table starts with it.
    static const qint64 time
        = QDateTime(QDate(1980, 1, 1), QTime(0, 0), QTimeZone::systemTimeZone()).toSecsSinceEpoch();
    return time;
}
