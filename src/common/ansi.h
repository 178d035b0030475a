#pragma once

#include <string>
#include <string_view>

namespace kestro {

// Text is single-byte ANSI (Windows code page 1252). Case mapping follows
// that code page, so accented Latin letters compare without regard to case
// as they do on Windows.
char AnsiUpperChar(char c);
char AnsiLowerChar(char c);
std::string AnsiUpperCase(std::string_view text);
std::string AnsiLowerCase(std::string_view text);

// Case-insensitive equality and three-way comparison (negative, 0, positive).
bool SameText(std::string_view a, std::string_view b);
int CompareText(std::string_view a, std::string_view b);
// Case-insensitive search; returns std::string_view::npos when absent.
std::size_t FindText(std::string_view haystack, std::string_view needle);
bool ContainsText(std::string_view haystack, std::string_view needle);
bool StartsWithText(std::string_view text, std::string_view prefix);

// Replaces every occurrence of `from` (case-sensitive) by `to`.
std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to);

}  // namespace kestro
