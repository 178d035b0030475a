#pragma once

namespace kestro::platform {

// Colour depth of the screen: bits per pixel times colour planes, read once
// per process (24 where the platform does not tell).
int DisplayBitsPerPixel();

// Makes DisplayBitsPerPixel answer `bits` (tests and the headless backend);
// 0 goes back to the platform's value.
void InstallDisplayBitsPerPixel(int bits);

}  // namespace kestro::platform
