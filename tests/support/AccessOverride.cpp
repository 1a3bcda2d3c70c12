#include "support/AccessOverride.h"

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

constexpr unsigned kOverrides = (1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH);

bool GetCapabilities(__user_cap_data_struct (&data)[2])
{
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    return ::syscall(SYS_capget, &header, data) == 0;
}

bool SetCapabilities(__user_cap_data_struct (&data)[2])
{
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    return ::syscall(SYS_capset, &header, data) == 0;
}

} // namespace

CWithoutAccessOverride::CWithoutAccessOverride()
{
    __user_cap_data_struct data[2] = {};
    if (!GetCapabilities(data) || (data[0].effective & kOverrides) == 0)
        return;
    data[0].effective &= ~kOverrides;
    m_dropped = SetCapabilities(data);
}

CWithoutAccessOverride::~CWithoutAccessOverride()
{
    __user_cap_data_struct data[2] = {};
    if (!m_dropped || !GetCapabilities(data))
        return;
    data[0].effective |= kOverrides;
    SetCapabilities(data);
}
