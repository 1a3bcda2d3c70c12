#pragma once

#include <QString>
#include <QStringList>

// One named filter entry: a list of file-name masks that either excludes the
// names it matches (an exclude entry, "除外") or keeps only those (an include
// entry, "対象"). Stored in the profile as its stored text: "!" for an exclude
// entry, then the masks joined with ";" ('!*.bak;*.tmp', '*.txt', '!').
//
// The masks are private so that their folded form, prepared once for matching,
// always follows them; change them with SetMasks / SetMaskList.
class FilterEntry
{
public:
    QString Name; // unique in its set (letter case ignored); the profile value name
    bool Exclude = true; // true: matching names are excluded; false: non-matching ones are

    // Name = `name`; a text beginning with "!" gives an exclude entry with the
    // rest as masks, any other text an include entry. An empty text gives an
    // exclude entry without masks (it excludes nothing). Always true.
    bool ParseStoredText(const QString& name, const QString& text);
    // Splits `text` at ";", "," and " " into masks; runs of separators give no
    // empty masks. A leading "!" is an ordinary mask character here.
    void SetMasks(const QString& text);
    void SetMaskList(const QStringList& masks); // masks taken as given (none may hold a separator)
    const QStringList& GetMasks() const { return m_masks; }
    // The masks joined with ";".
    QString GetMaskText() const;
    // "!" + GetMaskText() for an exclude entry, else GetMaskText().
    QString GetStoredText() const;

    // Whether this entry alone excludes `fileName` (a bare name, any letter case).
    bool ExcludesFile(const QString& fileName) const;
    // The same for a name already folded with FoldForMatch (filters/MaskMatch.h).
    bool ExcludesFolded(QStringView foldedName) const;

    void SetExclude(bool exclude) { Exclude = exclude; }
    QString GetName() const { return Name; }
    void CopyFrom(const FilterEntry& other);

private:
    QStringList m_masks;
    QStringList m_foldedMasks; // m_masks folded for matching
};
