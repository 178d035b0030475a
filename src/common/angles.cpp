#include "common/angles.h"

#include <cmath>

namespace kestro {

namespace {

// cos(k pi / 200) for k = 0 to 100, each the value with a 64-bit significand
// nearest to the exact cosine, as {significand, scale}: value =
// significand * 2^-scale. Written by scripts/make-angle-table.py.
struct TableEntry {
  std::uint64_t significand;
  std::int32_t scale;
};
constexpr TableEntry kCosines[101] = {
    {0x8000000000000000ull, 63},  // cos(0 pi / 200)
    {0xFFF7EA3C8B1890CAull, 64},  // cos(1 pi / 200)
    {0xFFDFA974E8842CE7ull, 64},  // cos(2 pi / 200)
    {0xFFB73F31446694FAull, 64},  // cos(3 pi / 200)
    {0xFF7EADFF221FF037ull, 64},  // cos(4 pi / 200)
    {0xFF35F971330578E4ull, 64},  // cos(5 pi / 200)
    {0xFEDD261F1C9AE132ull, 64},  // cos(6 pi / 200)
    {0xFE7439A52E5016A4ull, 64},  // cos(7 pi / 200)
    {0xFDFB3AA406C814C5ull, 64},  // cos(8 pi / 200)
    {0xFD7230C028AE8230ull, 64},  // cos(9 pi / 200)
    {0xFCD924A17F22DCD1ull, 64},  // cos(10 pi / 200)
    {0xFC301FF2D1C1039Full, 64},  // cos(11 pi / 200)
    {0xFB772D61284FF51Dull, 64},  // cos(12 pi / 200)
    {0xFAAE589B1E20A24Bull, 64},  // cos(13 pi / 200)
    {0xF9D5AE502527BD6Eull, 64},  // cos(14 pi / 200)
    {0xF8ED3C2FB8DE733Aull, 64},  // cos(15 pi / 200)
    {0xF7F510E880F70321ull, 64},  // cos(16 pi / 200)
    {0xF6ED3C2763F33134ull, 64},  // cos(17 pi / 200)
    {0xF5D5CE9689AB907Aull, 64},  // cos(18 pi / 200)
    {0xF4AED9DC4DD7A870ull, 64},  // cos(19 pi / 200)
    {0xF378709A22A7FAF3ull, 64},  // cos(20 pi / 200)
    {0xF232A66B6383F185ull, 64},  // cos(21 pi / 200)
    {0xF0DD8FE417FEB942ull, 64},  // cos(22 pi / 200)
    {0xEF79428FA7171420ull, 64},  // cos(23 pi / 200)
    {0xEE05D4EF7AD72411ull, 64},  // cos(24 pi / 200)
    {0xEC835E79946A3145ull, 64},  // cos(25 pi / 200)
    {0xEAF1F79710BF6814ull, 64},  // cos(26 pi / 200)
    {0xE951B9A29DD184DAull, 64},  // cos(27 pi / 200)
    {0xE7A2BEE6E0AC5C76ull, 64},  // cos(28 pi / 200)
    {0xE5E5229CCC4A26BEull, 64},  // cos(29 pi / 200)
    {0xE41900E9E9636560ull, 64},  // cos(30 pi / 200)
    {0xE23E76DE8F4D3504ull, 64},  // cos(31 pi / 200)
    {0xE055A2740E02C83Eull, 64},  // cos(32 pi / 200)
    {0xDE5EA28AC977BB83ull, 64},  // cos(33 pi / 200)
    {0xDC5996E84651DF85ull, 64},  // cos(34 pi / 200)
    {0xDA46A035282A031Full, 64},  // cos(35 pi / 200)
    {0xD825DFFB2174303Cull, 64},  // cos(36 pi / 200)
    {0xD5F778A2D530B6E1ull, 64},  // cos(37 pi / 200)
    {0xD3BB8D71AA884799ull, 64},  // cos(38 pi / 200)
    {0xD172428792764209ull, 64},  // cos(39 pi / 200)
    {0xCF1BBCDCBFA53E0Bull, 64},  // cos(40 pi / 200)
    {0xCCB8223F50A2B4D3ull, 64},  // cos(41 pi / 200)
    {0xCA479950EC8F8C8Bull, 64},  // cos(42 pi / 200)
    {0xC7CA498452742349ull, 64},  // cos(43 pi / 200)
    {0xC5405B1ADB5F4E62ull, 64},  // cos(44 pi / 200)
    {0xC2A9F721EF789887ull, 64},  // cos(45 pi / 200)
    {0xC00747706E2EDC51ull, 64},  // cos(46 pi / 200)
    {0xBD5876A409AD2919ull, 64},  // cos(47 pi / 200)
    {0xBA9DB01E95C0ADE4ull, 64},  // cos(48 pi / 200)
    {0xB7D720034A5B3125ull, 64},  // cos(49 pi / 200)
    {0xB504F333F9DE6484ull, 64},  // cos(50 pi / 200)
    {0xB227574E3B5D2933ull, 64},  // cos(51 pi / 200)
    {0xAF3E7AA889009C3Aull, 64},  // cos(52 pi / 200)
    {0xAC4A8C4F52BF81D0ull, 64},  // cos(53 pi / 200)
    {0xA94BBC02059763A0ull, 64},  // cos(54 pi / 200)
    {0xA6423A3007776FD2ull, 64},  // cos(55 pi / 200)
    {0xA32E37F5A80DDD75ull, 64},  // cos(56 pi / 200)
    {0xA00FE71906A94E82ull, 64},  // cos(57 pi / 200)
    {0x9CE77A06ED60588Eull, 64},  // cos(58 pi / 200)
    {0x99B523CFA1B20A6Eull, 64},  // cos(59 pi / 200)
    {0x96791823AAD2EF6Eull, 64},  // cos(60 pi / 200)
    {0x93338B508DDAB7BBull, 64},  // cos(61 pi / 200)
    {0x8FE4B23D80075133ull, 64},  // cos(62 pi / 200)
    {0x8C8CC2680F4ADC3Dull, 64},  // cos(63 pi / 200)
    {0x892BF1E0C15A853Cull, 64},  // cos(64 pi / 200)
    {0x85C27747A974E4C3ull, 64},  // cos(65 pi / 200)
    {0x825089C8F5171EBEull, 64},  // cos(66 pi / 200)
    {0xFDACC232DFB116F9ull, 65},  // cos(67 pi / 200)
    {0xF6A86AE5FD4A8904ull, 65},  // cos(68 pi / 200)
    {0xEF947F222520F558ull, 65},  // cos(69 pi / 200)
    {0xE871715A26F00623ull, 65},  // cos(70 pi / 200)
    {0xE13FB4F5856618CAull, 65},  // cos(71 pi / 200)
    {0xD9FFBE492C0CDE77ull, 65},  // cos(72 pi / 200)
    {0xD2B202901633113Full, 65},  // cos(73 pi / 200)
    {0xCB56F7E3E74E0F0Cull, 65},  // cos(74 pi / 200)
    {0xC3EF1535754B168Dull, 65},  // cos(75 pi / 200)
    {0xBC7AD2454548C5C0ull, 65},  // cos(76 pi / 200)
    {0xB4FAA79BFB325589ull, 65},  // cos(77 pi / 200)
    {0xAD6F0E82BCB6E1D7ull, 65},  // cos(78 pi / 200)
    {0xA5D880FB8817DA52ull, 65},  // cos(79 pi / 200)
    {0x9E3779B97F4A7C16ull, 65},  // cos(80 pi / 200)
    {0x968C741927E8F1D2ull, 65},  // cos(81 pi / 200)
    {0x8ED7EC18A0706CA3ull, 65},  // cos(82 pi / 200)
    {0x871A5E4FCB4A34D7ull, 65},  // cos(83 pi / 200)
    {0xFEA88FD0E03CAE19ull, 66},  // cos(84 pi / 200)
    {0xEF0C4D2CA7DE5DEFull, 66},  // cos(85 pi / 200)
    {0xDF60F11E90FB4C77ull, 66},  // cos(86 pi / 200)
    {0xCFA7790666ED1564ull, 66},  // cos(87 pi / 200)
    {0xBFE0E3281BD3C886ull, 66},  // cos(88 pi / 200)
    {0xB00E2E9BB91B5E53ull, 66},  // cos(89 pi / 200)
    {0xA0305B3D429BA804ull, 66},  // cos(90 pi / 200)
    {0x9048699C8D574696ull, 66},  // cos(91 pi / 200)
    {0x80575AED0ADEFC44ull, 66},  // cos(92 pi / 200)
    {0xE0BC61EB14BEC719ull, 67},  // cos(93 pi / 200)
    {0xC0BBDBFFE0BF7C3Aull, 67},  // cos(94 pi / 200)
    {0xA0AF2991CC7248D8ull, 67},  // cos(95 pi / 200)
    {0x809850DF049BC944ull, 67},  // cos(96 pi / 200)
    {0xC0F2B193A8255314ull, 68},  // cos(97 pi / 200)
    {0x80A8916FBAC30233ull, 68},  // cos(98 pi / 200)
    {0x80ACA1C5307378F6ull, 69},  // cos(99 pi / 200)
    {0x0000000000000000ull, 0},  // cos(100 pi / 200)
};

// Every value of the table is a whole multiple of 2^-kFractionBits.
constexpr int kFractionBits = 70;

// A signed 128-bit integer in two's complement, from two 64-bit halves, so
// that the same code runs where the compiler has no 128-bit type (i686).
struct Wide {
  std::uint64_t lo = 0;
  std::uint64_t hi = 0;

  Wide& operator+=(const Wide& o) {
    const std::uint64_t sum = lo + o.lo;
    hi += o.hi + (sum < lo ? 1 : 0);
    lo = sum;
    return *this;
  }
  Wide Negated() const {
    Wide r{~lo, ~hi};
    r += Wide{1, 0};
    return r;
  }
  bool Negative() const { return (hi >> 63) != 0; }
};

// |a| * significand, shifted left by `shift` (0..7): at most 2^31 * 2^64 * 2^7.
Wide ProductMagnitude(std::uint32_t a, std::uint64_t significand, int shift) {
  const std::uint64_t low = (significand & 0xFFFFFFFFu) * a;
  const std::uint64_t high = (significand >> 32) * a;
  Wide r;
  r.lo = low + (high << 32);
  r.hi = (high >> 32) + (r.lo < low ? 1 : 0);
  if (shift > 0) {
    r.hi = (r.hi << shift) | (r.lo >> (64 - shift));
    r.lo <<= shift;
  }
  return r;
}

// a * v * 2^kFractionBits, exactly.
Wide Scaled(std::int32_t a, const AngleValue& v) {
  if (v.significand == 0 || a == 0) return Wide{};
  const std::uint32_t magnitude = a < 0 ? 0u - static_cast<std::uint32_t>(a) : static_cast<std::uint32_t>(a);
  const Wide p = ProductMagnitude(magnitude, v.significand, kFractionBits - v.scale);
  return (a < 0) != v.negative ? p.Negated() : p;
}

}  // namespace

long double AngleValue::ToLongDouble() const {
  const long double v = std::ldexp(static_cast<long double>(significand), -scale);
  return negative ? -v : v;
}

AngleCosSin CosSinOfSteps(std::int32_t steps) {
  // Into one turn, then into the first quadrant: with q quarter turns and
  // r steps, cos and sin come from cos(r) and sin(r) = cos(100 - r).
  std::int32_t s = steps % (2 * kHalfTurnSteps);
  if (s < 0) s += 2 * kHalfTurnSteps;
  const std::int32_t quarter = s / (kHalfTurnSteps / 2), r = s % (kHalfTurnSteps / 2);
  const TableEntry& c = kCosines[r];
  const TableEntry& n = kCosines[kHalfTurnSteps / 2 - r];
  const AngleValue cosR{c.significand, c.scale, false};
  const AngleValue sinR{n.significand, n.scale, false};
  switch (quarter) {
    case 0: return {cosR, sinR};
    case 1: return {-sinR, cosR};
    case 2: return {-cosR, -sinR};
    default: return {sinR, -cosR};
  }
}

std::int64_t NearestOfSum(std::int32_t a, const AngleValue& x, std::int32_t b, const AngleValue& y) {
  Wide sum = Scaled(a, x);
  sum += Scaled(b, y);
  // floor(sum / 2^70) and the rest 0 <= rest < 2^70; the sum is below 2^104
  // in magnitude, so the quotient fits 64 bits.
  constexpr int kHighBits = kFractionBits - 64;
  const std::int64_t floor = static_cast<std::int64_t>(sum.hi) >> kHighBits;
  const std::uint64_t restHigh = sum.hi & ((std::uint64_t{1} << kHighBits) - 1);
  // Compare the rest with one half: 2^69, i.e. restHigh = 2^5, lo = 0.
  constexpr std::uint64_t kHalfHigh = std::uint64_t{1} << (kHighBits - 1);
  const bool above = restHigh > kHalfHigh || (restHigh == kHalfHigh && sum.lo > 0);
  const bool half = restHigh == kHalfHigh && sum.lo == 0;
  if (above || (half && (floor & 1) != 0)) return floor + 1;
  return floor;
}

std::int64_t FixedPoint(const AngleValue& v, int bits) {
  if (v.significand == 0) return 0;
  const int shift = v.scale - bits;  // value * 2^bits = significand * 2^-shift
  std::uint64_t m;
  if (shift <= 0) {
    m = v.significand << -shift;
  } else if (shift >= 64) {
    m = shift == 64 ? (v.significand >> 63) : 0;
  } else {
    m = (v.significand >> shift) + ((v.significand >> (shift - 1)) & 1);
  }
  const auto r = static_cast<std::int64_t>(m);
  return v.negative ? -r : r;
}

}  // namespace kestro
