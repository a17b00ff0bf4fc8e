// The kernel marks /proc/self/mounts with POLLPRI|POLLERR whenever a file
// system is mounted or unmounted: the Linux form of "a drive arrived".
#include "platform/desktop.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>
#include <thread>

namespace dz::desktop {
namespace {

constexpr char kQuit = 'q';
constexpr char kSimulatedChange = 'c';

void CloseFd(int& fd) {
    if (fd >= 0)
        close(fd);
    fd = -1;
}

} // namespace

MountWatcher::~MountWatcher() {
    Stop();
}

bool MountWatcher::Start(std::function<void()> onChange) {
    if (m_thread.joinable())
        return false;
    int wake[2];
    if (pipe2(wake, O_CLOEXEC) != 0)
        return false;
    m_wakeRead = wake[0];
    m_wakeWrite = wake[1];
    // Without the mount table the watcher still serves simulated changes.
    m_mountsFd = open("/proc/self/mounts", O_RDONLY | O_CLOEXEC);
    m_onChange = std::move(onChange);
    try {
        m_thread = std::thread(&MountWatcher::Run, this);
    } catch (const std::system_error&) {
        // No thread: the frame goes on without hearing of drives that come and go.
        for (int* fd : {&m_wakeRead, &m_wakeWrite, &m_mountsFd}) {
            if (*fd >= 0)
                close(*fd);
            *fd = -1;
        }
        return false;
    }
    return true;
}

void MountWatcher::Stop() {
    if (m_thread.joinable()) {
        const char quit = kQuit;
        while (write(m_wakeWrite, &quit, 1) < 0 && errno == EINTR) {
        }
        m_thread.join();
    }
    CloseFd(m_mountsFd);
    CloseFd(m_wakeRead);
    CloseFd(m_wakeWrite);
}

void MountWatcher::SimulateChange() {
    if (!m_thread.joinable())
        return;
    const char change = kSimulatedChange;
    while (write(m_wakeWrite, &change, 1) < 0 && errno == EINTR) {
    }
}

void MountWatcher::Run() {
    for (;;) {
        pollfd fds[2] = {{m_wakeRead, POLLIN, 0}, {m_mountsFd, POLLPRI, 0}};
        const nfds_t count = m_mountsFd >= 0 ? 2 : 1;
        if (poll(fds, count, -1) < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        if (fds[0].revents & POLLIN) {
            char what = 0;
            if (read(m_wakeRead, &what, 1) != 1 || what == kQuit)
                return;
            m_onChange();
        }
        if (count == 2 && (fds[1].revents & (POLLPRI | POLLERR))) {
            // poll itself takes note of the change, so it is reported once.
            m_onChange();
        }
    }
}

} // namespace dz::desktop
