// pairwell-cli-faults: the command-line tool with the faults that the tests
// ask for through the environment, set up before main runs. Only the tests
// build it; the installed tool reads none of these variables.
#include "core/platform/FileCopy.h"

#include <atomic>
#include <csignal>
#include <cstdlib>

namespace {

std::atomic<qint64> g_stopAfter{-1};
std::atomic<bool> g_stopped{false};

// Stops the process (SIGSTOP) once, after `PAIRWELL_TEST_STOP_AFTER_BYTES` of
// one file, so that a test can kill it in the middle of a copy at a known point.
void StopOnce(quint64 copiedOfThisFile)
{
    if (copiedOfThisFile >= quint64(g_stopAfter.load()) && !g_stopped.exchange(true))
        ::raise(SIGSTOP);
}

qint64 NumberFromEnvironment(const char* name)
{
    const char* value = std::getenv(name);
    return value && *value ? std::strtoll(value, nullptr, 10) : -1;
}

const bool g_installed = [] {
    // A disk with room for that many bytes of copy data (ENOSPC beyond).
    if (const qint64 room = NumberFromEnvironment("PAIRWELL_TEST_FAIL_WRITES_AFTER"); room >= 0)
        FileCopyTestHooks::FailWritesAfter(room);
    g_stopAfter = NumberFromEnvironment("PAIRWELL_TEST_STOP_AFTER_BYTES");
    if (g_stopAfter.load() >= 0)
        FileCopyTestHooks::SetDataHook(StopOnce);
    return true;
}();

} // namespace
