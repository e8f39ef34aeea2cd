#pragma once
// Functions of system libraries the program needs only now and then (the
// common file dialogs, the sound player, the version resource): the library
// is loaded from the system folder the first time one of its functions is
// called, so that a program resting in the tray does not carry it.
#include <windows.h>

namespace framework {

// The function, or null when the library or the function is missing.
FARPROC LateBoundProc(const wchar_t* library, const char* name);

template <typename Function>
Function* LateBound(const wchar_t* library, const char* name) {
  return reinterpret_cast<Function*>(reinterpret_cast<void (*)()>(LateBoundProc(library, name)));
}

}  // namespace framework
