#pragma once

#include "payload/mem_ini_file.h"

namespace kestro {

// The payload's settings file, held in memory for the whole run. The
// settings loader opens it on the settings file; the payload subsystem reads
// the item offsets from it.
TMemIniFile& PayloadSettings();

}  // namespace kestro
