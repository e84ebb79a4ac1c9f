#pragma once
// A small INI reader for the text overrides in "ud.ini". It deliberately does
// not use a system INI service: the rules below (lower-cased section and key,
// key names not trimmed, a "]" line ending the section) decide what matches.

#include <string>

namespace vxoem {

// The value of `key` in `section` of `file`, or an empty string when the file,
// the section or the key is missing.
std::string ReadIniValue(const std::string& section, const std::string& key, const std::string& file);

}  // namespace vxoem
