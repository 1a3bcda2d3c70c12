#include "core/platform/Process.h"

#include "core/platform/FileName.h"
#include "core/platform/FileSystem.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

// The executable that execv should run: a name with "/" as it is, else the
// first executable regular file of that name in a folder of PATH.
QByteArray ResolveProgram(const QByteArray& program)
{
    if (program.contains('/'))
        return program;
    QByteArray path = qgetenv("PATH");
    if (path.isEmpty())
        path = "/usr/local/bin:/usr/bin:/bin";
    for (const QByteArray& folder : path.split(':')) {
        const QByteArray candidate = (folder.isEmpty() ? QByteArray(".") : folder) + '/' + program;
        struct stat st = {};
        if (::stat(candidate.constData(), &st) == 0 && S_ISREG(st.st_mode)
            && ::access(candidate.constData(), X_OK) == 0)
            return candidate;
    }
    return {};
}

} // namespace

bool StartDetachedProcess(const QString& program, const QStringList& arguments, QString* error)
{
    const QByteArray executable = ResolveProgram(EncodeFileName(program));
    if (program.isEmpty() || executable.isEmpty()) {
        if (error)
            *error = program + QStringLiteral(": ") + SystemErrorText(ENOENT);
        return false;
    }
    // Everything the child needs is prepared here: after fork it may only
    // call functions that are safe in a copy of a threaded process.
    std::vector<QByteArray> bytes{executable};
    for (const QString& argument : arguments)
        bytes.push_back(EncodeFileName(argument));
    std::vector<char*> argv;
    for (QByteArray& argument : bytes)
        argv.push_back(argument.data());
    argv.push_back(nullptr);

    // The grandchild writes the reason of a failed exec to this pipe; a
    // successful exec closes it (close-on-exec) with nothing written.
    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0) {
        if (error)
            *error = SystemErrorText(errno);
        return false;
    }
    const pid_t child = ::fork();
    if (child == 0) {
        // The grandchild is adopted by init when the child ends, so no zombie stays behind.
        ::setsid();
        const pid_t grandchild = ::fork();
        if (grandchild == 0) {
            ::execv(argv.front(), argv.data());
            const int failure = errno;
            [[maybe_unused]] const ssize_t written = ::write(report[1], &failure, sizeof failure);
            ::_exit(127);
        }
        if (grandchild < 0) {
            const int failure = errno;
            [[maybe_unused]] const ssize_t written = ::write(report[1], &failure, sizeof failure);
        }
        ::_exit(0);
    }
    const int forkError = child < 0 ? errno : 0;
    ::close(report[1]);
    if (child > 0) {
        int status = 0;
        while (::waitpid(child, &status, 0) < 0 && errno == EINTR) { }
    }
    int failure = forkError;
    if (failure == 0) {
        ssize_t got;
        do {
            got = ::read(report[0], &failure, sizeof failure);
        } while (got < 0 && errno == EINTR);
        if (got != ssize_t(sizeof failure))
            failure = 0;
    }
    ::close(report[0]);
    if (failure != 0) {
        if (error)
            *error = program + QStringLiteral(": ") + SystemErrorText(failure);
        return false;
    }
    return true;
}
