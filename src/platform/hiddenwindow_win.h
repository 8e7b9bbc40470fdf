#pragma once

#include <windows.h>

namespace kelvora {

/**
 * A hidden top-level window of the program's own, with `procedure` for its messages: Windows tells
 * the session's end and power changes to top-level windows only, and a program that lives in the
 * tray has none that Qt handles (its tray's and dispatcher's windows are message-only).
 */
inline HWND makeHiddenWindow(const wchar_t *className, WNDPROC procedure)
{
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = className;
    RegisterClassExW(&windowClass); // fails harmlessly when it is already registered
    return CreateWindowExW(WS_EX_TOOLWINDOW, className, L"Kelvora", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                           instance, nullptr);
}

} // namespace kelvora
