#pragma once

#include <QString>
#include <QStringList>
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
    // The values of a section, in their written order.
    std::vector<std::pair<QString, QString>> GetSectionValues(const QString& section) const;
    bool DeleteProfileValue(const QString& section, const QString& name);

private:
    struct Section
    {
        QString name;
        std::vector<std::pair<QString, QString>> values;
    };

    void ReloadIfChanged() const;
    bool Store();
    const Section* FindSection(const QString& section) const;
    Section& SectionFor(const QString& section);

    QString m_path;
    mutable std::vector<Section> m_sections;
    mutable qint64 m_loadedStamp = -1;  // modification time and size of the file when it was read
    mutable qint64 m_loadedSize = -1;
};
