// The old ZIP methods (shrunk, reduced, imploded): archives of every kind of
// content read back through the reader, streams cut in chunks of any size,
// and damaged or hostile streams that must fail their entry and nothing more.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "common/paths.h"
#include "payload/legacy_encoders.h"
#include "payload/legacy_memory.h"
#include "payload/zip_builder.h"
#include "payload/zip_reader.h"
#include "platform/headless/headless_system.h"

namespace kestro {
namespace {

namespace fs = std::filesystem;
using testzip::BitWriter;
using testzip::DecodeLegacy;
using testzip::LegacyMethod;

// Contents of every compressibility, each reaching a different corner: long
// strings and a full LZW table, the DLE byte, zeros before the start.
std::vector<std::pair<std::string, std::string>> Contents() {
  std::mt19937 gen(1);
  auto noise = [&](std::size_t n) {
    std::string s(n, '\0');
    for (char& c : s) c = static_cast<char>(gen() & 0xFF);
    return s;
  };
  std::string text;
  static const char* const kWords[] = {"slide ", "picture ", "effect ", "music ", "caption\r\n", "the "};
  while (text.size() < 300000) text += kWords[gen() % 6];
  std::string runs;
  while (runs.size() < 200000) runs += std::string(1 + gen() % 3000, static_cast<char>(gen() & 0xFF));
  std::string dle;
  for (int i = 0; i < 20000; ++i) dle += (gen() % 3 == 0) ? std::string(1 + gen() % 8, '\x90') : noise(1 + gen() % 4);
  return {
      {"empty.bin", ""},
      {"one.bin", "Q"},
      {"noise.bin", noise(150000)},  // many partial clears in shrink
      {"text.txt", text},
      {"runs.bin", runs},
      {"zeros.bin", std::string(1 << 20, '\0')},  // starts with zeros: repeats reach before the start
      {"dle.bin", dle},
      {"aaaa.txt", std::string(70000, 'a')},  // LZW codes used as they are made
  };
}

class LegacyMethodTest : public ::testing::TestWithParam<LegacyMethod> {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() / ("kestro_legacy_test_" + std::to_string(std::random_device{}()));
    fs::create_directories(root_);
    platform::InstallSystem(&sys_);
  }
  void TearDown() override {
    platform::InstallSystem(nullptr);
    std::error_code ec;
    fs::remove_all(root_, ec);
  }

  testzip::Entry Entry(const std::string& name, const std::string& data) const {
    return {.name = name, .data = data, .method = GetParam().method, .flags = GetParam().flags,
            .compressed = testzip::Compress(GetParam(), data)};
  }

  int Extract(const std::string& bytes) {
    const fs::path archive = root_ / "test.zip";
    std::ofstream(archive, std::ios::binary | std::ios::trunc) << bytes;
    TVCLUnZip zip;
    zip.SetZipName(archive.string());
    zip.DoAll = true;
    zip.SetDestDir((root_ / "out").string());
    zip.OverwriteMode = TOverwriteMode::Always;
    return zip.UnZip();
  }

  std::optional<std::string> ReadOut(const std::string& name) const {
    std::ifstream in(root_ / "out" / name, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
  }

  fs::path root_;
  platform::HeadlessSystem sys_;
};

TEST_P(LegacyMethodTest, EveryKindOfContentComesBackThroughTheReader) {
  std::vector<testzip::Entry> entries;
  const auto contents = Contents();
  for (const auto& [name, data] : contents) entries.push_back(Entry(name, data));
  ASSERT_EQ(Extract(testzip::Build(entries)), static_cast<int>(entries.size()));
  for (const auto& [name, data] : contents) EXPECT_EQ(ReadOut(name), data) << name;
  EXPECT_TRUE(sys_.messages.empty());
}

TEST_P(LegacyMethodTest, ChunksOfAnySizeDecodeAlike) {
  const std::string data = Contents()[3].second.substr(0, 40000) + Contents()[2].second.substr(0, 20000);
  const std::string packed = testzip::Compress(GetParam(), data);
  for (std::size_t chunk : {1, 3, 8, 4099}) {
    const testzip::Decoded d = DecodeLegacy(GetParam().method, GetParam().flags, packed,
                                            static_cast<std::uint32_t>(data.size()), chunk);
    EXPECT_TRUE(d.ok) << chunk;
    EXPECT_EQ(d.bytes, data) << chunk;
  }
}

TEST_P(LegacyMethodTest, WrongSizesCutDataAndAWrongCrcFailTheEntryOnly) {
  const std::string data = Contents()[3].second.substr(0, 100000);
  const testzip::Entry good = Entry("x.txt", data);
  const auto csize = static_cast<std::uint32_t>(good.compressed->size());
  const auto usize = static_cast<std::uint32_t>(data.size());
  std::vector<testzip::Entry> entries;
  auto add = [&](const std::string& name, auto change) {
    testzip::Entry e = good;
    e.name = name;
    change(e);
    entries.push_back(e);
  };
  add("smaller.txt", [&](testzip::Entry& e) { e.uncompressedSize = usize - 1; });
  add("larger.txt", [&](testzip::Entry& e) { e.uncompressedSize = usize + 1; });
  add("cut.txt", [&](testzip::Entry& e) { e.compressedSize = csize / 2; });
  add("crc.txt", [&](testzip::Entry& e) { e.crc = testzip::Crc(data) ^ 1; });
  add("ok.txt", [](testzip::Entry&) {});
  // Shrunk data ends with its last code: like a Deflate stream, it may
  // stop short of the declared size when the CRC agrees. The others have
  // no end mark and must make the declared size.
  const bool endMark = GetParam().method == 1;
  EXPECT_EQ(Extract(testzip::Build(entries)), endMark ? 2 : 1);
  EXPECT_EQ(ReadOut("ok.txt"), data);
  EXPECT_EQ(ReadOut("larger.txt").has_value(), endMark);
  for (const char* name : {"smaller.txt", "cut.txt", "crc.txt"}) EXPECT_FALSE(ReadOut(name)) << name;
  EXPECT_TRUE(sys_.messages.empty());
}

TEST_P(LegacyMethodTest, GarbageEndsCleanlyWithinTheDeclaredSize) {
  std::mt19937 gen(GetParam().method * 16 + GetParam().flags);
  for (int round = 0; round < 300; ++round) {
    std::string junk(1 + gen() % 3000, '\0');
    for (char& c : junk) c = static_cast<char>(gen() & 0xFF);
    const std::uint32_t size = gen() % 200000;
    const testzip::Decoded d = DecodeLegacy(GetParam().method, GetParam().flags, junk, size, 1 + gen() % 50, false);
    EXPECT_LE(d.count, size);
    // Without an end mark, success means exactly the declared size.
    if (d.ok && GetParam().method != 1) {
      EXPECT_EQ(d.count, size);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Ways, LegacyMethodTest, ::testing::ValuesIn(testzip::kLegacyMethods),
                         [](const auto& info) { return std::string(info.param.name); });

// Shrunk streams written code by code: `codes` are (value, bits) pairs.
std::string Codes(std::initializer_list<std::pair<std::uint32_t, unsigned>> codes) {
  BitWriter w;
  for (const auto& [value, bits] : codes) w.Put(value, bits);
  return w.Finish();
}

TEST(Unshrink, CodesNotYetDefinedAndBadControlCodesAreBroken) {
  // 257 is the code 'a' + 'a' is about to get: "aaa".
  EXPECT_EQ(DecodeLegacy(1, 0, Codes({{'a', 9}, {257, 9}}), 100).bytes, "aaa");
  EXPECT_FALSE(DecodeLegacy(1, 0, Codes({{'a', 9}, {258, 9}}), 100).ok);   // beyond it
  EXPECT_FALSE(DecodeLegacy(1, 0, Codes({{300, 9}}), 100).ok);             // nothing before it
  EXPECT_FALSE(DecodeLegacy(1, 0, Codes({{'a', 9}, {256, 9}, {3, 9}}), 100).ok);  // no such control
  EXPECT_FALSE(DecodeLegacy(1, 0, Codes({{'a', 9}, {256, 9}}), 100).ok);   // control cut off
  // Codes grow to 13 bits and no further.
  EXPECT_TRUE(DecodeLegacy(1, 0, Codes({{256, 9}, {1, 9}, {256, 10}, {1, 10}, {256, 11}, {1, 11}, {256, 12}, {1, 12},
                                        {'z', 13}}), 100).ok);
  EXPECT_FALSE(DecodeLegacy(1, 0, Codes({{256, 9}, {1, 9}, {256, 10}, {1, 10}, {256, 11}, {1, 11}, {256, 12}, {1, 12},
                                         {256, 13}, {1, 13}, {'z', 13}}), 100).ok);
}

TEST(Unshrink, AStringMadeOnADroppedCodeIsBrokenAndCodesStayInStep) {
  // a, b, 257 make 257 = ab and 258 = ba; the partial clear drops both
  // leaves, among them 257, the last code read. The string made on the next
  // code (257 + c) takes code 257 itself and names nothing.
  EXPECT_FALSE(DecodeLegacy(1, 0, Codes({{'a', 9}, {'b', 9}, {257, 9}, {256, 9}, {2, 9}, {'c', 9}, {257, 9}}), 100).ok);
  // Unused, it still holds its code: c + b takes 258.
  EXPECT_EQ(DecodeLegacy(1, 0, Codes({{'a', 9}, {'b', 9}, {257, 9}, {256, 9}, {2, 9}, {'c', 9}, {'b', 9}, {258, 9}}), 100).bytes,
            "ababcbcb");
  // A literal as the last code is never dropped: b + c takes 257.
  EXPECT_EQ(DecodeLegacy(1, 0, Codes({{'a', 9}, {'b', 9}, {256, 9}, {2, 9}, {'c', 9}, {257, 9}}), 100).bytes, "abcbc");
}

TEST(Unshrink, AFullTableMakesNoMoreStrings) {
  // 8,000 literals fill every code from 257 with "xx"; after that nothing
  // is made and 8191 still reads as "xx".
  std::vector<std::pair<std::uint32_t, unsigned>> codes;
  for (unsigned bits = 9; bits < 13; ++bits) {
    codes.push_back({256, bits});
    codes.push_back({1, bits});
  }
  BitWriter w;
  for (const auto& [value, bits] : codes) w.Put(value, bits);
  for (int i = 0; i < 8000; ++i) w.Put('x', 13);
  w.Put(8191, 13);
  const testzip::Decoded d = DecodeLegacy(1, 0, w.Finish(), 9000);
  EXPECT_TRUE(d.ok);
  EXPECT_EQ(d.bytes, std::string(8002, 'x'));
}

// A reduced stream with no follower sets: the bytes of the stream as they are.
std::string PlainReduced(std::initializer_list<unsigned> bytes) {
  BitWriter w;
  for (int j = 0; j < 256; ++j) w.Put(0, 6);
  for (unsigned b : bytes) w.Put(b, 8);
  return w.Finish();
}

TEST(Unreduce, RepeatsReachZerosBeforeTheStartAndDleStandsForItself) {
  // Factor 1: V = 0x82 is length 2 + 3 from (1 * 256 + 0xFF + 1) = 512 back.
  EXPECT_EQ(DecodeLegacy(2, 0, PlainReduced({'A', 144, 0x82, 0xFF}), 6).bytes, std::string("A\0\0\0\0\0", 6));
  EXPECT_EQ(DecodeLegacy(2, 0, PlainReduced({'A', 144, 0, 'B'}), 3).bytes, "A\x90" "B");
  // Factor 4: length 15 takes a further byte; distance (0xF * 256 + 0xFF + 1) = 4096.
  const testzip::Decoded far = DecodeLegacy(5, 0, PlainReduced({'x', 144, 0xFF, 10, 0xFF}), 29);
  EXPECT_TRUE(far.ok);
  EXPECT_EQ(far.bytes, "x" + std::string(28, '\0'));
  // Data that ends before the declared size.
  EXPECT_FALSE(DecodeLegacy(2, 0, PlainReduced({'A', 'B'}), 3).ok);
  // A repeat that overshoots the declared size.
  EXPECT_TRUE(DecodeLegacy(2, 0, PlainReduced({'A', 144, 0x82, 0xFF}), 4).overflow);
}

TEST(Unreduce, FollowerSetsTooLargeOrIndexedPastTheirEndAreBroken) {
  BitWriter big;
  big.Put(33, 6);  // byte 255's set: 33 followers
  for (int i = 0; i < 33; ++i) big.Put(i, 8);
  for (int j = 0; j < 255; ++j) big.Put(0, 6);
  EXPECT_FALSE(DecodeLegacy(2, 0, big.Finish(), 1).ok);

  // Byte 0 (where the stream starts) follows with 'a' or 'b': one index bit.
  auto stream = [](unsigned count, unsigned index) {
    BitWriter w;
    for (int j = 255; j > 0; --j) w.Put(0, 6);
    w.Put(count, 6);
    w.Put('a', 8);
    if (count > 1) w.Put('b', 8);
    w.Put(0, 1);  // from the set
    w.Put(index, 1);
    return w.Finish();
  };
  EXPECT_EQ(DecodeLegacy(2, 0, stream(2, 1), 1).bytes, "b");
  EXPECT_EQ(DecodeLegacy(2, 0, stream(1, 0), 1).bytes, "a");  // one follower still takes a bit
  EXPECT_FALSE(DecodeLegacy(2, 0, stream(1, 1), 1).ok);
}

// An imploded stream of two trees whose lengths come as the given runs
// (count, length), then `tail` bits.
std::string Imploded(const std::vector<std::pair<unsigned, unsigned>>& lengthRuns,
                     const std::vector<std::pair<unsigned, unsigned>>& distanceRuns,
                     std::initializer_list<std::pair<std::uint32_t, unsigned>> tail) {
  BitWriter w;
  for (const auto* runs : {&lengthRuns, &distanceRuns}) {
    w.Put(static_cast<std::uint32_t>(runs->size() - 1), 8);
    for (const auto& [count, length] : *runs) w.Put(((count - 1) << 4) | (length - 1), 8);
  }
  for (const auto& [value, bits] : tail) w.Put(value, bits);
  return w.Finish();
}

TEST(Explode, TreesThatAreNoTreeAreBroken) {
  const std::vector<std::pair<unsigned, unsigned>> six(4, {16, 6});  // 64 values of 6 bits: a tree
  EXPECT_TRUE(DecodeLegacy(6, 0, Imploded(six, six, {{1, 1}, {'k', 8}}), 1).ok);
  const std::vector<std::pair<unsigned, unsigned>> five(4, {16, 5});  // twice the code space
  const std::vector<std::pair<unsigned, unsigned>> seven(4, {16, 7}); // half of it
  const std::vector<std::pair<unsigned, unsigned>> short63 = {{16, 6}, {16, 6}, {16, 6}, {15, 6}};
  const std::vector<std::pair<unsigned, unsigned>> long65 = {{16, 6}, {16, 6}, {16, 6}, {16, 6}, {1, 6}};
  for (const auto& bad : {five, seven, short63, long65}) {
    EXPECT_FALSE(DecodeLegacy(6, 0, Imploded(bad, six, {{1, 1}, {'k', 8}}), 1).ok);
    EXPECT_FALSE(DecodeLegacy(6, 0, Imploded(six, bad, {{1, 1}, {'k', 8}}), 1).ok);
  }
}

TEST(Explode, RepeatsReachZerosBeforeTheStartAndDataMustLastToTheSize) {
  // Every length and distance has a 6-bit code; value v is sent as the
  // code 63 - v from its highest bit (the longest-first numbering).
  const std::vector<std::pair<unsigned, unsigned>> six(4, {16, 6});
  auto code = [](unsigned v) {
    std::uint32_t sent = 0;
    for (unsigned b = 0; b < 6; ++b) sent |= (((63 - v) >> (5 - b)) & 1u) << b;
    return std::pair<std::uint32_t, unsigned>{sent, 6};
  };
  // 'k', then a repeat of 2 + 5 bytes from (1 << 6 | 63) + 1 = 128 back.
  const std::string stream = Imploded(six, six, {{1, 1}, {'k', 8}, {0, 1}, {63, 6}, code(1), code(5)});
  const testzip::Decoded d = DecodeLegacy(6, 0, stream, 8);
  EXPECT_TRUE(d.ok);
  EXPECT_EQ(d.bytes, std::string("k\0\0\0\0\0\0\0", 8));
  EXPECT_FALSE(DecodeLegacy(6, 0, stream, 9).ok);           // the data ends first
  EXPECT_TRUE(DecodeLegacy(6, 0, stream, 5).overflow);      // the repeat goes past the size
  // Length value 63 takes a further byte: 2 + 63 + 200 bytes.
  const std::string longest = Imploded(six, six, {{0, 1}, {0, 6}, code(0), code(63), {200, 8}});
  EXPECT_EQ(DecodeLegacy(6, 0, longest, 265).bytes, std::string(265, '\0'));
}

}  // namespace
}  // namespace kestro
