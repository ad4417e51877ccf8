// The live link to a sync editor: the demo is its client over TCP, asks it
// for every track by name (in the order the tracks were first asked for,
// which numbers them), tells it the row while playing, and takes from it
// keys set and deleted, seeks, pauses and saves. While connected the
// editor's keys are the track's: a track asked for starts empty and gets
// the editor's keys; they stay when the editor goes away.
//
// Needs: Winsock (ws2_32 on Windows, the layer's sockets elsewhere) and the
// loop to call PumpSyncEditor every pass. It never waits: the connect does
// not block and is tried again every SYNC_EDITOR_RETRY_MILLISECONDS while no
// editor listens; reads take what has arrived. A command that is not one
// (an unknown byte, a track it was not told, a bad interpolation or value)
// closes the connection, never the demo. Limits: IPv4, a dotted address or
// "localhost"; commands of at most 14 bytes, read through a
// SYNC_EDITOR_IN_SIZE buffer; at most SYNC_EDITOR_OUT_SIZE bytes waiting to
// be sent (an editor that reads nothing for that long is dropped).
#pragma once

enum {
    SYNC_EDITOR_PORT = 1338,
    SYNC_EDITOR_RETRY_MILLISECONDS = 1000,
    SYNC_EDITOR_IN_SIZE = 256,
    SYNC_EDITOR_OUT_SIZE = 96 * 1024,
};

// The editor's commands, and the demo's (GET_TRACK and SET_ROW).
enum SyncEditorCommand {
    SYNC_SET_KEY = 0,
    SYNC_DELETE_KEY = 1,
    SYNC_GET_TRACK = 2,
    SYNC_SET_ROW = 3,
    SYNC_PAUSE = 4,
    SYNC_SAVE_TRACKS = 5,
};

extern bool syncEditorOn;         // StartSyncEditor succeeded
extern bool syncEditorConnected;  // greeted and talking
extern bool syncEditorPaused;     // held by the editor; the loop holds the music with it

// "host:port" or "host" (port SYNC_EDITOR_PORT); null or "" is
// 127.0.0.1:1338. False, with a report line, for a bad address or when
// there is no network (as in a capture, which plays its files only).
bool StartSyncEditor(const char* address);
// One pass: connects, reads and applies what came, names new tracks and
// sends the row.
void PumpSyncEditor();
void StopSyncEditor();
