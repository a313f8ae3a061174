// Character set conversion for the tests, independent of the tool's own.
#pragma once

#include <string>

// Converts text from one iconv encoding to another; fails the current test
// when it cannot.
std::string convert(const std::string& text, const char* from, const char* to);

// The code page 932 bytes of a UTF-8 text.
std::string cp932(const std::string& utf8);

// The UTF-8 text of code page 932 bytes.
std::string cp932_to_utf8(const std::string& bytes);
