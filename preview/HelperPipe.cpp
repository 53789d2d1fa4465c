#include "preview/HelperPipe.h"

#include "platform/FileHandle.h"

#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

bool HelperPipe::RequestArrives(int idleMs)
{
    pollfd pipe{kFd, POLLIN, 0};
    int ready = 0;
    while ((ready = ::poll(&pipe, 1, idleMs)) < 0 && errno == EINTR) { }
    return ready > 0;
}

// The descriptor comes with the request's first bytes.
bool HelperPipe::Receive(std::array<std::uint8_t, HelperRequest::kSize>& request, FileHandle& file)
{
    int fd = -1;
    std::size_t got = 0;
    while (got < request.size()) {
        alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))];
        iovec io{request.data() + got, request.size() - got};
        msghdr message{};
        message.msg_iov = &io;
        message.msg_iovlen = 1;
        message.msg_control = control;
        message.msg_controllen = sizeof control;
        const ssize_t n = ::recvmsg(kFd, &message, MSG_CMSG_CLOEXEC);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        for (cmsghdr* c = CMSG_FIRSTHDR(&message); c; c = CMSG_NXTHDR(&message, c)) {
            if (c->cmsg_level != SOL_SOCKET || c->cmsg_type != SCM_RIGHTS)
                continue;
            const std::size_t count = (c->cmsg_len - CMSG_LEN(0)) / sizeof(int);
            for (std::size_t i = 0; i < count; ++i) {
                int received = -1;
                std::memcpy(&received, CMSG_DATA(c) + i * sizeof(int), sizeof(int));
                if (fd < 0)
                    fd = received;
                else
                    ::close(received);
            }
        }
        got += static_cast<std::size_t>(n);
    }
    return fd >= 0 && file.Adopt(fd);
}

void HelperPipe::Answer(std::span<const std::uint8_t> bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(kFd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        done += static_cast<std::size_t>(n);
    }
}
