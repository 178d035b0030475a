#pragma once

#include <cstdint>

namespace kestro::platform {

// A window of the platform's window system, as an integer (a Win32 HWND;
// an X11 window id; an offscreen window number in the headless backend).
// 0 means no window.
using WindowHandle = std::intptr_t;

}  // namespace kestro::platform
