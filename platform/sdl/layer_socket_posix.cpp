#include "platform/sdl/layer_socket_posix.h"

#include <arpa/inet.h>
#include <errno.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <string.h>
#include <sys/socket.h>
#include <unistd.h>

static int Failed(LayerNetError* error)
{
    switch (errno) {
    case EAGAIN:
#if EWOULDBLOCK != EAGAIN
    case EWOULDBLOCK:
#endif
    case EINPROGRESS:
        *error = LAYER_NET_WOULD_BLOCK;
        break;
    case EALREADY:
        *error = LAYER_NET_ALREADY;
        break;
    case EISCONN:
        *error = LAYER_NET_IS_CONNECTED;
        break;
    case ENOTCONN:
    case EPIPE:
        *error = LAYER_NET_NOT_CONNECTED;
        break;
    case ECONNREFUSED:
        *error = LAYER_NET_REFUSED;
        break;
    case ECONNRESET:
        *error = LAYER_NET_RESET;
        break;
    case ECONNABORTED:
        *error = LAYER_NET_ABORTED;
        break;
    case ETIMEDOUT:
        *error = LAYER_NET_TIMED_OUT;
        break;
    case ENETUNREACH:
    case EHOSTUNREACH:
        *error = LAYER_NET_UNREACHABLE;
        break;
    case EINVAL:
    case EBADF:
        *error = LAYER_NET_INVALID;
        break;
    case EINTR:
        *error = LAYER_NET_INTERRUPTED;
        break;
    default:
        *error = LAYER_NET_OTHER;
    }
    return -1;
}

int LayerNetOpen(LayerNetError* error)
{
    // Programs the demo starts do not inherit its connection.
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP);
    return fd < 0 ? Failed(error) : fd;
}

int LayerNetNonBlocking(int fd, bool on, LayerNetError* error)
{
    int flags = fcntl(fd, F_GETFL);
    if (flags < 0 || fcntl(fd, F_SETFL, on ? flags | O_NONBLOCK : flags & ~O_NONBLOCK) < 0)
        return Failed(error);
    return 0;
}

int LayerNetNoDelay(int fd, bool on, LayerNetError* error)
{
    int value = on;
    return setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &value, sizeof value) < 0 ? Failed(error) : 0;
}

int LayerNetConnect(int fd, uint32_t address, uint16_t port, LayerNetError* error)
{
    sockaddr_in to;
    memset(&to, 0, sizeof to);
    to.sin_family = AF_INET;
    to.sin_port = port;
    to.sin_addr.s_addr = address;
    return connect(fd, (const sockaddr*)&to, sizeof to) < 0 ? Failed(error) : 0;
}

long LayerNetSend(int fd, const void* data, size_t size, LayerNetError* error)
{
    // A peer gone away is an error code, as on Windows, not a signal.
    ssize_t sent = send(fd, data, size, MSG_NOSIGNAL);
    return sent < 0 ? Failed(error) : (long)sent;
}

long LayerNetRecv(int fd, void* data, size_t size, bool peek, LayerNetError* error)
{
    ssize_t got = recv(fd, data, size, peek ? MSG_PEEK : 0);
    return got < 0 ? Failed(error) : (long)got;
}

int LayerNetClose(int fd, LayerNetError* error)
{
    return close(fd) < 0 ? Failed(error) : 0;
}

int LayerNetPollAll(LayerNetPoll* polls, int count, int milliseconds, LayerNetError* error)
{
    enum { MOST = 64 };
    if (count < 0 || count > MOST) {
        *error = LAYER_NET_INVALID;
        return -1;
    }
    pollfd fds[MOST];
    for (int k = 0; k < count; ++k) {
        fds[k].fd = polls[k].fd;
        bool writeOrFail = polls[k].wantWrite || polls[k].wantFailed;
        fds[k].events = (short)((polls[k].wantRead ? POLLIN : 0) | (writeOrFail ? POLLOUT : 0));
        fds[k].revents = 0;
    }
    if (poll(fds, (nfds_t)count, milliseconds) < 0)
        return Failed(error);
    int found = 0;
    for (int k = 0; k < count; ++k) {
        LayerNetPoll& p = polls[k];
        short events = fds[k].revents;
        p.read = p.write = p.failed = false;
        // Winsock tells a failed connect apart from a writable socket; here
        // both wake POLLOUT, and the pending error says which.
        if (events & (POLLOUT | POLLERR | POLLHUP)) {
            int pending = 0;
            socklen_t length = sizeof pending;
            bool broken = (getsockopt(p.fd, SOL_SOCKET, SO_ERROR, &pending, &length) == 0 && pending != 0) ||
                          ((events & POLLERR) && !(events & POLLIN));
            p.failed = p.wantFailed && broken;
            p.write = p.wantWrite && !broken && (events & POLLOUT);
        }
        // A closed or reset connection reads (0 bytes, or the error), as with Winsock.
        p.read = p.wantRead && (events & (POLLIN | POLLHUP | POLLERR));
        found += p.read || p.write || p.failed;
    }
    return found;
}

bool LayerNetParseAddress(const char* text, uint32_t* address)
{
    in_addr parsed;
    if (!text || inet_pton(AF_INET, text, &parsed) != 1)
        return false;
    *address = parsed.s_addr;
    return true;
}
