// ws2_32's client subset over BSD sockets (layer_socket_posix.cpp): a
// SOCKET is the descriptor, errors come back as Winsock's codes from
// WSAGetLastError, a peer gone away is an error and never a signal.
// Limits: IPv4 TCP only, LAYER_SOCKET_MAX sockets open at once, no flags on
// send and recv but MSG_PEEK; no sockets at all in capture mode.
#include "platform/sdl/layer_capture.h"
#include "platform/sdl/layer_internal.h"
#include "platform/sdl/layer_socket_posix.h"

#include <string.h>

enum { LAYER_SOCKET_MAX = 64, LAYER_MSG_PEEK = 2 };

static int startups = 0;
static int lastError = 0;
static int openSockets[LAYER_SOCKET_MAX];
static int openCount = 0;

static int Fail(int code)
{
    lastError = code;
    return SOCKET_ERROR;
}

static int Code(LayerNetError error)
{
    switch (error) {
    case LAYER_NET_WOULD_BLOCK:
        return WSAEWOULDBLOCK;
    case LAYER_NET_ALREADY:
        return WSAEALREADY;
    case LAYER_NET_IS_CONNECTED:
        return WSAEISCONN;
    case LAYER_NET_NOT_CONNECTED:
        return WSAENOTCONN;
    case LAYER_NET_REFUSED:
        return WSAECONNREFUSED;
    case LAYER_NET_RESET:
        return WSAECONNRESET;
    case LAYER_NET_ABORTED:
        return WSAECONNABORTED;
    case LAYER_NET_TIMED_OUT:
        return WSAETIMEDOUT;
    case LAYER_NET_UNREACHABLE:
        return WSAENETUNREACH;
    case LAYER_NET_INVALID:
        return WSAEINVAL;
    case LAYER_NET_INTERRUPTED:
        return WSAEINTR;
    default:
        return WSAENETDOWN;
    }
}

// The slot of an open socket, or -1 (with the error set) when the call
// cannot go on.
static int Usable(SOCKET s)
{
    if (startups == 0)
        return Fail(WSANOTINITIALISED);
    for (int k = 0; k < openCount; ++k)
        if ((SOCKET)openSockets[k] == s)
            return k;
    return Fail(WSAENOTSOCK);
}

int WINAPI WSAStartup(WORD versionRequested, LPWSADATA data)
{
    if (LayerShouldFail("WSAStartup") || LayerCaptureActive())
        return WSASYSNOTREADY;
    if (!data)
        return WSAEFAULT;
    if ((versionRequested & 0xFF) < 1)
        return WSAVERNOTSUPPORTED;
    memset(data, 0, sizeof *data);
    data->wHighVersion = MAKEWORD(2, 2);
    data->wVersion = (versionRequested & 0xFF) >= 2 ? MAKEWORD(2, 2) : versionRequested;
    strcpy(data->szDescription, "WinSock 2.0");
    strcpy(data->szSystemStatus, "Running");
    data->iMaxSockets = LAYER_SOCKET_MAX;
    ++startups;
    return 0;
}

int WINAPI WSACleanup(void)
{
    if (startups == 0)
        return Fail(WSANOTINITIALISED);
    // The last cleanup closes what is still open, as Windows does.
    if (--startups == 0) {
        LayerNetError error;
        for (int k = 0; k < openCount; ++k)
            LayerNetClose(openSockets[k], &error);
        openCount = 0;
    }
    return 0;
}

int WINAPI WSAGetLastError(void)
{
    return lastError;
}

SOCKET WINAPI socket(int family, int type, int protocol)
{
    if (startups == 0)
        return (SOCKET)Fail(WSANOTINITIALISED);
    if (LayerShouldFail("socket"))
        return (SOCKET)Fail(WSAENETDOWN);
    if (family != AF_INET || type != SOCK_STREAM || (protocol != 0 && protocol != IPPROTO_TCP))
        return (SOCKET)Fail(WSAEINVAL);
    if (openCount == LAYER_SOCKET_MAX)
        return (SOCKET)Fail(WSAEMFILE);
    LayerNetError error;
    int fd = LayerNetOpen(&error);
    if (fd < 0)
        return (SOCKET)Fail(Code(error));
    openSockets[openCount++] = fd;
    return (SOCKET)fd;
}

int WINAPI connect(SOCKET s, const struct sockaddr* name, int nameLength)
{
    if (Usable(s) < 0)
        return SOCKET_ERROR;
    if (LayerShouldFail("connect"))
        return Fail(WSAENETDOWN);
    if (!name || nameLength < (int)sizeof(sockaddr_in))
        return Fail(WSAEFAULT);
    const sockaddr_in* to = (const sockaddr_in*)name;
    if (to->sin_family != AF_INET)
        return Fail(WSAEAFNOSUPPORT);
    LayerNetError error;
    return LayerNetConnect((int)s, to->sin_addr.s_addr, to->sin_port, &error) < 0 ? Fail(Code(error)) : 0;
}

int WINAPI ioctlsocket(SOCKET s, long command, u_long* argument)
{
    if (Usable(s) < 0)
        return SOCKET_ERROR;
    if (command != FIONBIO || !argument)
        return Fail(command != FIONBIO ? WSAEINVAL : WSAEFAULT);
    LayerNetError error;
    return LayerNetNonBlocking((int)s, *argument != 0, &error) < 0 ? Fail(Code(error)) : 0;
}

int WINAPI setsockopt(SOCKET s, int level, int name, const char* value, int length)
{
    if (Usable(s) < 0)
        return SOCKET_ERROR;
    if (level != IPPROTO_TCP || name != TCP_NODELAY)
        return Fail(WSAENOPROTOOPT);
    if (!value || length < 1)
        return Fail(WSAEFAULT);
    // Winsock takes a BOOL or a single byte.
    bool on = length >= (int)sizeof(BOOL) ? *(const BOOL*)value != 0 : *value != 0;
    LayerNetError error;
    return LayerNetNoDelay((int)s, on, &error) < 0 ? Fail(Code(error)) : 0;
}

int WINAPI select(int, fd_set* readable, fd_set* writable, fd_set* failed, const TIMEVAL* timeout)
{
    if (startups == 0)
        return Fail(WSANOTINITIALISED);
    if (LayerShouldFail("select"))
        return Fail(WSAENETDOWN);
    // Only the layer's own sockets can be in the sets.
    LayerNetPoll polls[LAYER_SOCKET_MAX];
    int count = 0;
    for (int k = 0; k < openCount; ++k) {
        int fd = openSockets[k];
        LayerNetPoll& p = polls[count];
        memset(&p, 0, sizeof p);
        p.fd = fd;
        p.wantRead = readable && FD_ISSET(fd, readable);
        p.wantWrite = writable && FD_ISSET(fd, writable);
        p.wantFailed = failed && FD_ISSET(fd, failed);
        count += p.wantRead || p.wantWrite || p.wantFailed;
    }
    if (count == 0)
        return Fail(WSAEINVAL);
    if (timeout && (timeout->tv_sec < 0 || timeout->tv_usec < 0))
        return Fail(WSAEINVAL);
    int milliseconds = timeout ? (int)(timeout->tv_sec * 1000 + (timeout->tv_usec + 999) / 1000) : -1;
    LayerNetError error;
    if (LayerNetPollAll(polls, count, milliseconds, &error) < 0)
        return Fail(Code(error));
    if (readable)
        FD_ZERO(readable);
    if (writable)
        FD_ZERO(writable);
    if (failed)
        FD_ZERO(failed);
    // Winsock counts a socket once for each set it is left in.
    int found = 0;
    for (int k = 0; k < count; ++k) {
        if (polls[k].read)
            FD_SET(polls[k].fd, readable);
        if (polls[k].write)
            FD_SET(polls[k].fd, writable);
        if (polls[k].failed)
            FD_SET(polls[k].fd, failed);
        found += polls[k].read + polls[k].write + polls[k].failed;
    }
    return found;
}

int WINAPI send(SOCKET s, const char* buffer, int length, int flags)
{
    if (Usable(s) < 0)
        return SOCKET_ERROR;
    if (LayerShouldFail("send"))
        return Fail(WSAECONNRESET);
    if (!buffer || length < 0)
        return Fail(WSAEFAULT);
    if (flags != 0)
        return Fail(WSAEINVAL);
    LayerNetError error;
    long sent = LayerNetSend((int)s, buffer, (size_t)length, &error);
    return sent < 0 ? Fail(Code(error)) : (int)sent;
}

int WINAPI recv(SOCKET s, char* buffer, int length, int flags)
{
    if (Usable(s) < 0)
        return SOCKET_ERROR;
    if (LayerShouldFail("recv"))
        return Fail(WSAECONNRESET);
    if (!buffer || length < 0)
        return Fail(WSAEFAULT);
    if (flags & ~LAYER_MSG_PEEK)
        return Fail(WSAEINVAL);
    LayerNetError error;
    long got = LayerNetRecv((int)s, buffer, (size_t)length, flags != 0, &error);
    return got < 0 ? Fail(Code(error)) : (int)got;
}

int WINAPI closesocket(SOCKET s)
{
    int slot = Usable(s);
    if (slot < 0)
        return SOCKET_ERROR;
    openSockets[slot] = openSockets[--openCount];
    LayerNetError error;
    return LayerNetClose((int)s, &error) < 0 ? Fail(Code(error)) : 0;
}

u_long WINAPI htonl(u_long value)
{
    uint32_t v = (uint32_t)value;
    unsigned char bytes[4] = {(unsigned char)(v >> 24), (unsigned char)(v >> 16), (unsigned char)(v >> 8),
                              (unsigned char)v};
    uint32_t network;
    memcpy(&network, bytes, 4);
    return network;
}

u_short WINAPI htons(u_short value)
{
    unsigned char bytes[2] = {(unsigned char)(value >> 8), (unsigned char)value};
    u_short network;
    memcpy(&network, bytes, 2);
    return network;
}

u_long WINAPI ntohl(u_long value)
{
    return htonl(value);
}

u_short WINAPI ntohs(u_short value)
{
    return htons(value);
}

unsigned long WINAPI inet_addr(const char* text)
{
    uint32_t address;
    return LayerNetParseAddress(text, &address) ? address : INADDR_NONE;
}
