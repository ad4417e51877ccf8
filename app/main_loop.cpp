#include "app/main_loop.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "app/render_window.h"
#include "scene/scene.h"
#include "sound/music.h"
#include "sync/sync_editor.h"

// A demo built with the kit sets these (orlath_add_demo's TITLE, SIZE and
// START); the shipped program and the gallery keep the values below and
// read no arguments.
#ifndef ORLATH_DEMO_WIDTH
#define ORLATH_DEMO_WIDTH 640
#endif
#ifndef ORLATH_DEMO_HEIGHT
#define ORLATH_DEMO_HEIGHT 480
#endif
#ifndef ORLATH_DEMO_START
#define ORLATH_DEMO_START START_ASK
#endif
#ifndef ORLATH_ENABLE_SYNC_EDITOR
#define ORLATH_ENABLE_SYNC_EDITOR 0
#endif

enum { START_ASK, START_WINDOW, START_FULLSCREEN };
enum { WINDOW_WIDTH = ORLATH_DEMO_WIDTH, WINDOW_HEIGHT = ORLATH_DEMO_HEIGHT, FIRST_BITS = 32, SWITCHED_BITS = 16 };
#ifdef ORLATH_DEMO_TITLE
static const char firstTitle[] = ORLATH_DEMO_TITLE;
static const char switchedTitle[] = ORLATH_DEMO_TITLE;
#else
static const char firstTitle[] = "Orlath - Brenvik!";
static const char switchedTitle[] = "Kivo's OpenGL Framework";
#endif

enum { KEY_ESCAPE = 27, KEY_FREEZE = 77, KEY_SWITCH = 112 };

#ifdef ORLATH_DEMO_NAME
// A kit demo's flags override its START for one run; the last one counts.
static int StartFromCommandLine(const char* commandLine)
{
    int start = ORLATH_DEMO_START;
    char words[1024];
    snprintf(words, sizeof words, "%s", commandLine ? commandLine : "");
    for (char* word = strtok(words, " \t"); word; word = strtok(NULL, " \t")) {
        if (strcmp(word, "--ask") == 0)
            start = START_ASK;
        else if (strcmp(word, "--window") == 0)
            start = START_WINDOW;
        else if (strcmp(word, "--fullscreen") == 0)
            start = START_FULLSCREEN;
        else {
            fprintf(stderr, "%s: unknown option %s\nusage: %s [--window | --fullscreen | --ask]\n", ORLATH_DEMO_NAME,
                    word, ORLATH_DEMO_NAME);
            exit(2);
        }
    }
    return start;
}
#endif

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int)
{
    bool done = false;
    MSG msg;
    msg.wParam = 0;
    char question[100];

#ifdef ORLATH_DEMO_NAME
    int start = StartFromCommandLine(commandLine);
#else
    (void)commandLine;
    int start = ORLATH_DEMO_START;
#endif
    if (start == START_ASK) {
        snprintf(question, sizeof question, "\xBF" "A pantalla completa? (%dx%d %dbpp)", WINDOW_WIDTH, WINDOW_HEIGHT,
                 FIRST_BITS);
        // Only Yes means full screen: Win32 may end a Yes/No box with IDCANCEL
        // (Escape under some implementations) or 0 (no box could be shown).
        if (MessageBoxA(NULL, question, firstTitle, MB_YESNO | MB_ICONQUESTION) != IDYES)
            fullscreenMode = false;
    } else {
        fullscreenMode = start == START_FULLSCREEN;
    }

    if (!OpenRenderWindow(firstTitle, WINDOW_WIDTH, WINDOW_HEIGHT, FIRST_BITS, fullscreenMode))
        return 0;
#ifdef ORLATH_DEMO_NAME
    // A kit demo talks to a sync editor when built to (SYNC_EDITOR ON) or
    // when the environment names one.
    const char* editor = getenv("ORLATH_SYNC_EDITOR");
    if (ORLATH_ENABLE_SYNC_EDITOR || editor)
        StartSyncEditor(editor);
#endif

    while (!done) {
        if (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
            // Messages come first: a pass that handled one reads no key.
            if (msg.message == WM_QUIT) {
                done = true;
            } else {
                TranslateMessage(&msg);
                DispatchMessageA(&msg);
            }
            continue;
        }

        // The music holds with the picture (and with the editor's pause) and
        // is refilled in every pass.
#ifdef ORLATH_DEMO_NAME
        PumpSyncEditor();
        PauseMusic(keyDown[KEY_FREEZE] || syncEditorPaused);
#else
        PauseMusic(keyDown[KEY_FREEZE]);
#endif
        PumpMusic();
        if (windowActive) {
            if (keyDown[KEY_ESCAPE])
                done = true;
            else if (!keyDown[KEY_FREEZE]) {
                RenderFrame();
                SwapBuffers(hDC);
            }
        }

        // F1 is honoured even while minimised, and even in the pass in which
        // Escape ended the loop.
        if (keyDown[KEY_SWITCH]) {
            keyDown[KEY_SWITCH] = false;
            CloseRenderWindow();
            fullscreenMode = !fullscreenMode;
            if (!OpenRenderWindow(switchedTitle, WINDOW_WIDTH, WINDOW_HEIGHT, SWITCHED_BITS, fullscreenMode))
                return 0;
        }
    }

#ifdef ORLATH_DEMO_NAME
    StopSyncEditor();
#endif
    CloseRenderWindow();
    return (int)msg.wParam;
}

void KeyHandler(unsigned char key)
{
    if (key == KEY_ESCAPE)
        exit(0);
}
