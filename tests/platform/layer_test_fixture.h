// Shared fixture of the layer's tests: a window class whose procedure logs
// every message, helpers to open a window with a GL context, and a message
// pump like the system's main loop.
#pragma once

#include "platform/gl.h"
#include "platform/test_hooks.h"

#include <gtest/gtest.h>
#include <vector>

struct LoggedMessage {
    HWND hWnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

inline std::vector<LoggedMessage>& MessageLog()
{
    static std::vector<LoggedMessage> log;
    return log;
}

// What the procedure answers to WM_CREATE (-1 makes creation fail).
inline LRESULT& CreateAnswer()
{
    static LRESULT answer = 0;
    return answer;
}

inline LRESULT CALLBACK LoggingProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    MessageLog().push_back({hWnd, message, wParam, lParam});
    if (message == WM_CREATE)
        return CreateAnswer();
    return DefWindowProcA(hWnd, message, wParam, lParam);
}

inline const char* TestClassName()
{
    return "LayerTest";
}

class LayerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        TestHooksReset();
        MessageLog().clear();
        CreateAnswer() = 0;
        WNDCLASSA windowClass = {};
        windowClass.style = CS_HREDRAW | CS_VREDRAW | CS_OWNDC;
        windowClass.lpfnWndProc = LoggingProc;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = TestClassName();
        ASSERT_NE(RegisterClassA(&windowClass), 0);
    }

    void TearDown() override
    {
        if (wglGetCurrentContext())
            wglMakeCurrent(nullptr, nullptr);
        for (HGLRC hRC : contexts)
            wglDeleteContext(hRC);
        for (HWND hWnd : windows)
            if (IsWindow(hWnd))
                DestroyWindow(hWnd);
        UnregisterClassA(TestClassName(), GetModuleHandleA(nullptr));
        ChangeDisplaySettingsA(nullptr, 0);
        // Nothing a test made may outlive it.
        EXPECT_EQ(TestLiveWindows(), 0);
        EXPECT_EQ(TestLiveDCs(), 0);
        EXPECT_EQ(TestLiveContexts(), 0);
        EXPECT_EQ(TestRegisteredClasses(), 0);
    }

    // A window whose client area is width x height, the way the system asks.
    HWND OpenWindow(DWORD style, int width, int height, const char* title = "Test")
    {
        RECT rect = {0, 0, width, height};
        AdjustWindowRectEx(&rect, style, FALSE, WS_EX_APPWINDOW);
        HWND hWnd = CreateWindowExA(WS_EX_APPWINDOW, TestClassName(), title,
                                    style | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0, 0, rect.right - rect.left,
                                    rect.bottom - rect.top, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        if (hWnd)
            windows.push_back(hWnd);
        return hWnd;
    }

    static PIXELFORMATDESCRIPTOR Request(BYTE colorBits, BYTE depthBits, bool doubleBuffer)
    {
        PIXELFORMATDESCRIPTOR pfd = {};
        pfd.nSize = sizeof pfd;
        pfd.nVersion = 1;
        pfd.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | (doubleBuffer ? PFD_DOUBLEBUFFER : 0);
        pfd.iPixelType = PFD_TYPE_RGBA;
        pfd.cColorBits = colorBits;
        pfd.cDepthBits = depthBits;
        return pfd;
    }

    // DC, pixel format and a current context, as the system's start-up does.
    HGLRC OpenContext(HWND hWnd, const PIXELFORMATDESCRIPTOR& pfd)
    {
        HDC hDC = GetDC(hWnd);
        int format = ChoosePixelFormat(hDC, &pfd);
        if (!format || !SetPixelFormat(hDC, format, &pfd))
            return nullptr;
        HGLRC hRC = wglCreateContext(hDC);
        if (!hRC)
            return nullptr;
        contexts.push_back(hRC);
        return wglMakeCurrent(hDC, hRC) ? hRC : nullptr;
    }

    // One PeekMessageA pass per call, as the main loop makes them; returns
    // the messages taken (translated and dispatched) over that many passes.
    std::vector<MSG> Pump(int passes)
    {
        std::vector<MSG> taken;
        for (int i = 0; i < passes; ++i) {
            MSG msg;
            if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
                continue;
            taken.push_back(msg);
            if (msg.message == WM_QUIT)
                continue;
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        return taken;
    }

    static std::vector<LoggedMessage> Logged(UINT message)
    {
        std::vector<LoggedMessage> found;
        for (const LoggedMessage& logged : MessageLog())
            if (logged.message == message)
                found.push_back(logged);
        return found;
    }

    std::vector<HWND> windows;
    std::vector<HGLRC> contexts;
};
