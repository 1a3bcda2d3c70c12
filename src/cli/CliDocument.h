#pragma once

#include <QString>

class CMyDoc;

// Shared steps of the verbs that work on a document.

// The process's sync options and filter entries, which every rescan consults.
void LoadSettingsForRescan();
// `path` made absolute against the working folder, so that a document never
// stores a folder relative to wherever the tool happened to run.
QString AbsolutePath(const QString& path);
// Opens the document at `path` (a full rescan). A file that cannot be read or
// is damaged has already been reported (naming the file) on stderr: false.
bool OpenDocumentOrReport(CMyDoc& doc, const QString& path);
// For a verb that changes the document and saves it: locks the file at
// `path` for the life of `doc` (waiting while another process changes it),
// then opens it as OpenDocumentOrReport does. Two verbs changing one
// document at once then each keep their change.
bool OpenDocumentForChange(CMyDoc& doc, const QString& path);
// Locks the file at `path` for the life of `doc`, for a verb that writes it
// without reading it first; a failure has been reported on stderr: false.
bool LockDocumentOrReport(CMyDoc& doc, const QString& path);
// Stores the document at `path`; a failure is reported on stderr: false.
bool SaveDocumentOrReport(CMyDoc& doc, const QString& path);
