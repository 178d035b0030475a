#include "platform/api/metafile.h"
#include "platform/native.h"

namespace kestro::platform {

// Displays here are true colour.
int NativeDisplayBitsPerPixel() { return 24; }

// Metafiles are a Windows graphics format; there is no player for them here.
bool MetafilesSupported() { return false; }

std::unique_ptr<Metafile> LoadMetafile(const std::uint8_t*, std::size_t) { return nullptr; }

}  // namespace kestro::platform
