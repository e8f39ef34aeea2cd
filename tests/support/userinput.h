#pragma once
// Acting on the program's windows as a user does, from a thread of the
// test's own while the program's thread runs a modal loop (a dialog, a
// system file dialog).
#include <windows.h>

#include <functional>
#include <initializer_list>
#include <string>

// Waits (up to about ten seconds) until find gives a window; null when none came.
HWND WaitForWindow(const std::function<HWND()>& find);

// A visible top-level window of this process with the class and caption
// (any caption when empty); null when there is none.
HWND FindProcessWindow(const wchar_t* className, const std::string& caption = "");

// A real left click at a point of the window's client area: the cursor is
// moved there and the button pressed and released through the system's
// input queue.
void ClickAt(HWND window, POINT client);

// Real key presses through the system's input queue: the keys pressed in
// order, then released in the reverse order (a chord such as Alt+C).
void PressKeys(std::initializer_list<WORD> keys);
