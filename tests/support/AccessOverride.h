#pragma once

// While an object lives, the calling thread reads and writes files under the
// plain permission bits even when the tests run as root: the capabilities
// that override them (CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH) are dropped from
// the thread's effective set, and given back at the end. Threads started
// meanwhile inherit the reduced set. Without those capabilities it does
// nothing, as a plain user already lives under the permission bits.
class CWithoutAccessOverride
{
public:
    CWithoutAccessOverride();
    ~CWithoutAccessOverride();
    CWithoutAccessOverride(const CWithoutAccessOverride&) = delete;
    CWithoutAccessOverride& operator=(const CWithoutAccessOverride&) = delete;

private:
    bool m_dropped = false;
};
