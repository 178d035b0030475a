#include <windows.h>

#include "platform/api/types.h"

void PostKey(kestro::platform::WindowHandle window) {
  PostMessageA(reinterpret_cast<HWND>(window), WM_KEYDOWN, 'A', 0);
}
