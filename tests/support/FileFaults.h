#pragma once

#include <sys/resource.h>

#include <cstdint>
#include <csignal>

namespace brivet::testing {

// Real write failures that hold for root as well, on the real write path.

// While it lives, no file of this process (every thread) may grow past
// `bytes`: a write beyond fails with EFBIG, as on a full disk. SIGXFSZ is
// ignored meanwhile so that the write fails instead of the process.
class FileSizeLimit {
public:
    explicit FileSizeLimit(std::uintmax_t bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit m_saved {};
    struct sigaction m_savedAction {};
};

// While it lives, file permissions bind the calling thread even when it
// runs as root: the capabilities that override them are out of its
// effective set (a folder without write permission is then read-only to
// it). Capabilities belong to each thread, so only this thread is bound.
class PermissionsBindThisThread {
public:
    PermissionsBindThisThread();
    ~PermissionsBindThisThread();
    PermissionsBindThisThread(const PermissionsBindThisThread&) = delete;
    PermissionsBindThisThread& operator=(const PermissionsBindThisThread&) = delete;

private:
    std::uint32_t m_savedEffective[2] {};
    bool m_changed = false;
};

} // namespace brivet::testing
