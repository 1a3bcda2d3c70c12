#pragma once

#include <QByteArray>
#include <QString>
#include <sys/types.h>

// The record of the named temporary files of one copier (a file operation).
// A copy writes to an unnamed temporary file where it can; where the file
// system has none, or for the moment between naming an unnamed file and
// renaming it over the file it replaces, a named one is used, and each such
// name is recorded here, with the identity (device, inode) of the file,
// before the file gets it. The record is a file of its own in the user's
// state folder ($XDG_STATE_HOME/pairwell/temporary, default
// ~/.local/state/...), locked while its copier lives.
//
// A copier that ends normally has put every recorded file in place or
// removed it, and removes its record. A killed one leaves its record behind:
// the next copier of any process removes exactly the files it lists that are
// still there under the recorded name with the recorded identity, and then
// the record. So only files the program made are ever removed; a user's file
// whose name looks like a temporary one is an ordinary file. A leftover on a
// disk that is not there at that moment stays where it is (harmless: an
// ordinary file from then on).
class CTempRecord
{
public:
    CTempRecord();
    ~CTempRecord();
    CTempRecord(const CTempRecord&) = delete;
    CTempRecord& operator=(const CTempRecord&) = delete;

    // Records the file `name` in the folder `folderFd` with its identity.
    // False when it could not be recorded (the file is then made anyway;
    // only its removal after a crash is lost).
    bool Note(int folderFd, const QByteArray& name, dev_t device, ino_t inode);

    // Removes the leftovers of copiers that ended without removing their
    // record (killed or crashed), and their records.
    static void RemoveLeftovers();
    // The folder of the records, empty when there is no home.
    static QByteArray Folder();

private:
    bool Open();
    int m_fd = -1;
    QByteArray m_path;
    bool m_failed = false;
};

// A random name for a named temporary file: kTempCopyPrefix, 16 random
// letters and digits, ".tmp".
QByteArray NewTempName();
// Gives the unnamed file `fd` (O_TMPFILE) the name `name` in the folder
// `folderFd`; fails with EEXIST when the name is taken. 0, or -1 with errno.
int NameUnnamedFile(int fd, int folderFd, const char* name);
