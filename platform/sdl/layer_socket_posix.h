// The BSD socket calls under the layer's Winsock (layer_socket.cpp). They
// live in a file of their own because the C library's socket headers and
// the layer's Winsock declarations take the same names for other types.
// Needs: nothing but the C library; no Win32 names here.
#pragma once

#include <stddef.h>
#include <stdint.h>

// What a failed call found, for Winsock's WSAE* codes.
enum LayerNetError {
    LAYER_NET_OTHER,
    LAYER_NET_WOULD_BLOCK,
    LAYER_NET_ALREADY,
    LAYER_NET_IS_CONNECTED,
    LAYER_NET_NOT_CONNECTED,
    LAYER_NET_REFUSED,
    LAYER_NET_RESET,
    LAYER_NET_ABORTED,
    LAYER_NET_TIMED_OUT,
    LAYER_NET_UNREACHABLE,
    LAYER_NET_INVALID,
    LAYER_NET_INTERRUPTED,
};

struct LayerNetPoll {
    int fd;
    bool wantRead, wantWrite, wantFailed;
    bool read, write, failed;  // what was found; a failed connect is failed, not writable
};

// Each returns -1 with *error set on failure.
int LayerNetOpen(LayerNetError* error);
int LayerNetNonBlocking(int fd, bool on, LayerNetError* error);
int LayerNetNoDelay(int fd, bool on, LayerNetError* error);
// Address and port in network order.
int LayerNetConnect(int fd, uint32_t address, uint16_t port, LayerNetError* error);
long LayerNetSend(int fd, const void* data, size_t size, LayerNetError* error);
long LayerNetRecv(int fd, void* data, size_t size, bool peek, LayerNetError* error);
int LayerNetClose(int fd, LayerNetError* error);
// Waits at most `milliseconds` (-1: no limit) for any of the asked states;
// the number of sockets with one found.
int LayerNetPollAll(LayerNetPoll* polls, int count, int milliseconds, LayerNetError* error);
// A dotted IPv4 address in network order; false for anything else.
bool LayerNetParseAddress(const char* text, uint32_t* address);
