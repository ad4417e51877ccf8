// Message boxes as a modal overlay on the page, which the program waits on
// (through ASYNCIFY) as Win32's MessageBoxA waits for its box. The buttons
// carry the ids "yes", "no" and "ok"; Return presses the first, Escape the
// last (No, Cancel or OK), as on Win32 where the box allows it.
//
// Needs: the page's DOM; the overlay is made on first use if the page has
// no element with id "box". Limits: text and caption in Windows-1252; no
// icons; Yes/No, Yes/No/Cancel, OK/Cancel and OK boxes.
#include "platform/web/web_internal.h"
#include "platform/cp1252.h"

#include <emscripten.h>

EM_ASYNC_JS(int, WebAskPage, (const char* text, const char* caption, int buttons), {
    var box = document.getElementById("box");
    if (!box) {
        box = document.createElement("div");
        box.id = "box";
        box.innerHTML = "<div id=\"box-panel\"><div id=\"box-caption\"></div><div id=\"box-text\"></div>" +
                        "<div id=\"box-buttons\"></div></div>";
        document.body.appendChild(box);
    }
    var sets = {0: [["ok", "OK", 1]], 1: [["ok", "OK", 1], ["cancel", "Cancel", 2]],
                3: [["yes", "S\u00ed", 6], ["no", "No", 7], ["cancel", "Cancel", 2]],
                4: [["yes", "S\u00ed", 6], ["no", "No", 7]]};
    var chosen = sets[buttons] || sets[0];
    document.getElementById("box-caption").textContent = UTF8ToString(caption);
    document.getElementById("box-text").textContent = UTF8ToString(text);
    var row = document.getElementById("box-buttons");
    row.textContent = "";
    Module.orlathBoxOpen = true;
    box.style.display = "";
    // Kept for the start-up benchmark, which leaves out the wait for a user.
    Module.orlathBoxShownAt = performance.now();
    var answer = await new Promise(function(resolve) {
        chosen.forEach(function(entry) {
            var button = document.createElement("button");
            button.id = entry[0];
            button.textContent = entry[1];
            button.onclick = function() { resolve(entry[2]); };
            row.appendChild(button);
        });
        Module.orlathBoxKeys = function(e) {
            if (e.keyCode == 13) {
                e.preventDefault();
                resolve(chosen[0][2]);
            } else if (e.keyCode == 27) {
                e.preventDefault();
                resolve(chosen[chosen.length - 1][2]);
            }
        };
        window.addEventListener("keydown", Module.orlathBoxKeys, true);
        row.firstChild.focus();
    });
    window.removeEventListener("keydown", Module.orlathBoxKeys, true);
    Module.orlathBoxWaited = (Module.orlathBoxWaited || 0) + performance.now() - Module.orlathBoxShownAt;
    box.style.display = "none";
    row.textContent = "";
    Module.orlathBoxOpen = false;
    return answer;
});

int WINAPI MessageBoxA(HWND, LPCSTR text, LPCSTR caption, UINT type)
{
    char utf8Text[1024], utf8Caption[256];
    Cp1252ToUtf8(text, utf8Text, sizeof utf8Text);
    Cp1252ToUtf8(caption ? caption : "Error", utf8Caption, sizeof utf8Caption);
    int buttons = (int)(type & 0xF);
    if (buttons != MB_OKCANCEL && buttons != MB_YESNOCANCEL && buttons != MB_YESNO)
        buttons = MB_OK;
    return WebAskPage(utf8Text, utf8Caption, buttons);
}
