#pragma once

#include <QString>
#include <QtGlobal>

// One file as seen on one side of a folder pair: a copy of one side of a
// record (CFileSyncStatus::Entry), for callers that keep or pass a whole side.
class CFileEntry
{
public:
    QString Name; // without any path, letter case preserved
    qint64 LastWriteTime = InitialTime(); // whole seconds since 1970 UTC
    quint64 Size = 0; // the whole length in bytes
    quint32 Attributes = 0; // FileAttr bits (platform/Finder.h)

    // One letter per set attribute bit, in a fixed order ("RA", "HSAI", "" …).
    QString GetAttributeText() const { return AttributeText(Attributes); }
    static QString AttributeText(quint32 attributes);
    // 1980-01-01 00:00:00 local time: the time of an entry that was never found.
    static qint64 InitialTime();
};
