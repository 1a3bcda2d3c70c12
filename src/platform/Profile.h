#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <mutex>
#include <utility>
#include <vector>

// The per-user profile: an INI file, $XDG_CONFIG_HOME/Corvane/Pairwell.ini, or
// the file named by PAIRWELL_PROFILE. Sections and values keep the order in
// which they were first written. Every write replaces the file atomically; an
// unreadable or malformed file reads as empty and is never overwritten by a read.
// Integers are stored as signed 32-bit decimals.
class CProfile
{
public:
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
    bool WriteProfileValues(const QString& section, const std::vector<std::pair<QString, QString>>& values);
    // The values of a section, in their written order.
    std::vector<std::pair<QString, QString>> GetSectionValues(const QString& section) const;
    bool DeleteProfileValue(const QString& section, const QString& name);
    // Makes `values` the values of `section`, in their order, with one
    // replacement of the file: it holds either the old values or all the new
    // ones. A name given twice keeps its first place and its last value; an
    // emptied section stays (as a registry key does); an absent section is
    // not created for no values.
    bool ReplaceSectionValues(const QString& section, const std::vector<std::pair<QString, QString>>& values);

private:
    struct Section
    {
        QString name;
        std::vector<std::pair<QString, QString>> values;
    };
    // Identity and version of the file as it was last read or written; a
    // change of any field means another writer replaced it.
    struct FileStamp
    {
        bool exists = false;
        int error = 0; // errno of the last look at the file, 0 when it was found
        quint64 device = 0;
        quint64 inode = 0;
        qint64 size = 0;
        qint64 mtimeNs = 0;
        qint64 ctimeNs = 0;
        bool operator==(const FileStamp&) const = default;
    };
    using Sections = std::vector<Section>;

    void ReloadIfChanged() const;
    void Load(const FileStamp& seen) const;
    // Reads the file, applies `change` to its sections and replaces the file
    // with the result; false when the file could not be read or written.
    bool Modify(const std::function<bool(Sections&)>& change);
    const Section* FindSection(const QString& section) const;

    QString m_path;
    mutable std::mutex m_mutex;
    mutable Sections m_sections;
    mutable bool m_loaded = false;
    mutable bool m_unreadable = false; // the file exists but could not be read: never replace it
    mutable FileStamp m_stamp;
};
