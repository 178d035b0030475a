// One target per old ZIP method, built from this source with
// KESTRO_FUZZ_SHRINK, KESTRO_FUZZ_REDUCE or KESTRO_FUZZ_IMPLODE.
//
// The first byte picks the mode. High bit clear: the rest is a compressed
// stream, decoded against a declared size taken from the next two bytes; it
// must end (any way) without a sanitizer report and without writing past
// that size. High bit set: the rest is data, compressed by the test-only
// encoder and decoded again; it must come back exactly. Either way the input
// is handed over in chunks of the size the second byte says, and the low
// bits of the first byte choose the reduce factor or the implode flags.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "payload/legacy_encoders.h"
#include "payload/legacy_memory.h"

namespace {

kestro::testzip::LegacyMethod Way(std::uint8_t selector) {
#if defined(KESTRO_FUZZ_SHRINK)
  (void)selector;
  return {"shrink", 1, 0};
#elif defined(KESTRO_FUZZ_REDUCE)
  return {"reduce", static_cast<std::uint16_t>(2 + (selector & 3)), 0};
#elif defined(KESTRO_FUZZ_IMPLODE)
  return {"implode", 6, static_cast<std::uint16_t>(selector & 6)};
#else
#error "define KESTRO_FUZZ_SHRINK, KESTRO_FUZZ_REDUCE or KESTRO_FUZZ_IMPLODE"
#endif
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 3) return 0;
  const kestro::testzip::LegacyMethod way = Way(data[0]);
  const std::size_t chunk = data[1] == 0 ? 32768 : data[1];
  if ((data[0] & 0x80) == 0) {
    // From 0 to about 4 MB declared, by the third byte.
    const auto declared = static_cast<std::uint32_t>(data[2]) * 16411u;
    const std::string_view stream(reinterpret_cast<const char*>(data + 3), size - 3);
    const kestro::testzip::Decoded d =
        kestro::testzip::DecodeLegacy(way.method, way.flags, stream, declared, chunk, /*keepBytes=*/false);
    if (d.count > declared) std::abort();
    if (d.ok && way.method != 1 && d.count != declared) std::abort();
    return 0;
  }
  const std::string_view original(reinterpret_cast<const char*>(data + 2), size - 2);
  const std::string packed = kestro::testzip::Compress(way, original);
  const kestro::testzip::Decoded d =
      kestro::testzip::DecodeLegacy(way.method, way.flags, packed, static_cast<std::uint32_t>(original.size()), chunk);
  if (!d.ok || d.bytes != original) std::abort();
  return 0;
}
