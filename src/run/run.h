// The program entry: banner, command line, and the walk over the name list.
#pragma once

#include <cstddef>
#include <cstdint>

#include "guarded_io/guarded_io.h"

// The largest PCM number the command line accepts.
constexpr std::int32_t MAX_PCM_NUMBER = 8255;

// Room a name copy keeps for a four-byte extension and its terminator.
constexpr std::size_t EXTENSION_ROOM = 5;

constexpr std::size_t USAGE_LINES = 12;

extern const FixedText BANNER;
extern const FixedText USAGE_TEXT[USAGE_LINES];

// Appends ".PDX" (for the bank) or ".PDL" (for the list) to a name whose last
// part holds no dot. The buffer must have EXTENSION_ROOM bytes to spare.
// Returns the same buffer.
char* add_default_extension(char* name, bool is_bank);

// Runs the tool on the command line and ends the process with its status.
[[noreturn]] void run_main(int argc, char** argv);
