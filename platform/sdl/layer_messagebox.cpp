// MessageBoxA on SDL's message boxes, always without a parent window.
// Needs: SDL video (started on first need). Texts arrive in Windows-1252.
// Without a display (no video, a headless driver, or a box SDL cannot
// show) the box becomes "CAPTION: text" on standard error and the default
// button is taken, so an unattended run never hangs on a question. Under
// capture no box is shown either, and a Yes/No question is answered No.
// Limits: 4 KiB of text and 256 bytes of caption are shown.
#include "platform/sdl/layer_capture.h"
#include "platform/cp1252.h"
#include "platform/sdl/layer_internal.h"

#include <SDL.h>
#include <stdio.h>

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
        if (SDL_ShowMessageBox(&box, &pressed) == 0) {
            if (pressed >= 0)
                return pressed;
            // Closed without a button: Win32 reports the Escape button.
            for (int i = 0; i < buttonCount; ++i)
                if (buttons[i].flags & SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT)
                    return buttons[i].buttonid;
        }
    }
    fprintf(stderr, "%s: %s\n", shownCaption, shownText);
    fflush(stderr);
    return buttons[0].buttonid;
}
