#pragma once

#include <QString>
#include <QStringView>
#include <QtGlobal>

// The one key function for node and file names: names are matched without
// regard to letter case by upper-casing them once. Every table of nodes or
// files builds and looks up its keys through this function, so that the two
// sides of a folder pair and the project tree agree on which names are equal.
inline QString MakeKey(const QString& name)
{
    return name.toUpper();
}

// A hash of MakeKey(name), and whether two names have the same key, for the
// file tables that hold many thousands of names. Names of ASCII characters
// (nearly all) need no key built; for any other name the key is built with
// MakeKey, so both give exactly what comparing the keys would.
quint32 HashOfKey(QStringView name);
bool SameKey(QStringView a, QStringView b);
