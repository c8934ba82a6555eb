// Small text helpers shared by the table readers.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace basefiles {

std::string Trim(const std::string& text);

// Splits at every `separator`.
std::vector<std::string> Split(const std::string& text, char separator);

// A whole decimal integer (optional sign), or nothing.
std::optional<long> ParseInteger(const std::string& text);

// The name without any folder: "a/b/keys.txt" gives "keys.txt".
std::string BaseName(const std::string& path);

}  // namespace basefiles
