// MessageBoxA on SDL's message boxes, always without a parent window.
// Needs: SDL video (started on first need). Texts arrive in Windows-1252.
// Without a display (no video, a headless driver, or a box SDL cannot
// show) the box becomes "CAPTION: text" on standard error and the default
// button is taken, so an unattended run never hangs on a question; a box
// with a choice names the answer taken on the next line. Under
// capture no box is shown either, and a Yes/No question is answered No.
// Limits: 4 KiB of text and 256 bytes of caption are shown.
// On X11, SDL shows the box from a forked child and waits for it; that
// child is made to die with this process, so that a program killed while
// its box is up does not leave the box on screen.
#include "platform/sdl/layer_capture.h"
#include "platform/cp1252.h"
#include "platform/sdl/layer_internal.h"

#include <SDL.h>
#include <stdio.h>
#ifdef __linux__
#include <pthread.h>
#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>
#endif

enum { SHOWN_TEXT_MAX = 4096 * 3, SHOWN_CAPTION_MAX = 256 * 3 };

static int CollectButtons(UINT type, SDL_MessageBoxButtonData* buttons)
{
    const int escapeOnly = SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT;
    const int returnOnly = SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT;
    switch (type & 0xF) {
    case MB_OKCANCEL:
        buttons[0] = {(Uint32)returnOnly, IDOK, "OK"};
        buttons[1] = {(Uint32)escapeOnly, IDCANCEL, "Cancel"};
        return 2;
    case MB_YESNO:
        buttons[0] = {(Uint32)returnOnly, IDYES, "Yes"};
        buttons[1] = {(Uint32)escapeOnly, IDNO, "No"};
        return 2;
    case MB_YESNOCANCEL:
        buttons[0] = {(Uint32)returnOnly, IDYES, "Yes"};
        buttons[1] = {0, IDNO, "No"};
        buttons[2] = {(Uint32)escapeOnly, IDCANCEL, "Cancel"};
        return 3;
    default:
        buttons[0] = {(Uint32)(returnOnly | escapeOnly), IDOK, "OK"};
        return 1;
    }
}

static Uint32 IconFlags(UINT type)
{
    switch (type & 0xF0) {
    case MB_ICONHAND: return SDL_MESSAGEBOX_ERROR;
    case MB_ICONEXCLAMATION: return SDL_MESSAGEBOX_WARNING;
    case MB_ICONQUESTION:
    case MB_ICONINFORMATION: return SDL_MESSAGEBOX_INFORMATION;
    default: return 0;
    }
}

#ifdef __linux__
// Only a child forked by the thread that is showing a box is tied to us:
// every other fork of the process keeps the usual life of its own.
static thread_local bool showingBox = false;
static pid_t boxParent = 0;

static void TieBoxToParent()
{
    if (!showingBox)
        return;
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    // A parent that died before the line above is no longer there to signal.
    if (getppid() != boxParent)
        _exit(1);
}

static int ShowBoxTiedToUs(const SDL_MessageBoxData* box, int* pressed)
{
    static bool tieSet = false;
    if (!tieSet)
        tieSet = pthread_atfork(nullptr, nullptr, TieBoxToParent) == 0;
    boxParent = getpid();
    showingBox = true;
    int shown = SDL_ShowMessageBox(box, pressed);
    showingBox = false;
    return shown;
}
#else
static int ShowBoxTiedToUs(const SDL_MessageBoxData* box, int* pressed)
{
    return SDL_ShowMessageBox(box, pressed);
}
#endif

int WINAPI MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type)
{
    if (LayerShouldFail("MessageBoxA"))
        return 0;
    int answer;
    if (LayerInterceptMessageBox(owner, text, caption, type, &answer))
        return answer;
    if (LayerCaptureAnswerBox(type, &answer))
        return answer;

    static char shownText[SHOWN_TEXT_MAX];
    static char shownCaption[SHOWN_CAPTION_MAX];
    Cp1252ToUtf8(text, shownText, sizeof shownText);
    // Win32 shows "Error" for a null caption.
    Cp1252ToUtf8(caption ? caption : "Error", shownCaption, sizeof shownCaption);

    SDL_MessageBoxButtonData buttons[3];
    int buttonCount = CollectButtons(type, buttons);
    if (!LayerCaptureActive() && LayerEnsureVideo() && !LayerVideoHeadless()) {
        SDL_MessageBoxData box = {};
        box.flags = IconFlags(type) | SDL_MESSAGEBOX_BUTTONS_LEFT_TO_RIGHT;
        box.window = nullptr;
        box.title = shownCaption;
        box.message = shownText;
        box.numbuttons = buttonCount;
        box.buttons = buttons;
        int pressed = -1;
        if (ShowBoxTiedToUs(&box, &pressed) == 0) {
            if (pressed >= 0)
                return pressed;
            // Closed without a button: Win32 reports the Escape button.
            for (int i = 0; i < buttonCount; ++i)
                if (buttons[i].flags & SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT)
                    return buttons[i].buttonid;
        }
    }
    fprintf(stderr, "%s: %s\n", shownCaption, shownText);
    if (buttonCount > 1)
        fprintf(stderr, "(no one to ask: answered %s)\n", buttons[0].text);
    fflush(stderr);
    return buttons[0].buttonid;
}
