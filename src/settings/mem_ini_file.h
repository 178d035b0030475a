#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace kestro {

// An INI file held in memory. Section and key names compare without regard
// to case; a value is the text after the first "=" of its line (blanks
// around key and value trimmed); keys keep their file order. Writing changes
// only the lines of the keys written: every other line, known or not, goes
// back to the file byte for byte.
class TMemIniFile {
 public:
  // Files larger than this are treated as unreadable (an empty store).
  static constexpr std::size_t kMaxFileSize = 64u << 20;

  TMemIniFile() = default;
  // Opens the store on a file; a missing or unreadable file gives an empty store.
  explicit TMemIniFile(std::string fileName);

  const std::string& FileName() const { return fileName_; }
  void SetFileName(std::string fileName) { fileName_ = std::move(fileName); }

  void LoadFromText(std::string_view text);
  std::string ToText() const;
  // Writes the whole store to FileName; false when the file cannot be written.
  bool UpdateFile() const;

  bool SectionExists(std::string_view section) const;
  bool ValueExists(std::string_view section, std::string_view key) const;
  // The value's text, or nothing when the key is absent.
  std::optional<std::string> Find(std::string_view section, std::string_view key) const;

  std::string ReadString(std::string_view section, std::string_view key,
                         std::string_view fallback) const;
  // Decimal, or hexadecimal with "0x"; anything else gives the fallback.
  std::int32_t ReadInteger(std::string_view section, std::string_view key,
                           std::int32_t fallback) const;
  // An integer, nonzero meaning true.
  bool ReadBool(std::string_view section, std::string_view key, bool fallback) const;
  // The keys of a section, in file order (each name once).
  std::vector<std::string> ReadSection(std::string_view section) const;
  std::vector<std::string> ReadSections() const;

  void WriteString(std::string_view section, std::string_view key, std::string_view value);
  void WriteInteger(std::string_view section, std::string_view key, std::int32_t value);
  void WriteBool(std::string_view section, std::string_view key, bool value);

 private:
  struct Line {
    std::string raw;         // the line as in the file, terminator included
    std::string key;         // trimmed key for key lines, empty otherwise
    std::string value;       // trimmed value for key lines
    bool isKey = false;
  };
  struct Section {
    std::string name;        // empty name and no header: the lines before the first section
    std::vector<Line> lines; // header line first (when there is one)
    bool hasHeader = false;
  };
  struct Location {
    std::size_t section;
    std::size_t line;
  };

  void Reindex();
  const Line* FindLine(std::string_view section, std::string_view key) const;
  std::string NewLineText() const { return newline_; }

  std::string fileName_;
  // Always holds at least the section of lines before the first header.
  std::vector<Section> sections_ = std::vector<Section>(1);
  // Upper-cased section name -> every section of that name, in file order.
  std::unordered_map<std::string, std::vector<std::size_t>> sectionIndex_;
  // Upper-cased "section\0key" -> first line of that key.
  std::unordered_map<std::string, Location> keyIndex_;
  std::string newline_ = "\r\n";
};

}  // namespace kestro
