#pragma once

#include <QString>
#include <QtGlobal>

class CFileFind;

// One file as seen on one side of a folder pair, as the enumeration reported it.
class CFileEntry
{
public:
    QString Name; // without any path, letter case preserved
    qint64 LastWriteTime = InitialTime(); // whole seconds since 1970 UTC
    quint64 Size = 0; // the whole length in bytes
    quint32 Attributes = 0; // FileAttr bits (platform/Finder.h)

    // Takes the enumerator's current entry.
    void SetFromFinder(const CFileFind& finder);
    // One letter per set attribute bit, in a fixed order ("RA", "HSAI", "" …).
    QString GetAttributeText() const;
    // 1980-01-01 00:00:00 local time: the time of an entry that was never found.
    static qint64 InitialTime();
};
