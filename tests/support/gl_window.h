// A real window with a current GL context, made through the layer's Win32
// calls (class, window, DC, pixel format, context), for tests that need GL
// but not the render window's start-up.
#pragma once

#include <gtest/gtest.h>

#include "platform/gl.h"

struct TestGlWindow {
    const char* className = nullptr;
    HWND window = nullptr;
    HDC dc = nullptr;
    HGLRC context = nullptr;
};

// A 32-bit, double-buffered RGBA format with a 16-bit depth buffer, as the
// program asks for; the context is left current.
inline ::testing::AssertionResult OpenTestGlWindow(TestGlWindow& gl, const char* className, int width, int height)
{
    gl.className = className;
    WNDCLASSA windowClass = {};
    windowClass.style = CS_HREDRAW | CS_VREDRAW | CS_OWNDC;
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = className;
    if (!RegisterClassA(&windowClass))
        return ::testing::AssertionFailure() << "RegisterClassA";
    gl.window = CreateWindowExA(0, className, className, WS_OVERLAPPEDWINDOW | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0,
                                0, width, height, nullptr, nullptr, windowClass.hInstance, nullptr);
    if (!gl.window)
        return ::testing::AssertionFailure() << "CreateWindowExA";
    gl.dc = GetDC(gl.window);
    if (!gl.dc)
        return ::testing::AssertionFailure() << "GetDC";
    PIXELFORMATDESCRIPTOR format = {};
    format.nSize = sizeof format;
    format.nVersion = 1;
    format.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    format.iPixelType = PFD_TYPE_RGBA;
    format.cColorBits = 32;
    format.cDepthBits = 16;
    format.iLayerType = PFD_MAIN_PLANE;
    int chosen = ChoosePixelFormat(gl.dc, &format);
    if (!chosen || !SetPixelFormat(gl.dc, chosen, &format))
        return ::testing::AssertionFailure() << "pixel format";
    gl.context = wglCreateContext(gl.dc);
    if (!gl.context || !wglMakeCurrent(gl.dc, gl.context))
        return ::testing::AssertionFailure() << "GL context";
    return ::testing::AssertionSuccess();
}

// Releases whatever OpenTestGlWindow made, also after a partial open.
inline void CloseTestGlWindow(TestGlWindow& gl)
{
    if (gl.context) {
        wglMakeCurrent(nullptr, nullptr);
        wglDeleteContext(gl.context);
    }
    if (gl.dc)
        ReleaseDC(gl.window, gl.dc);
    if (gl.window)
        DestroyWindow(gl.window);
    if (gl.className)
        UnregisterClassA(gl.className, GetModuleHandleA(nullptr));
    gl = TestGlWindow();
}
