#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>
#include <QtGlobal>
#include <vector>

// The one key function for node and file names. Names are bytes on Linux, so
// two names that differ only in letter case are two files; the key (the name
// upper-cased once) only tells which names are case variants of each other,
// so that a file still finds its counterpart on a file system that folds case
// (see PairNames). Every table of nodes or files builds and compares keys
// through these functions.
// A lone surrogate (the scan's stand-in for a byte that is no UTF-8) is kept
// as it is: upper-casing would turn it into U+FFFD, so that names of
// different bytes would share a key, and a name's key would differ from the
// key of its own upper-case spelling.
QString MakeKey(const QString& name);

// A hash of MakeKey(name), and whether two names have the same key, for the
// file tables that hold many thousands of names. Names of ASCII characters
// (nearly all) need no key built; for any other name the key is built with
// MakeKey, so both give exactly what comparing the keys would.
quint32 HashOfKey(QStringView name);
bool SameKey(QStringView a, QStringView b);

// Which entry of one side is which entry of the other. A name pairs first
// with exactly the same name on the other side; a name left without one
// pairs with the other side's one unpaired name that differs from it only in
// letter case (a case-insensitive target holds README.TXT for Readme.txt),
// provided that it is also the only unpaired name of that key on its own
// side. Otherwise it stays one-sided: two spellings on one side never both
// claim one file on the other.
struct NamePair
{
    qsizetype index[2] = {-1, -1}; // into the project side's and the target side's names; -1: none
};
// Every name of `project` and of `target` appears in exactly one pair: the
// project side's names in their order, then the target side's names left alone.
std::vector<NamePair> PairNames(const QStringList& project, const QStringList& target);
