// Reads an INI file with TMemIniFile and tells what it holds, for the
// differential test that compares it with another INI reader. Every name
// and value is written in hexadecimal, so any byte passes through.
//
//   kestro_ini_dump FILE
//       first the whole store, one line per section and per key:
//         S <section>               (ReadSections, in order)
//         K <key> <value>           (ReadSection of that section, in order;
//                                    the value as Find gives it)
//       then a line "." and the answers to the lookups read from standard
//       input, one "<section> <key>" per line: "= <value>" or "-" when
//       Find finds nothing.

#include <cstdio>
#include <iostream>
#include <optional>
#include <string>

#include "payload/mem_ini_file.h"

namespace {

std::string Hex(const std::string& text) {
  static const char digits[] = "0123456789abcdef";
  std::string out;
  out.reserve(text.size() * 2 + 1);
  for (unsigned char c : text) {
    out += digits[c >> 4];
    out += digits[c & 15];
  }
  // An empty text is "_", so that every field is a word.
  return out.empty() ? "_" : out;
}

std::optional<std::string> Unhex(const std::string& word) {
  if (word == "_") return std::string();
  if (word.size() % 2 != 0) return std::nullopt;
  std::string out;
  for (std::size_t i = 0; i < word.size(); i += 2) {
    out += static_cast<char>(std::stoi(word.substr(i, 2), nullptr, 16));
  }
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: kestro_ini_dump FILE < lookups\n");
    return 2;
  }
  const kestro::TMemIniFile ini{std::string(argv[1])};
  for (const std::string& section : ini.ReadSections()) {
    std::cout << "S " << Hex(section) << '\n';
    for (const std::string& key : ini.ReadSection(section)) {
      std::cout << "K " << Hex(key) << ' ' << Hex(ini.Find(section, key).value_or("")) << '\n';
    }
  }
  std::cout << ".\n";
  std::string sectionWord, keyWord;
  while (std::cin >> sectionWord >> keyWord) {
    const auto section = Unhex(sectionWord);
    const auto key = Unhex(keyWord);
    if (!section || !key) {
      std::fprintf(stderr, "kestro_ini_dump: bad lookup %s %s\n", sectionWord.c_str(), keyWord.c_str());
      return 2;
    }
    const auto value = ini.Find(*section, *key);
    std::cout << (value ? "= " + Hex(*value) : std::string("-")) << '\n';
  }
  return 0;
}
