#pragma once

#include <QString>
#include <QStringList>

// Starts `program` with `arguments` as a process of its own that outlives the
// caller, without a shell: each argument reaches the program as one argument,
// spaces and quotation marks included, and every argument and the program path
// are passed as their EncodeFileName bytes, so undecodable names work. A
// program name without "/" is looked up in PATH. The new process inherits the
// environment and the working folder. False (with the system's text in
// `error`) when the program could not be started.
bool StartDetachedProcess(const QString& program, const QStringList& arguments, QString* error = nullptr);
