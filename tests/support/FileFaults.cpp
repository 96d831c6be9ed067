#include "support/FileFaults.h"

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <stdexcept>

namespace brivet::testing {

FileSizeLimit::FileSizeLimit(std::uintmax_t bytes)
{
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    ::sigaction(SIGXFSZ, &ignore, &m_savedAction);
    ::getrlimit(RLIMIT_FSIZE, &m_saved);
    rlimit tight = m_saved;
    tight.rlim_cur = static_cast<rlim_t>(bytes);
    if (::setrlimit(RLIMIT_FSIZE, &tight) != 0)
        throw std::runtime_error("cannot limit the file size");
}

FileSizeLimit::~FileSizeLimit()
{
    ::setrlimit(RLIMIT_FSIZE, &m_saved);
    ::sigaction(SIGXFSZ, &m_savedAction, nullptr);
}

namespace {

bool capabilities(__user_cap_data_struct (&data)[2], bool set)
{
    __user_cap_header_struct header { _LINUX_CAPABILITY_VERSION_3, 0 };
    return ::syscall(set ? SYS_capset : SYS_capget, &header, data) == 0;
}

constexpr std::uint32_t bit(int capability) { return 1u << (capability % 32); }

} // namespace

PermissionsBindThisThread::PermissionsBindThisThread()
{
    __user_cap_data_struct data[2] {};
    if (!capabilities(data, false))
        return;
    m_savedEffective[0] = data[0].effective;
    m_savedEffective[1] = data[1].effective;
    data[0].effective &= ~(bit(CAP_DAC_OVERRIDE) | bit(CAP_DAC_READ_SEARCH) | bit(CAP_FOWNER));
    m_changed = capabilities(data, true);
    if (!m_changed && ::geteuid() == 0)
        throw std::runtime_error("cannot drop the capabilities that override file permissions");
}

PermissionsBindThisThread::~PermissionsBindThisThread()
{
    if (!m_changed)
        return;
    __user_cap_data_struct data[2] {};
    if (!capabilities(data, false))
        return;
    data[0].effective = m_savedEffective[0];
    data[1].effective = m_savedEffective[1];
    capabilities(data, true);
}

} // namespace brivet::testing
