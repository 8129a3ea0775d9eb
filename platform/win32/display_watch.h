// The hidden window that notes display changes for the host: a window of
// the class "Corvina DLL window", never shown, whose procedure sets a flag
// when the display changes or the machine resumes on its own.
#pragma once

#include <windows.h>

#include <cstdint>

namespace platform {

inline constexpr char kDisplayWatchClass[] = "Corvina DLL window";

// Registers the class under the module and creates the window on the
// calling thread; flag is set to 1 by the window procedure. False when the
// class or the window cannot be had.
bool start_display_watch(HINSTANCE module, uint8_t* flag);

// Destroys the window (from the thread that created it) and unregisters the
// class, without the quit message its destruction otherwise posts: for a
// library that is unloaded while its host runs on.
void stop_display_watch();

// The window, or null before start and after stop.
HWND display_watch_window();

// The window procedure: display change and automatic resume set the flag;
// close destroys the window; destruction posts the quit message.
LRESULT CALLBACK display_watch_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

}  // namespace platform
