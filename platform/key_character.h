// The character TranslateMessage posts for a key, shared by every backend.
// The modifiers ride from the key's event in lParam's reserved bits 25..27;
// Win32 reads its key-state table instead. US layout: punctuation keys
// other than the keypad's give no character.
#pragma once

#include "platform/platform.h"

enum { LPARAM_SHIFT = 1 << 25, LPARAM_CONTROL = 1 << 26, LPARAM_CAPS = 1 << 27 };

inline int KeyCharacter(WPARAM key, LPARAM lParam)
{
    bool shift = (lParam & LPARAM_SHIFT) != 0;
    bool control = (lParam & LPARAM_CONTROL) != 0;
    bool caps = (lParam & LPARAM_CAPS) != 0;
    if (key >= 'A' && key <= 'Z') {
        if (control)
            return (int)(key - 'A' + 1);
        return (shift != caps) ? (int)key : (int)(key + ('a' - 'A'));
    }
    if (key >= '0' && key <= '9') {
        if (control)
            return 0;
        return shift ? ")!@#$%^&*("[key - '0'] : (int)key;
    }
    if (key >= VK_NUMPAD0 && key <= VK_NUMPAD0 + 9)
        return (int)('0' + key - VK_NUMPAD0);
    switch (key) {
    case VK_SPACE: return ' ';
    case VK_RETURN: return control ? '\n' : '\r';
    case VK_ESCAPE: return 27;
    case VK_BACK: return control ? 127 : 8;
    case VK_TAB: return control ? 0 : 9;
    case VK_MULTIPLY: return '*';
    case VK_ADD: return '+';
    case VK_SUBTRACT: return '-';
    case VK_DECIMAL: return '.';
    case VK_DIVIDE: return '/';
    default: return 0;
    }
}
