#pragma once

#include <csignal>
#include <sys/resource.h>

// While it lives, the files the process writes cannot grow beyond `bytes`:
// a write fails half-way with EFBIG (the signal that would end the process
// is ignored meanwhile).
class CFileSizeLimit
{
public:
    explicit CFileSizeLimit(rlim_t bytes) : m_previousHandler(std::signal(SIGXFSZ, SIG_IGN))
    {
        m_set = ::getrlimit(RLIMIT_FSIZE, &m_saved) == 0;
        rlimit small = m_saved;
        small.rlim_cur = bytes;
        m_set = m_set && ::setrlimit(RLIMIT_FSIZE, &small) == 0;
    }
    ~CFileSizeLimit()
    {
        if (m_set)
            ::setrlimit(RLIMIT_FSIZE, &m_saved);
        std::signal(SIGXFSZ, m_previousHandler);
    }
    CFileSizeLimit(const CFileSizeLimit&) = delete;
    CFileSizeLimit& operator=(const CFileSizeLimit&) = delete;

    bool IsSet() const { return m_set; }

private:
    void (*m_previousHandler)(int);
    rlimit m_saved{};
    bool m_set = false;
};
