// Winsock on the web: a page has no sockets (it is a player only), so
// WSAStartup finds no network and the demo plays its files.
#include "platform/platform.h"

int WINAPI WSAStartup(WORD, LPWSADATA)
{
    return WSASYSNOTREADY;
}

int WINAPI WSACleanup(void)
{
    return SOCKET_ERROR;
}

int WINAPI WSAGetLastError(void)
{
    return WSANOTINITIALISED;
}

SOCKET WINAPI socket(int, int, int)
{
    return INVALID_SOCKET;
}

int WINAPI connect(SOCKET, const struct sockaddr*, int)
{
    return SOCKET_ERROR;
}

int WINAPI ioctlsocket(SOCKET, long, u_long*)
{
    return SOCKET_ERROR;
}

int WINAPI setsockopt(SOCKET, int, int, const char*, int)
{
    return SOCKET_ERROR;
}

int WINAPI select(int, fd_set*, fd_set*, fd_set*, const TIMEVAL*)
{
    return SOCKET_ERROR;
}

int WINAPI send(SOCKET, const char*, int, int)
{
    return SOCKET_ERROR;
}

int WINAPI recv(SOCKET, char*, int, int)
{
    return SOCKET_ERROR;
}

int WINAPI closesocket(SOCKET)
{
    return SOCKET_ERROR;
}

u_long WINAPI htonl(u_long value)
{
    uint32_t v = (uint32_t)value;
    return (v >> 24) | (v >> 8 & 0xFF00u) | (v << 8 & 0xFF0000u) | (v << 24);
}

u_short WINAPI htons(u_short value)
{
    return (u_short)(value >> 8 | value << 8);
}

u_long WINAPI ntohl(u_long value)
{
    return htonl(value);
}

u_short WINAPI ntohs(u_short value)
{
    return htons(value);
}

unsigned long WINAPI inet_addr(const char*)
{
    return INADDR_NONE;
}
