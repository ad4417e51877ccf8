#include "sync/sync_editor.h"

#include <math.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "diag/Debug.h"
#include "platform/platform.h"
#include "sound/music.h"
#include "sync/sync_tracks.h"
#include "timing/clock.h"

bool syncEditorOn = false;
bool syncEditorConnected = false;
bool syncEditorPaused = false;

namespace {

enum LinkState { LINK_IDLE, LINK_CONNECTING, LINK_GREETING, LINK_READY };

const char demoGreeting[] = "hello, synctracker!";
const char editorGreeting[] = "hello, demo!";
enum { DEMO_GREETING_BYTES = 19, EDITOR_GREETING_BYTES = 12, READS_PER_PASS = 256 };

char editorName[80];
sockaddr_in editorAddress;
SOCKET connection = INVALID_SOCKET;
LinkState state = LINK_IDLE;
bool tried = false;
int64_t lastTry = 0;
unsigned char incoming[SYNC_EDITOR_IN_SIZE];
int incomingUsed = 0;
char outgoing[SYNC_EDITOR_OUT_SIZE];
int outgoingUsed = 0;
int tracksNamed = 0;
int64_t rowSent = -1;
double heldSeconds = 0.0;

int64_t Milliseconds()
{
    LARGE_INTEGER counter, frequency;
    if (!QueryPerformanceCounter(&counter) || !QueryPerformanceFrequency(&frequency) || frequency.QuadPart <= 0)
        return 0;
    return counter.QuadPart / (frequency.QuadPart / 1000 > 0 ? frequency.QuadPart / 1000 : 1);
}

uint32_t BigEndianAt(const unsigned char* bytes)
{
    return uint32_t(bytes[0]) << 24 | uint32_t(bytes[1]) << 16 | uint32_t(bytes[2]) << 8 | bytes[3];
}

void Drop(const char* why)
{
    if (connection != INVALID_SOCKET)
        closesocket(connection);
    if (syncEditorConnected)
        ReportWrite("Editor de sincron\xED" "a: desconectado (%s)\n", why);
    connection = INVALID_SOCKET;
    state = LINK_IDLE;
    incomingUsed = outgoingUsed = 0;
    syncEditorConnected = false;
    // A demo left held by an editor that is gone would never go on.
    syncEditorPaused = false;
}

void Queue(const void* bytes, int count)
{
    if (outgoingUsed + count > SYNC_EDITOR_OUT_SIZE) {
        Drop("el editor no lee");
        return;
    }
    memcpy(outgoing + outgoingUsed, bytes, count);
    outgoingUsed += count;
}

void QueueCommand(SyncEditorCommand command, uint32_t value, const char* text = nullptr)
{
    unsigned char bytes[5] = {(unsigned char)command, (unsigned char)(value >> 24), (unsigned char)(value >> 16),
                              (unsigned char)(value >> 8), (unsigned char)value};
    Queue(bytes, sizeof bytes);
    if (text && state != LINK_IDLE)
        Queue(text, (int)value);
}

void Flush()
{
    while (outgoingUsed > 0 && state != LINK_IDLE) {
        int sent = send(connection, outgoing, outgoingUsed, 0);
        if (sent == SOCKET_ERROR) {
            if (WSAGetLastError() != WSAEWOULDBLOCK)
                Drop("error al enviar");
            return;
        }
        memmove(outgoing, outgoing + sent, outgoingUsed - sent);
        outgoingUsed -= sent;
    }
}

void TryConnect(int64_t now)
{
    tried = true;
    lastTry = now;
    connection = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (connection == INVALID_SOCKET)
        return;
    u_long nonBlocking = 1;
    if (ioctlsocket(connection, FIONBIO, &nonBlocking) == SOCKET_ERROR) {
        Drop("ioctlsocket");
        return;
    }
    // A row waits for nothing: the editor's cursor follows the picture.
    BOOL noDelay = TRUE;
    setsockopt(connection, IPPROTO_TCP, TCP_NODELAY, (const char*)&noDelay, sizeof noDelay);
    state = LINK_CONNECTING;
    if (connect(connection, (const sockaddr*)&editorAddress, sizeof editorAddress) == 0) {
        state = LINK_GREETING;
        Queue(demoGreeting, DEMO_GREETING_BYTES);
    } else if (WSAGetLastError() != WSAEWOULDBLOCK) {
        Drop("connect");
    }
}

// Whether the connect has finished: greets the editor when it has, tries
// again later when it failed or takes longer than a retry.
void CheckConnect(int64_t now)
{
    fd_set writable, failed;
    FD_ZERO(&writable);
    FD_ZERO(&failed);
    FD_SET(connection, &writable);
    FD_SET(connection, &failed);
    TIMEVAL noWait = {0, 0};
    int ready = select(0, nullptr, &writable, &failed, &noWait);
    if (ready == SOCKET_ERROR || FD_ISSET(connection, &failed) ||
        (ready == 0 && now - lastTry >= SYNC_EDITOR_RETRY_MILLISECONDS)) {
        Drop("connect");
        return;
    }
    if (FD_ISSET(connection, &writable)) {
        state = LINK_GREETING;
        Queue(demoGreeting, DEMO_GREETING_BYTES);
    }
}

int CommandBytes(int command)
{
    switch (command) {
    case SYNC_SET_KEY:
        return 14;
    case SYNC_DELETE_KEY:
        return 9;
    case SYNC_SET_ROW:
        return 5;
    case SYNC_PAUSE:
        return 2;
    case SYNC_SAVE_TRACKS:
        return 1;
    default:
        return 0;
    }
}

// Applies one whole command; the reason when it is not one.
const char* Apply(const unsigned char* bytes)
{
    switch (bytes[0]) {
    case SYNC_SET_KEY:
    case SYNC_DELETE_KEY: {
        uint32_t track = BigEndianAt(bytes + 1), row = BigEndianAt(bytes + 5);
        if (track >= (uint32_t)tracksNamed)
            return "pista desconocida";
        if (row > INT32_MAX)
            return "fila fuera de rango";
        if (bytes[0] == SYNC_DELETE_KEY) {
            DeleteSyncKey((int)track, (int32_t)row);
            return nullptr;
        }
        uint32_t bits = BigEndianAt(bytes + 9);
        float value;
        memcpy(&value, &bits, sizeof value);
        if (bytes[13] >= SYNC_INTERPOLATION_COUNT)
            return "interpolaci\xF3" "n desconocida";
        if (!isfinite(value))
            return "valor no finito";
        SetSyncKey((int)track, (int32_t)row, value, bytes[13]);
        return nullptr;
    }
    case SYNC_SET_ROW: {
        uint32_t row = BigEndianAt(bytes + 1);
        double seconds = row / syncRowsPerSecond;
        SeekMusic(seconds);
        heldSeconds = seconds;
        rowSent = row;
        return nullptr;
    }
    case SYNC_PAUSE:
        if ((bytes[1] != 0) != syncEditorPaused) {
            syncEditorPaused = bytes[1] != 0;
            heldSeconds = ElapsedSeconds();
            PauseMusic(syncEditorPaused);
        }
        return nullptr;
    case SYNC_SAVE_TRACKS:
        SaveSyncTracks();
        return nullptr;
    }
    return "orden desconocida";
}

// Takes every whole command that has arrived; a part waits for the rest.
void Parse()
{
    int at = 0;
    if (state == LINK_GREETING) {
        if (incomingUsed < EDITOR_GREETING_BYTES)
            return;
        if (memcmp(incoming, editorGreeting, EDITOR_GREETING_BYTES) != 0) {
            Drop("saludo equivocado");
            return;
        }
        at = EDITOR_GREETING_BYTES;
        state = LINK_READY;
        syncEditorConnected = true;
        tracksNamed = 0;
        rowSent = -1;
        ReportWrite("Editor de sincron\xED" "a: conectado a %s\n", editorName);
    }
    while (at < incomingUsed) {
        int bytes = CommandBytes(incoming[at]);
        if (bytes && at + bytes > incomingUsed)
            break;
        if (const char* why = bytes ? Apply(incoming + at) : "orden desconocida") {
            Drop(why);
            return;
        }
        at += bytes;
    }
    memmove(incoming, incoming + at, incomingUsed - at);
    incomingUsed -= at;
}

void Receive()
{
    for (int k = 0; k < READS_PER_PASS && state >= LINK_GREETING; ++k) {
        int got = recv(connection, (char*)incoming + incomingUsed, SYNC_EDITOR_IN_SIZE - incomingUsed, 0);
        if (got == 0) {
            Drop("el editor cerr\xF3");
            return;
        }
        if (got == SOCKET_ERROR) {
            if (WSAGetLastError() != WSAEWOULDBLOCK)
                Drop("error al recibir");
            return;
        }
        incomingUsed += got;
        Parse();
    }
}

bool ParseAddress(const char* text)
{
    char host[64];
    int port = SYNC_EDITOR_PORT;
    if (!text || !*text)
        text = "127.0.0.1";
    const char* colon = strrchr(text, ':');
    size_t length = colon ? (size_t)(colon - text) : strlen(text);
    if (length == 0 || length >= sizeof host)
        return false;
    memcpy(host, text, length);
    host[length] = 0;
    if (colon) {
        char* end;
        long value = strtol(colon + 1, &end, 10);
        if (end == colon + 1 || *end || value < 1 || value > 65535)
            return false;
        port = (int)value;
    }
    unsigned long address = inet_addr(strcmp(host, "localhost") == 0 ? "127.0.0.1" : host);
    if (address == INADDR_NONE)
        return false;
    memset(&editorAddress, 0, sizeof editorAddress);
    editorAddress.sin_family = AF_INET;
    editorAddress.sin_port = htons((u_short)port);
    editorAddress.sin_addr.s_addr = (uint32_t)address;
    snprintf(editorName, sizeof editorName, "%s:%d", host, port);
    return true;
}

}  // namespace

bool StartSyncEditor(const char* address)
{
    if (syncEditorOn)
        return true;
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 2), &data) != 0) {
        ReportWrite("Editor de sincron\xED" "a: sin red, se usan los ficheros\n");
        return false;
    }
    if (!ParseAddress(address)) {
        ReportWrite("Editor de sincron\xED" "a: direcci\xF3" "n no v\xE1" "lida: %s\n", address);
        WSACleanup();
        return false;
    }
    syncEditorOn = true;
    tried = false;
    ReportWrite("Editor de sincron\xED" "a: buscando en %s\n", editorName);
    return true;
}

void PumpSyncEditor()
{
    if (!syncEditorOn)
        return;
    // With no music to hold, the held clock is put back every pass.
    if (syncEditorPaused && !musicPlaying)
        ContinueClockFrom(heldSeconds);
    int64_t now = Milliseconds();
    if (state == LINK_IDLE) {
        if (!tried || now - lastTry >= SYNC_EDITOR_RETRY_MILLISECONDS)
            TryConnect(now);
        if (state == LINK_IDLE)
            return;
    }
    if (state == LINK_CONNECTING)
        CheckConnect(now);
    if (state >= LINK_GREETING)
        Receive();
    if (state == LINK_READY) {
        for (; tracksNamed < syncTrackCount && state == LINK_READY; ++tracksNamed) {
            // The editor's keys take the place of the files'.
            ClearSyncKeys(tracksNamed);
            const char* name = syncTracks[tracksNamed].name;
            QueueCommand(SYNC_GET_TRACK, (uint32_t)strlen(name), name);
        }
        double row = floor(ElapsedSeconds() * syncRowsPerSecond);
        if (!syncEditorPaused && row >= 0 && row <= INT32_MAX && (int64_t)row != rowSent) {
            rowSent = (int64_t)row;
            QueueCommand(SYNC_SET_ROW, (uint32_t)rowSent);
        }
    }
    Flush();
}

void StopSyncEditor()
{
    if (!syncEditorOn)
        return;
    if (state != LINK_IDLE)
        Drop("fin");
    WSACleanup();
    syncEditorOn = false;
}
