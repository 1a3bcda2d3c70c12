#pragma once

#include "core/platform/Profile.h"

#include <QString>
#include <QTemporaryDir>
#include <memory>
#include <utility>
#include <vector>

// The process's profile in a file of the test's own for the life of the
// object, and the option records and the global filter set as a fresh start
// leaves them. At the end the profile is again the file it was before, and
// the records are fresh again, so that no test sees what another left.
class TempProfile
{
public:
    // Pairwell.ini in a temporary folder of its own.
    TempProfile();
    // `path`, e.g. a file in the test's own folder; it need not exist yet.
    explicit TempProfile(const QString& path);
    ~TempProfile();
    TempProfile(const TempProfile&) = delete;
    TempProfile& operator=(const TempProfile&) = delete;

    QString Path() const { return m_path; }
    CProfile& Profile() const { return CProfile::Instance(); }
    // The file's bytes as text (empty when there is none).
    QString Text() const;
    // Writes filter entries as the profile keeps them ("name", "stored text") and loads the global set.
    void SetFilters(const std::vector<std::pair<QString, QString>>& entries) const;
    std::vector<std::pair<QString, QString>> Filters() const;

private:
    std::unique_ptr<QTemporaryDir> m_ownFolder;
    QString m_path;
    QString m_previousPath;
};
