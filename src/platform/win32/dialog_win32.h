#pragma once

#include <windows.h>

#include <memory>

#include "platform/api/dialog.h"

namespace kestro::platform {

// The Win32 dialog view: a dialog of real Win32 controls (common controls
// version 6 where the program's manifest asks for them), laid out at the
// DPI of the monitor it is on.
std::unique_ptr<DialogView> CreateWin32Dialog(const DialogLayout& layout);

// The keyboard handling of the open dialogs (Tab, arrows, mnemonics, Enter,
// Escape, Ctrl+Tab between pages) for a message taken from the queue; true
// when a dialog took the message and it must not be dispatched.
bool Win32DialogMessage(MSG& msg);

}  // namespace kestro::platform
