#include "payload/zip_reader.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "common/paths.h"
#include "platform/api/files.h"
#include "platform/headless/headless_system.h"
#include "zip_builder.h"

namespace kestro {
namespace {

namespace fs = std::filesystem;
using testzip::DosTime;
using testzip::Entry;

std::string Noise(std::size_t size, std::uint32_t seed) {
  std::mt19937 gen(seed);
  std::string s(size, '\0');
  for (char& c : s) c = static_cast<char>(gen() & 0xFF);
  return s;
}

std::string Text(std::size_t size, std::uint32_t seed) {
  static const char* const kWords[] = {"slide ", "picture ", "effect ", "music ", "caption\n", "the "};
  std::mt19937 gen(seed);
  std::string s;
  while (s.size() < size) s += kWords[gen() % 6];
  s.resize(size);
  return s;
}

TEST(ZipDosDateTime, EachFieldOutOfRangeIsClampedOnItsOwn) {
  const std::uint32_t valid = DosTime(2021, 6, 15, 12, 30, 20);
  EXPECT_EQ(SanitizeDosDateTime(valid), valid);
  // 30 February 2107 25:61:62 (the year field holds at most 2107) -> 30 February 2099 23:59:58.
  const std::uint32_t wild = (127u << 25) | (2u << 21) | (30u << 16) | (25u << 11) | (61u << 5) | 31u;
  EXPECT_EQ(SanitizeDosDateTime(wild), (119u << 25) | (2u << 21) | (30u << 16) | (23u << 11) | (59u << 5) | 29u);
  // Day 0 and month 0 become 1; month 13 becomes 12; the rest stays.
  EXPECT_EQ(SanitizeDosDateTime((41u << 25) | (0u << 21) | (0u << 16) | (7u << 11)),
            (41u << 25) | (1u << 21) | (1u << 16) | (7u << 11));
  EXPECT_EQ(SanitizeDosDateTime((41u << 25) | (13u << 21) | (5u << 16)), (41u << 25) | (12u << 21) | (5u << 16));
}

TEST(ZipCrc, IsTheZipCrcAndContinues) {
  EXPECT_EQ(ZipCrc32(0, "123456789", 9), 0xCBF43926u);
  EXPECT_EQ(ZipCrc32(ZipCrc32(0, "1234", 4), "56789", 5), 0xCBF43926u);
}

class ZipReaderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() / ("kestro_zip_test_" + std::to_string(std::random_device{}()));
    fs::create_directories(root_);
    dest_ = (root_ / "out" / "deeper").string();
    platform::InstallSystem(&sys_);
  }

  void TearDown() override {
    platform::InstallSystem(nullptr);
    std::error_code ec;
    for (const auto& item : fs::recursive_directory_iterator(root_, ec)) {
      fs::permissions(item.path(), fs::perms::owner_all, fs::perm_options::add, ec);
    }
    fs::remove_all(root_, ec);
  }

  std::string WriteArchive(const std::string& bytes, const std::string& name = "test.zip") {
    const std::string path = (root_ / name).string();
    std::ofstream(path, std::ios::binary | std::ios::trunc).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return path;
  }

  int Extract(const std::string& archive) {
    zip_.SetZipName(archive);
    zip_.DoAll = true;
    zip_.SetDestDir(dest_);
    zip_.OverwriteMode = TOverwriteMode::Always;
    return zip_.UnZip();
  }

  int ExtractBytes(const std::string& bytes, const std::string& name = "test.zip") {
    return Extract(WriteArchive(bytes, name));
  }

  std::string Out(const std::string& name) const { return dest_ + kPathSep + name; }

  std::optional<std::string> ReadOut(const std::string& name) const {
    std::ifstream in(Out(name), std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
  }

  std::vector<std::string> OutFiles() const {
    std::vector<std::string> names;
    if (!fs::exists(dest_)) return names;
    for (const auto& item : fs::directory_iterator(dest_)) names.push_back(item.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  fs::path root_;
  std::string dest_;
  platform::HeadlessSystem sys_;
  TVCLUnZip zip_;
};

TEST_F(ZipReaderTest, ExtractsStoredAndDeflatedEntriesFlatWithTheirDates) {
  const std::uint32_t when = DosTime(2019, 3, 4, 5, 6, 8);
  Entry stored{.name = "readme.txt", .data = "stored bytes", .method = 0, .dosTime = when};
  Entry deflated{.name = "pics/a.jpg", .data = Text(100000, 1)};
  Entry folder{.name = "pics/", .data = "", .method = 0};
  const int count = ExtractBytes(testzip::Build({folder, stored, deflated}));

  EXPECT_EQ(count, 3);  // the folder entry counts
  EXPECT_EQ(ReadOut("readme.txt"), "stored bytes");
  EXPECT_EQ(ReadOut("a.jpg"), deflated.data);
  EXPECT_EQ(OutFiles(), (std::vector<std::string>{"a.jpg", "readme.txt"}));  // no "pics" folder
  EXPECT_EQ(platform::Files().GetDosDateTime(Out("readme.txt")), when);
  EXPECT_EQ(zip_.Count(), 3);
  EXPECT_EQ(zip_.Entry(2).Path, "pics\\");
  EXPECT_EQ(zip_.Entry(2).FileName, "a.jpg");
  EXPECT_EQ(sys_.busyCursorDepth, 0);
  EXPECT_TRUE(sys_.messages.empty());
}

TEST_F(ZipReaderTest, EndRecordIsFoundBehindTheLongestCommentOnly) {
  const std::string zip = testzip::Build({{.name = "a.txt", .data = "abc"}}, std::string(65535, 'c'));
  EXPECT_EQ(ExtractBytes(zip), 1);
  EXPECT_EQ(zip_.EndCentral().CommentLength, 65535);
  EXPECT_EQ(zip_.EndCentral().CommentPosition, zip.size() - 65535);

  // One byte more between the record and the end of the file puts it out of reach.
  const std::string far = WriteArchive(zip + "x", "far.zip");
  try {
    Extract(far);
    FAIL() << "no error";
  } catch (const EIncompleteZip& e) {
    EXPECT_EQ(e.Message(), "Incomplete Zip File");
  }
  EXPECT_EQ(sys_.busyCursorDepth, 0);
  zip_.IncompleteZipMode = TIncompleteZipMode::izAssumeNotAZip;
  EXPECT_THROW(Extract(far), ENotAZipFile);
  zip_.IncompleteZipMode = TIncompleteZipMode::izAssumeBad;
  try {
    Extract(far);
    FAIL() << "no error";
  } catch (const EBadZipFile& e) {
    EXPECT_EQ(e.Message(), "Not a valid zip file!");
  }
}

TEST_F(ZipReaderTest, EmptyFileIsAnArchiveWithoutEntriesButAShortOneIsNot) {
  EXPECT_EQ(ExtractBytes(""), 0);
  EXPECT_EQ(zip_.Count(), 0);
  EXPECT_THROW(ExtractBytes(std::string(21, '\0'), "short.zip"), EIncompleteZip);
}

TEST_F(ZipReaderTest, ImplausibleEndRecordsCountAsMissing) {
  testzip::Layout l;
  const std::string good = testzip::Build({{.name = "a.txt", .data = "abc"}}, "", &l);
  auto patched = [&](std::size_t at, std::uint32_t value, bool wide) {
    std::string z = good;
    if (wide) testzip::Put32(z, l.end + at, value); else testzip::Put16(z, l.end + at, static_cast<std::uint16_t>(value));
    return z;
  };
  EXPECT_THROW(ExtractBytes(patched(4, 1000, false), "d1.zip"), EIncompleteZip);  // this disk > 999
  EXPECT_THROW(ExtractBytes(patched(6, 1000, false), "d2.zip"), EIncompleteZip);  // central disk > 999
  std::string below = patched(6, 2, false);
  testzip::Put16(below, l.end + 4, 1);
  EXPECT_THROW(ExtractBytes(below, "d3.zip"), EIncompleteZip);  // this disk below the central disk
  EXPECT_THROW(ExtractBytes(patched(16, 0x80000000u, true), "d4.zip"), EIncompleteZip);
  // Last part of a split set: read as incomplete, nothing written.
  std::string split = patched(4, 1, false);
  testzip::Put16(split, l.end + 6, 1);
  EXPECT_THROW(ExtractBytes(split, "d5.zip"), EIncompleteZip);
  EXPECT_TRUE(OutFiles().empty());
}

TEST_F(ZipReaderTest, LaterEntryOfTheSameNameReplacesTheEarlier) {
  EXPECT_EQ(ExtractBytes(testzip::Build({{.name = "a/x.txt", .data = "first"}, {.name = "b/x.txt", .data = "second"}})), 2);
  EXPECT_EQ(ReadOut("x.txt"), "second");
}

TEST_F(ZipReaderTest, CrcMismatchDeletesOnlyThatEntry) {
  const int count = ExtractBytes(testzip::Build({{.name = "bad.txt", .data = "payload", .method = 0, .crc = 1234},
                                                 {.name = "good.txt", .data = "fine"}}));
  EXPECT_EQ(count, 1);
  EXPECT_FALSE(ReadOut("bad.txt"));
  EXPECT_EQ(ReadOut("good.txt"), "fine");
  EXPECT_TRUE(sys_.messages.empty());
}

TEST_F(ZipReaderTest, ReadOnlyEntryIsKeptReadOnlyAndSkippedSilentlyTheSecondTime) {
  const std::string zip = WriteArchive(testzip::Build(
      {{.name = "locked.txt", .data = "v1", .externalAttributes = 0x21},
       // Unix mode bits (r--r--r--) in the high half do not make a file read-only.
       {.name = "unix.txt", .data = "u", .versionMadeBy = 0x0314, .externalAttributes = (0100444u << 16) | 0x20}}));
  EXPECT_EQ(Extract(zip), 2);
  EXPECT_TRUE(*platform::Files().GetAttributes(Out("locked.txt")) & platform::kAttrReadOnly);
  EXPECT_FALSE(*platform::Files().GetAttributes(Out("unix.txt")) & platform::kAttrReadOnly);

  EXPECT_EQ(Extract(zip), 1);
  EXPECT_EQ(ReadOut("locked.txt"), "v1");
  EXPECT_TRUE(sys_.messages.empty());
}

TEST_F(ZipReaderTest, WildDateIsClampedBeforeItIsUsed) {
  const std::uint32_t wild = (127u << 25) | (2u << 21) | (30u << 16) | (25u << 11) | (61u << 5) | 31u;
  EXPECT_EQ(ExtractBytes(testzip::Build({{.name = "d.txt", .data = "x", .dosTime = wild}})), 1);
  EXPECT_EQ(zip_.Entry(0).DateTime, SanitizeDosDateTime(wild));
  EXPECT_EQ(zip_.Entry(0).DateTime >> 25, 119u);
  EXPECT_EQ((zip_.Entry(0).DateTime >> 16) & 0x1F, 30u);
}

TEST_F(ZipReaderTest, DataCutShortStopsTheExtractionAndLeavesThePartialFile) {
  const std::string big = Noise(100000, 7);
  const std::string zip = testzip::Build(
      {{.name = "cut.bin", .data = big, .method = 0, .compressedSize = 5000000, .uncompressedSize = 5000000},
       {.name = "after.txt", .data = "later"}});
  try {
    ExtractBytes(zip);
    FAIL() << "no error";
  } catch (const EFatalUnzipError& e) {
    EXPECT_EQ(e.Message(), "Premature end of file reached");
  }
  ASSERT_TRUE(ReadOut("cut.bin"));
  EXPECT_EQ(ReadOut("cut.bin")->substr(0, 1000), big.substr(0, 1000));
  EXPECT_FALSE(ReadOut("after.txt"));
}

TEST_F(ZipReaderTest, OutputBeyondTheDeclaredSizeFailsTheEntryOnly) {
  const int count = ExtractBytes(testzip::Build(
      {{.name = "stored.bin", .data = std::string(100, 's'), .method = 0, .uncompressedSize = 50},
       // 20 MB of zeros deflate to a few KB: the declared 1000 bytes stop it.
       {.name = "bomb.bin", .data = std::string(20 << 20, '\0'), .uncompressedSize = 1000},
       {.name = "ok.txt", .data = "ok"}}));
  EXPECT_EQ(count, 1);
  EXPECT_EQ(OutFiles(), std::vector<std::string>{"ok.txt"});
  EXPECT_TRUE(sys_.messages.empty());
}

TEST_F(ZipReaderTest, EncryptedAndUnknownMethodEntriesAreNotExtracted) {
  const int count = ExtractBytes(testzip::Build({{.name = "secret.txt", .data = "xx", .flags = 1},
                                                 {.name = "bzip.bin", .data = "zz", .method = 12},
                                                 {.name = "deflate64.bin", .data = "zz", .method = 9},
                                                 {.name = "plain.txt", .data = "p"}}));
  EXPECT_EQ(count, 1);
  EXPECT_EQ(OutFiles(), std::vector<std::string>{"plain.txt"});
  ASSERT_EQ(sys_.messages.size(), 2u);  // none for the encrypted entry
  for (const auto& m : sys_.messages) {
    EXPECT_EQ(m.text, "Unknown Compression Method");
    EXPECT_EQ(m.caption, "Zip Error");
  }
}

// Whether inflating `deflated`, handed over whole, into 32 KiB windows comes
// to a point where zlib has taken every input byte and filled the window but
// still holds output: the case a reader must inflate on for.
bool LeavesOutputInsideZlib(const std::string& deflated) {
  z_stream zs{};
  if (inflateInit2(&zs, -MAX_WBITS) != Z_OK) return false;
  std::vector<unsigned char> window(32768);
  zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(deflated.data()));
  zs.avail_in = static_cast<uInt>(deflated.size());
  bool found = false;
  int rc = Z_OK;
  while (rc == Z_OK && !found) {
    zs.next_out = window.data();
    zs.avail_out = static_cast<uInt>(window.size());
    rc = inflate(&zs, Z_NO_FLUSH);
    found = rc == Z_OK && zs.avail_in == 0 && zs.avail_out == 0;
  }
  inflateEnd(&zs);
  return found;
}

TEST_F(ZipReaderTest, OutputZlibStillHoldsAfterTheLastInputIsWritten) {
  // Zeros deflate about a thousand-fold; about one length in eighty ends its
  // one input chunk with more than a window of output left to come.
  std::string data;
  for (std::size_t length = 1u << 20; length < (1u << 20) + 400 * 4099 && data.empty(); length += 4099) {
    std::string candidate(length, '\0');
    if (LeavesOutputInsideZlib(testzip::RawDeflate(candidate))) data = std::move(candidate);
  }
  ASSERT_FALSE(data.empty()) << "no length leaves output inside zlib";
  ASSERT_LT(testzip::RawDeflate(data).size(), 32768u);  // one input chunk

  EXPECT_EQ(ExtractBytes(testzip::Build({{.name = "tall.txt", .data = data}})), 1);
  EXPECT_EQ(ReadOut("tall.txt"), data);
}

TEST_F(ZipReaderTest, EntriesReusingAnotherEntrysDataAreRefused) {
  // Ten directory entries, all pointing at the first one's local header:
  // a small archive that would otherwise write the same megabyte ten times.
  const std::string data(1 << 20, '\0');
  std::vector<Entry> entries;
  for (int i = 0; i < 10; ++i) entries.push_back({.name = "x" + std::to_string(i) + ".bin", .data = data});
  testzip::Layout layout;
  std::string zip = testzip::Build(entries, "", &layout);
  for (std::size_t i = 1; i < 10; ++i) testzip::Put32(zip, layout.central[i] + 42, static_cast<std::uint32_t>(layout.local[0]));
  EXPECT_EQ(ExtractBytes(zip), 1);
  EXPECT_EQ(OutFiles(), (std::vector<std::string>{"x0.bin"}));

  // Entries that only follow each other are all read.
  EXPECT_EQ(ExtractBytes(testzip::Build(entries), "plain.zip"), 10);
}

TEST_F(ZipReaderTest, BrokenDeflateDataFailsTheEntryOnly) {
  testzip::Layout l;
  std::string zip = testzip::Build({{.name = "garbage.bin", .data = std::string(6, '\xff'), .method = 0},
                                    {.name = "ends_early.txt", .data = Text(50000, 3)},
                                    {.name = "ok.txt", .data = "ok"}},
                                   "", &l);
  // The first entry's bytes, declared deflated, are no valid Deflate stream.
  testzip::Put16(zip, l.local[0] + 8, 8);
  testzip::Put16(zip, l.central[0] + 10, 8);
  // The second entry's compressed size loses its last bytes: the stream never ends.
  const auto csize = static_cast<std::uint32_t>(l.local[2] - l.local[1] - 30 - 14);
  testzip::Put32(zip, l.central[1] + 20, csize - 10);
  EXPECT_EQ(ExtractBytes(zip), 1);
  EXPECT_EQ(OutFiles(), std::vector<std::string>{"ok.txt"});
  EXPECT_TRUE(sys_.messages.empty());
}

TEST_F(ZipReaderTest, DeclaredButMissingExtraFieldIsRetriedOnce) {
  testzip::Layout l;
  const std::vector<Entry> entries = {{.name = "one.txt", .data = "1"}, {.name = "two.txt", .data = "2"}};
  std::string zip = testzip::Build(entries, "", &l);
  testzip::Put16(zip, l.central[0] + 30, 20);  // an extra field that is not there
  EXPECT_EQ(ExtractBytes(zip), 2);
  EXPECT_EQ(zip_.Entry(0).ExtraLength, 0);
  EXPECT_EQ(zip_.Entry(1).CentralHeaderOffset, l.central[1]);  // read from the central directory

  // When the retry fails too, the directory comes from the local headers.
  testzip::Put32(zip, l.central[1], 0x12345678);
  EXPECT_EQ(ExtractBytes(zip, "retry2.zip"), 2);
  EXPECT_EQ(zip_.Entry(1).CentralHeaderOffset, 0u);
  EXPECT_EQ(zip_.Entry(1).LocalHeaderOffset, l.local[1]);
}

TEST_F(ZipReaderTest, RecoveryScanRebuildsTheDirectoryFromLocalHeaders) {
  testzip::Layout l;
  const std::vector<Entry> entries = {{.name = "one.txt", .data = Text(3000, 1)},
                                      {.name = "two.txt", .data = "two", .method = 0},
                                      {.name = "three.txt", .data = "3", .dataDescriptor = true}};
  std::string zip = testzip::Build(entries, "", &l);
  testzip::Put32(zip, l.central[0], 0);  // first central header broken
  EXPECT_EQ(ExtractBytes(zip), 2);       // the descriptor entry has no sizes locally
  EXPECT_EQ(ReadOut("one.txt"), entries[0].data);
  EXPECT_EQ(ReadOut("two.txt"), "two");
  EXPECT_EQ(zip_.Count(), 3);

  // A signature whose version-needed high byte is 10 or more is passed over.
  std::string prefix(200, '\0');
  prefix.replace(10, 6, std::string("PK\x03\x04\x14\x0A", 6));
  EXPECT_EQ(ExtractBytes(prefix + zip, "prefixed.zip"), 2);
  EXPECT_EQ(zip_.Entry(0).LocalHeaderOffset, 200u);

  // Self-extracting archives: the first 14,000 bytes are not scanned.
  std::string stub(14000, '\0');
  stub.replace(100, 6, std::string("PK\x03\x04\x14\x00", 6));
  WriteArchive(stub + zip, "setup.EXE");
  zip_.SetZipName((root_ / "setup.EXE").string());
  zip_.ReadZip();
  EXPECT_EQ(zip_.Count(), 3);
  EXPECT_EQ(zip_.Entry(0).LocalHeaderOffset, 14000u);
  zip_.SetZipName(WriteArchive(stub + zip, "setup.bin"));
  zip_.ReadZip();
  EXPECT_EQ(zip_.Count(), 1);  // the match in the stub, an empty entry
  EXPECT_EQ(zip_.Entry(0).LocalHeaderOffset, 100u);
}

TEST_F(ZipReaderTest, RecoveryScanThatFindsNothingDropsTheDirectory) {
  testzip::Layout l;
  std::string zip = testzip::Build({{.name = "one.txt", .data = "1"}}, "", &l);
  testzip::Put32(zip, l.central[0], 0);
  zip[l.local[0] + 3] = 5;  // "PK\3\5"
  try {
    ExtractBytes(zip);
    FAIL() << "no error";
  } catch (const EBadZipFile& e) {
    EXPECT_EQ(e.Message(), "Not a valid zip file!");
  }
  EXPECT_EQ(zip_.Count(), 0);
  EXPECT_EQ(sys_.busyCursorDepth, 0);
}

TEST_F(ZipReaderTest, HostileNamesAreSkippedAndNothingLandsOutside) {
  std::vector<Entry> entries;
  for (const char* name : {"..", ".", "a:b", "x\x01y", "sub/..", "CON", "nul.txt", "tab\there"}) {
    entries.push_back({.name = name, .data = "bad", .method = 0});
  }
  entries.push_back({.name = "../../evil.txt", .data = "flat", .method = 0});
  entries.push_back({.name = "C:\\windows\\win.ini", .data = "flat too", .method = 0});
  entries.push_back({.name = "/etc/passwd.txt", .data = "rooted", .method = 0});
  EXPECT_EQ(ExtractBytes(testzip::Build(entries)), 3);
  EXPECT_EQ(OutFiles(), (std::vector<std::string>{"evil.txt", "passwd.txt", "win.ini"}));
  std::vector<std::string> top;
  for (const auto& item : fs::directory_iterator(root_)) top.push_back(item.path().filename().string());
  std::sort(top.begin(), top.end());
  EXPECT_EQ(top, (std::vector<std::string>{"out", "test.zip"}));
}

TEST_F(ZipReaderTest, HugeDeclaredCountsOffsetsAndSizesAreHarmless) {
  testzip::Layout l;
  const std::vector<Entry> entries = {{.name = "one.txt", .data = "1"}, {.name = "two.txt", .data = "2"}};
  const std::string good = testzip::Build(entries, "", &l);

  std::string many = good;  // 65,535 entries declared, two present
  testzip::Put16(many, l.end + 8, 0xFFFF);
  testzip::Put16(many, l.end + 10, 0xFFFF);
  EXPECT_EQ(ExtractBytes(many, "many.zip"), 2);

  std::string offset = good;  // central directory past the end of the file
  testzip::Put32(offset, l.end + 16, 0x7FFFFFFF);
  EXPECT_EQ(ExtractBytes(offset, "offset.zip"), 2);

  std::string local = good;  // one local header far outside the file
  testzip::Put32(local, l.central[0] + 42, 0xFFFFFFF0u);
  EXPECT_EQ(ExtractBytes(local, "local.zip"), 1);

  std::string names = good;  // a name running past the end of the file
  testzip::Put16(names, l.central[1] + 28, 0xFFFF);
  EXPECT_EQ(ExtractBytes(names, "names.zip"), 2);  // recovered from the local headers
}

TEST_F(ZipReaderTest, DataDescriptorEntriesUseTheCentralSizes) {
  const std::string data = Text(70000, 5);
  EXPECT_EQ(ExtractBytes(testzip::Build({{.name = "dd.txt", .data = data, .dataDescriptor = true},
                                         {.name = "dd0.txt", .data = "st", .method = 0, .dataDescriptor = true}})),
            2);
  EXPECT_EQ(ReadOut("dd.txt"), data);
  EXPECT_EQ(ReadOut("dd0.txt"), "st");
}

TEST_F(ZipReaderTest, OverwriteModesDecideAboutExistingFiles) {
  const std::uint32_t old = DosTime(2001, 1, 1, 0, 0, 0);
  const std::uint32_t mid = DosTime(2010, 1, 1, 0, 0, 0);
  const std::uint32_t recent = DosTime(2020, 1, 1, 0, 0, 0);
  const std::string zip = WriteArchive(testzip::Build({{.name = "f.txt", .data = "new", .dosTime = mid}}));
  auto run = [&](TOverwriteMode mode, std::uint32_t existing) {
    fs::create_directories(dest_);
    std::ofstream(Out("f.txt"), std::ios::trunc) << "existing";
    platform::Files().SetDosDateTime(Out("f.txt"), existing);
    zip_.SetZipName(zip);
    zip_.DoAll = true;
    zip_.SetDestDir(dest_);
    zip_.OverwriteMode = mode;
    const int n = zip_.UnZip();
    EXPECT_EQ(n == 1, ReadOut("f.txt") == "new");
    return n;
  };
  EXPECT_EQ(run(TOverwriteMode::Always, recent), 1);
  EXPECT_EQ(run(TOverwriteMode::Never, old), 0);
  EXPECT_EQ(run(TOverwriteMode::Prompt, old), 0);
  EXPECT_EQ(run(TOverwriteMode::ifNewer, old), 1);
  EXPECT_EQ(run(TOverwriteMode::ifNewer, recent), 0);
  EXPECT_EQ(run(TOverwriteMode::ifOlder, recent), 1);
  EXPECT_EQ(run(TOverwriteMode::ifOlder, old), 0);
  EXPECT_TRUE(sys_.messages.empty());
}

TEST_F(ZipReaderTest, DosNamesAreConvertedFromTheOemCodePage) {
  const std::string zip = WriteArchive(testzip::Build(
      {{.name = "\x81" "ber\xc4.txt", .data = "d"},
       {.name = "\x81" "nix.txt", .data = "u", .versionMadeBy = 0x0314}}));
  zip_.SetZipName(zip);
  zip_.ReadZip();
  EXPECT_EQ(zip_.Entry(0).FileName, "\xfc" "ber_.txt");
  EXPECT_EQ(zip_.Entry(1).FileName, "\x81" "nix.txt");
  zip_.OEMConvert = false;
  zip_.SetZipName(WriteArchive(testzip::Build({{.name = "\x81" "ber.txt", .data = "d"}}), "raw.zip"));
  zip_.ReadZip();
  EXPECT_EQ(zip_.Entry(0).FileName, "\x81" "ber.txt");
}

TEST_F(ZipReaderTest, LargeEntriesStreamInChunksServingMessages) {
  const std::string text = Text(6 << 20, 11);
  const std::string noise = Noise(3 << 20, 12);
  testzip::Layout l;
  const std::string zip = testzip::Build({{.name = "text.txt", .data = text}, {.name = "noise.bin", .data = noise, .method = 0}}, "", &l);
  EXPECT_EQ(ExtractBytes(zip), 2);
  EXPECT_EQ(ReadOut("text.txt"), text);
  EXPECT_EQ(ReadOut("noise.bin"), noise);
  // One message round per input chunk of at most 32 KiB.
  const std::size_t deflated = l.local[1] - 30 - 8;
  const int chunks = static_cast<int>((deflated + 32767) / 32768 + (noise.size() + 32767) / 32768);
  EXPECT_EQ(sys_.processMessagesCalls, chunks);

  sys_.processMessagesCalls = 0;
  zip_.DoProcessMessages = false;
  EXPECT_EQ(Extract(WriteArchive(zip)), 2);
  EXPECT_EQ(sys_.processMessagesCalls, 0);
}

TEST_F(ZipReaderTest, RewrittenArchiveIsReadAfresh) {
  const std::string path = WriteArchive(testzip::Build({{.name = "f.txt", .data = "aaaa", .method = 0}}));
  EXPECT_EQ(Extract(path), 1);
  // Same size and layout, other content and CRC: only a fresh directory read gets it right.
  WriteArchive(testzip::Build({{.name = "f.txt", .data = "bbbb", .method = 0}}));
  fs::last_write_time(path, fs::last_write_time(path) + std::chrono::seconds(5));
  EXPECT_EQ(Extract(path), 1);
  EXPECT_EQ(ReadOut("f.txt"), "bbbb");
  // A different size is noticed even when the stamp is unchanged.
  const auto stamp = fs::last_write_time(path);
  WriteArchive(testzip::Build({{.name = "g.txt", .data = "cc", .method = 0}}));
  fs::last_write_time(path, stamp);
  EXPECT_EQ(Extract(path), 1);
  EXPECT_EQ(ReadOut("g.txt"), "cc");
}

TEST_F(ZipReaderTest, MissingArchiveRaisesAnOpenErrorNamingIt) {
  const std::string missing = (root_ / "missing.zip").string();
  try {
    Extract(missing);
    FAIL() << "no error";
  } catch (const EFOpenError& e) {
    EXPECT_NE(e.Message().find(missing), std::string::npos);
  }
}

}  // namespace
}  // namespace kestro
