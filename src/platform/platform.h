// The few things bankcut needs from the operating system: the console's
// character encoding, one raw key press, and file opens with the checks the
// portable library cannot make. Each platform implements this header in a
// source file of its own; the build picks one.
#pragma once

#include <cstddef>
#include <cstdio>

// What platform_read_key() returns when there was no answer a byte can hold:
// no console, an escape sequence, or a character of several bytes.
constexpr int PLATFORM_NO_KEY = -1;

// Prepares standard output and standard error for the tool's texts. The texts
// are code page 932 bytes; they are converted on output when the console's
// encoding differs and can show every one of the given texts, and go out as
// they are otherwise.
void platform_start_output(const char* const* texts, std::size_t count);

// Writes the first length bytes of a fixed text to the stream, converted as
// platform_start_output() decided.
void platform_write_text(std::FILE* stream, const char* text, std::size_t length);

// Writes a file name that stands inside a text, as the console should show it.
void platform_write_name(std::FILE* stream, const char* name);

// Reads one key press straight from the console, whatever standard input is,
// without waiting for Enter, and echoes its character when it is printable.
// Returns the character's byte, or PLATFORM_NO_KEY.
int platform_read_key();

// Opens a file with a stdio mode, like std::fopen, but never hands out a
// directory as a file.
std::FILE* platform_open(const char* name, const char* mode);

// Opens the name for binary reading to learn whether a file stands there.
// It never waits, whatever the name is, and a directory does not count.
std::FILE* platform_probe(const char* name);

// Whether the name is an ordinary file (not a directory, device or pipe).
bool platform_is_regular_file(const char* name);
