#include "settings/mem_ini_file.h"

#include "common/ansi.h"
#include "common/intparse.h"
#include "platform/api/files.h"

namespace kestro {

namespace {

std::string_view Trim(std::string_view text) {
  std::size_t b = 0;
  std::size_t e = text.size();
  while (b < e && static_cast<unsigned char>(text[b]) <= ' ') ++b;
  while (e > b && static_cast<unsigned char>(text[e - 1]) <= ' ') --e;
  return text.substr(b, e - b);
}

std::string OneLine(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  return out;
}

std::string KeyIndexName(std::string_view section, std::string_view key) {
  std::string out = AnsiUpperCase(section);
  out.push_back('\0');
  out.append(AnsiUpperCase(key));
  return out;
}

}  // namespace

TMemIniFile::TMemIniFile(std::string fileName) : fileName_(std::move(fileName)) {
  if (auto text = platform::Files().ReadWholeFile(fileName_, kMaxFileSize)) LoadFromText(*text);
}

void TMemIniFile::LoadFromText(std::string_view text) {
  sections_.clear();
  sections_.push_back(Section{});
  newline_ = "\r\n";
  bool newlineSeen = false;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find('\n', pos);
    end = end == std::string_view::npos ? text.size() : end + 1;
    Line line;
    line.raw = std::string(text.substr(pos, end - pos));
    pos = end;
    std::string_view content = line.raw;
    if (!content.empty() && content.back() == '\n') {
      content.remove_suffix(1);
      if (!newlineSeen) {
        newline_ = (!content.empty() && content.back() == '\r') ? "\r\n" : "\n";
        newlineSeen = true;
      }
    }
    const std::string_view trimmed = Trim(content);
    if (trimmed.size() >= 2 && trimmed.front() == '[' && trimmed.back() == ']') {
      Section section;
      section.name = std::string(trimmed.substr(1, trimmed.size() - 2));
      section.hasHeader = true;
      section.lines.push_back(std::move(line));
      sections_.push_back(std::move(section));
      continue;
    }
    if (!trimmed.empty() && trimmed.front() != ';') {
      const std::size_t eq = trimmed.find('=');
      if (eq != std::string_view::npos) {
        line.isKey = true;
        line.key = std::string(Trim(trimmed.substr(0, eq)));
        line.value = std::string(Trim(trimmed.substr(eq + 1)));
      }
    }
    sections_.back().lines.push_back(std::move(line));
  }
  Reindex();
}

void TMemIniFile::Reindex() {
  sectionIndex_.clear();
  keyIndex_.clear();
  for (std::size_t s = 0; s < sections_.size(); ++s) {
    const Section& section = sections_[s];
    if (!section.hasHeader) continue;
    sectionIndex_[AnsiUpperCase(section.name)].push_back(s);
    for (std::size_t l = 0; l < section.lines.size(); ++l) {
      const Line& line = section.lines[l];
      if (line.isKey && !line.key.empty()) keyIndex_.try_emplace(KeyIndexName(section.name, line.key), Location{s, l});
    }
  }
}

std::string TMemIniFile::ToText() const {
  std::string out;
  for (const Section& section : sections_) {
    for (const Line& line : section.lines) out.append(line.raw);
  }
  return out;
}

bool TMemIniFile::UpdateFile() const {
  auto file = platform::Files().Open(fileName_, platform::OpenMode::kCreate);
  if (!file) return false;
  const std::string text = ToText();
  return file->Write(text.data(), text.size()) == text.size();
}

bool TMemIniFile::SectionExists(std::string_view section) const {
  return sectionIndex_.count(AnsiUpperCase(section)) != 0;
}

const TMemIniFile::Line* TMemIniFile::FindLine(std::string_view section, std::string_view key) const {
  const auto hit = keyIndex_.find(KeyIndexName(section, key));
  if (hit == keyIndex_.end()) return nullptr;
  return &sections_[hit->second.section].lines[hit->second.line];
}

bool TMemIniFile::ValueExists(std::string_view section, std::string_view key) const {
  return FindLine(section, key) != nullptr;
}

std::optional<std::string> TMemIniFile::Find(std::string_view section, std::string_view key) const {
  if (const Line* line = FindLine(section, key)) return line->value;
  return std::nullopt;
}

std::string TMemIniFile::ReadString(std::string_view section, std::string_view key,
                                    std::string_view fallback) const {
  if (const Line* line = FindLine(section, key)) return line->value;
  return std::string(fallback);
}

std::int32_t TMemIniFile::ReadInteger(std::string_view section, std::string_view key,
                                      std::int32_t fallback) const {
  const Line* line = FindLine(section, key);
  if (line == nullptr) return fallback;
  return ParseIniInteger(line->value).value_or(fallback);
}

bool TMemIniFile::ReadBool(std::string_view section, std::string_view key, bool fallback) const {
  return ReadInteger(section, key, fallback ? 1 : 0) != 0;
}

std::vector<std::string> TMemIniFile::ReadSection(std::string_view section) const {
  std::vector<std::string> keys;
  const auto hit = sectionIndex_.find(AnsiUpperCase(section));
  if (hit == sectionIndex_.end()) return keys;
  for (std::size_t s : hit->second) {
    const Section& sec = sections_[s];
    for (std::size_t l = 0; l < sec.lines.size(); ++l) {
      const Line& line = sec.lines[l];
      if (!line.isKey || line.key.empty()) continue;
      // Each key once: the first occurrence is the one reads see.
      const auto first = keyIndex_.find(KeyIndexName(section, line.key));
      if (first != keyIndex_.end() && first->second.section == s && first->second.line == l) {
        keys.push_back(line.key);
      }
    }
  }
  return keys;
}

std::vector<std::string> TMemIniFile::ReadSections() const {
  std::vector<std::string> names;
  for (std::size_t s = 0; s < sections_.size(); ++s) {
    if (!sections_[s].hasHeader) continue;
    const auto& all = sectionIndex_.at(AnsiUpperCase(sections_[s].name));
    if (all.front() == s) names.push_back(sections_[s].name);
  }
  return names;
}

void TMemIniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
  // A line break inside a written key or value would start a line of its own.
  const std::string keyText = OneLine(Trim(key));
  const std::string valueText = OneLine(Trim(value));
  const auto hit = keyIndex_.find(KeyIndexName(section, keyText));
  if (hit != keyIndex_.end()) {
    Line& line = sections_[hit->second.section].lines[hit->second.line];
    const bool hadNewline = !line.raw.empty() && line.raw.back() == '\n';
    line.raw = line.key + "=" + valueText + (hadNewline ? NewLineText() : std::string());
    line.value = valueText;
    return;
  }
  Line line;
  line.raw = keyText + "=" + valueText + NewLineText();
  line.key = keyText;
  line.value = valueText;
  line.isKey = true;

  // The line before a new one must end its line.
  auto endLastLine = [this](Section& sec) {
    if (!sec.lines.empty() && (sec.lines.back().raw.empty() || sec.lines.back().raw.back() != '\n')) {
      sec.lines.back().raw.append(NewLineText());
    }
  };

  const auto sec = sectionIndex_.find(AnsiUpperCase(section));
  if (sec != sectionIndex_.end()) {
    Section& target = sections_[sec->second.back()];
    // New keys go after the section's last non-blank line.
    std::size_t at = target.lines.size();
    while (at > 1 && Trim(target.lines[at - 1].raw).empty()) --at;
    if (at == target.lines.size()) endLastLine(target);
    target.lines.insert(target.lines.begin() + static_cast<std::ptrdiff_t>(at), std::move(line));
  } else {
    Section& last = sections_.back();
    endLastLine(last);
    Section added;
    added.name = std::string(section);
    added.hasHeader = true;
    const bool needsGap = ToText().size() > 0 && !Trim(last.lines.empty() ? std::string() : last.lines.back().raw).empty();
    Line header;
    header.raw = (needsGap ? NewLineText() : std::string()) + "[" + added.name + "]" + NewLineText();
    added.lines.push_back(std::move(header));
    added.lines.push_back(std::move(line));
    sections_.push_back(std::move(added));
  }
  Reindex();
}

void TMemIniFile::WriteInteger(std::string_view section, std::string_view key, std::int32_t value) {
  WriteString(section, key, std::to_string(value));
}

void TMemIniFile::WriteBool(std::string_view section, std::string_view key, bool value) {
  WriteString(section, key, value ? "1" : "0");
}

}  // namespace kestro
