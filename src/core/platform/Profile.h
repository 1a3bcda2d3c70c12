#pragma once

#include "core/platform/WholeFile.h"

#include <QByteArrayList>
#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>
#include <functional>
#include <mutex>
#include <utility>
#include <vector>

// What reading the profile found that it could not use.
struct ProfileDamage
{
    // Why the file as a whole could not be read ("" when it was read or does not exist).
    QString unreadable;
    // The numbers (from 1) of the lines that were skipped.
    std::vector<qsizetype> lines;

    bool Any() const { return !unreadable.isEmpty() || !lines.empty(); }
};

// The per-user profile: an INI file, $XDG_CONFIG_HOME/Corvane/Pairwell.ini, or
// the file named by PAIRWELL_PROFILE. Sections and values keep the order in
// which they were first written. Every write replaces the file atomically.
// A line that cannot be read (not UTF-8, a control character, no "=", a
// broken section header and what follows it) is skipped and reported; the
// rest of the file is read, and later writes keep such lines as they are. A
// file that exists but cannot be read at all (no permission, not a regular
// file) reads as empty, is reported and is never written. Integers are stored
// as signed 32-bit decimals.
class CProfile
{
public:
    using Values = std::vector<std::pair<QString, QString>>;

    explicit CProfile(QString path);

    // The profile of the process (PAIRWELL_PROFILE or the XDG location).
    static CProfile& Instance();
    // Points the process's profile at another file (tests).
    static void SetInstancePath(const QString& path);
    static QString DefaultPath();

    const QString& Path() const { return m_path; }

    int GetProfileInt(const QString& section, const QString& name, int defaultValue) const;
    bool WriteProfileInt(const QString& section, const QString& name, int value);
    QString GetProfileString(const QString& section, const QString& name, const QString& defaultValue = {}) const;
    bool WriteProfileString(const QString& section, const QString& name, const QString& value);
    // Writes several values of a section with one replacement of the file; the
    // section's other values stay, and each value keeps its place as a single
    // write would.
    bool WriteProfileValues(const QString& section, const Values& values);
    // The values of a section, in their written order. `complete` (when given)
    // tells whether they are all of them: false when the file could not be
    // read or a skipped line may have belonged to the section.
    Values GetSectionValues(const QString& section, bool* complete = nullptr) const;
    bool DeleteProfileValue(const QString& section, const QString& name);
    // Makes `values` the values of `section`, in their order, with one
    // replacement of the file: it holds either the old values or all the new
    // ones. A name given twice keeps its first place and its last value; an
    // emptied section stays (as a registry key does); an absent section is
    // not created for no values. Lines of the section that could not be read stay.
    bool ReplaceSectionValues(const QString& section, const Values& values);

    // What the last read of the file could not use (the file is read again
    // first when it changed).
    ProfileDamage Damage() const;
    // Whether `section` was read whole (see GetSectionValues).
    bool IsSectionComplete(const QString& section) const;
    // Why the last write that failed failed: the path and the reason.
    QString LastError() const;

private:
    friend class CProfileLock;

    struct Section
    {
        QString name;
        Values values;
        QHash<QString, size_t> places; // value name -> index in values
        QByteArrayList keptLines; // lines that could not be read, written back as they were

        const QString* Find(const QString& valueName) const;
        // Sets a value; a rewritten one keeps its place. False when nothing changed.
        bool Set(const QString& valueName, const QString& value);
        bool Erase(const QString& valueName);
        // Makes the index of values appended without it; a repeated name keeps its first place and its last value.
        void Reindex();
        // Makes `wanted` (names unique) the values; false when they already are.
        bool Assign(Values wanted);
    };
    struct Content
    {
        std::vector<Section> sections;
        QHash<QString, size_t> places; // section name -> index in sections
        QByteArrayList leadingLines; // unreadable lines before the first section

        const Section* Find(const QString& name) const;
        Section* Find(const QString& name);
        Section& FindOrAdd(const QString& name);
    };
    // What the last read found; see ProfileDamage.
    struct ReadState
    {
        ProfileDamage damage;
        QSet<QString> damagedSections; // sections that lost a line
        bool sectionUnknown = false; // lines were lost under a header that could not be read
    };
    // Identity and version of the file as it was last read or written; a
    // change of any field means another writer replaced it.
    struct Stamp
    {
        FileStamp file;
        int error = 0; // errno of the last look at the file, 0 when it was found
        bool operator==(const Stamp&) const = default;
    };

    static Content Parse(const QByteArray& bytes, ReadState& state);
    static void ParseLine(
        QByteArrayView line, qsizetype number, Content& content, qsizetype& current, bool& lost, ReadState& state);
    static QByteArray Serialize(const Content& content);

    void ReloadIfChanged() const;
    void Load(const Stamp& seen) const;
    // Takes `content`, the bytes of the file with `stamp`, as what was read.
    void Loaded(const QByteArray& content, const FileStamp& stamp) const;
    bool IsCompleteLocked(const QString& section) const;
    // Reads the file, applies `change` to its content and replaces the file
    // with the result; false (with LastError) when it could not be read or written.
    bool Modify(const std::function<bool(Content&)>& change);
    bool ReplaceLocked(const std::function<bool(Content&)>& change);
    // Takes the lock of the profile's folder for this process (nested takes
    // share it); false with LastError set when the folder cannot be locked.
    bool AcquireFileLock();
    void ReleaseFileLock();
    void SetError(const QString& reason);

    QString m_path;
    mutable std::recursive_mutex m_mutex;
    mutable Content m_content;
    mutable ReadState m_state;
    mutable bool m_loaded = false;
    mutable Stamp m_stamp;
    QString m_lastError;
    int m_lockFd = -1; // the locked folder while a lock is held
    int m_lockDepth = 0;
};

// Holds the profile's lock for its lifetime, so that what is read through the
// profile and written back in the meantime is one change: another process
// that changes the file waits until the lock is released. Reads need no lock.
class CProfileLock
{
public:
    explicit CProfileLock(CProfile& profile);
    ~CProfileLock();
    CProfileLock(const CProfileLock&) = delete;
    CProfileLock& operator=(const CProfileLock&) = delete;

    // False when the folder could not be locked (the profile's LastError says why).
    bool IsLocked() const { return m_locked; }

private:
    CProfile& m_profile;
    bool m_locked;
};

// The window's texts about the profile. Empty when there is nothing to say.
// The file could not be read, or some lines could not.
QString ProfileDamageText(const CProfile& profile);
// A write failed; names the file and the reason.
QString ProfileWriteFailedText(const CProfile& profile);
