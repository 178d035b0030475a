#include "zip_writer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "payload/zip_reader.h"
#include "platform/api/files.h"
#include "support/temp_dir.h"

namespace kestro::builder {
namespace {

using testing::ReadFile;
using testing::WriteFile;

TEST(ZipWriterTest, TheRuntimesReaderReadsEveryEntryBack) {
  testing::TempDir dir;
  const std::string big = testing::RandomBytes(200000, 11);  // incompressible, several deflate blocks
  const std::string text(70000, 'k');                         // highly compressible
  const std::uint32_t when = ToDosDateTime(2004, 5, 6, 7, 8, 10);
  ZipWriter zip;
  zip.AddEntry("empty.txt", kDosEpoch, std::string_view());
  zip.AddEntry("a=b.jpg", when, big);
  zip.AddEntry("text.txt", when, text);
  const std::string archive = zip.Finish();
  EXPECT_THROW(zip.AddEntry("late", when, "x"), EBuildError);
  WriteFile(dir.File("test.zip"), archive);

  TVCLUnZip reader;
  reader.SetZipName(dir.File("test.zip"));
  reader.ReadZip();
  ASSERT_EQ(reader.Count(), 3);
  const TZipHeaderInfo& e = reader.Entry(1);
  EXPECT_EQ(e.FileName, "a=b.jpg");
  EXPECT_EQ(e.Path, "");
  EXPECT_EQ(e.CompressionMethod, 8);
  EXPECT_EQ(e.UncompressedSize, big.size());
  EXPECT_EQ(e.Crc32, ZipCrc32(0, big.data(), big.size()));
  EXPECT_EQ(e.DateTime, when);
  EXPECT_FALSE(e.Encrypted());
  EXPECT_FALSE(e.HasDataDescriptor());
  EXPECT_NE(e.HostSystem(), 0) << "names are ANSI, not OEM text";
  EXPECT_LT(reader.Entry(2).CompressedSize, 1000u);

  reader.DoAll = true;
  reader.SetDestDir(dir.File("out"));
  reader.OverwriteMode = TOverwriteMode::Always;
  EXPECT_EQ(reader.UnZip(), 3);
  EXPECT_EQ(ReadFile(dir.File("out/a=b.jpg")), big);
  EXPECT_EQ(ReadFile(dir.File("out/text.txt")), text);
  EXPECT_TRUE(std::filesystem::exists(dir.File("out/empty.txt")));
  EXPECT_EQ(std::filesystem::file_size(dir.File("out/empty.txt")), 0u);
  EXPECT_EQ(platform::Files().GetDosDateTime(dir.File("out/text.txt")), when);
}

TEST(ZipWriterTest, StreamedAndWholeEntriesAreTheSameBytes) {
  const std::string data = testing::RandomBytes(100000, 3) + std::string(100000, 'z');
  ZipWriter whole;
  whole.AddEntry("d.bin", kDosEpoch, data);
  // A source that hands out odd small pieces.
  ZipWriter streamed;
  std::size_t at = 0;
  streamed.AddEntry("d.bin", kDosEpoch, [&](char* buffer, std::size_t count) {
    const std::size_t n = std::min({count, data.size() - at, std::size_t{777}});
    std::copy_n(data.data() + at, n, buffer);
    at += n;
    return n;
  });
  EXPECT_EQ(whole.Finish(), streamed.Finish());
}

}  // namespace
}  // namespace kestro::builder
