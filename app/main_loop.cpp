#include "app/main_loop.h"

#include <stdio.h>
#include <stdlib.h>

#include "app/render_window.h"
#include "scene/scene.h"
#include "sound/music.h"

enum { WINDOW_WIDTH = 640, WINDOW_HEIGHT = 480, FIRST_BITS = 32, SWITCHED_BITS = 16 };
static const char firstTitle[] = "Orlath - Brenvik!";
static const char switchedTitle[] = "Kivo's OpenGL Framework";

enum { KEY_ESCAPE = 27, KEY_FREEZE = 77, KEY_SWITCH = 112 };

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    bool done = false;
    MSG msg;
    msg.wParam = 0;
    char question[100];

    snprintf(question, sizeof question, "\xBF" "A pantalla completa? (%dx%d %dbpp)", WINDOW_WIDTH, WINDOW_HEIGHT,
             FIRST_BITS);
    // Only Yes means full screen: Win32 may end a Yes/No box with IDCANCEL
    // (Escape under some implementations) or 0 (no box could be shown).
    if (MessageBoxA(NULL, question, firstTitle, MB_YESNO | MB_ICONQUESTION) != IDYES)
        fullscreenMode = false;

    if (!OpenRenderWindow(firstTitle, WINDOW_WIDTH, WINDOW_HEIGHT, FIRST_BITS, fullscreenMode))
        return 0;

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

        // The music holds with the picture and is refilled in every pass.
        PauseMusic(keyDown[KEY_FREEZE]);
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

    CloseRenderWindow();
    return (int)msg.wParam;
}

void KeyHandler(unsigned char key)
{
    if (key == KEY_ESCAPE)
        exit(0);
}
