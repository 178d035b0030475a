#pragma once

#include <memory>

#include "platform/api/dialog.h"

namespace kestro::platform {

// The GTK 3 dialog view: a dialog window of GTK's own controls, laid out
// from the table in GTK's logical pixels, served by the X11 event loop.
// nullptr when GTK cannot start (no display it can open).
std::unique_ptr<DialogView> CreateGtkDialog(const DialogLayout& layout);

}  // namespace kestro::platform
