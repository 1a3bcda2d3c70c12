#pragma once

#include <QString>

struct CliVerb;

// The texts of `pairwell-cli --help`, `pairwell-cli help VERB` (the same as
// `VERB --help`) and `pairwell-cli --version`.

QString ProgramHelpText();
QString VerbHelpText(const CliVerb& verb);
// "Pairwell Version 2.31", as the window's About box shows it.
QString VersionText();
// The options of the program itself, without a verb.
QStringList ProgramOptionNames();
