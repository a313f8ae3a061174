// The tool's fixed messages and the file operations that report their own
// failures. Every text the tool prints after its banner comes from here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

// A fixed text: the code page 932 bytes that are printed, and the same text
// in UTF-8 so that a reader of the source (and a test) can check them.
struct FixedText {
    const char* bytes;
    const char* readable;
};

enum Message {
    MSG_CLOSE_FAILURE,
    MSG_DELETE_FAILURE,
    MSG_OVERWRITE_QUESTION,
    MSG_ANSWER_END,
    MSG_OPEN_FAILURE,
    MSG_SEEK_FAILURE,
    MSG_LIST_ACCESS_FAILURE,
    MSG_OUT_OF_MEMORY,
    MSG_FINISHED,
    MSG_SKIPPED,
    MSG_DISK_FULL,
    MSG_EXTRACTED,
    MESSAGE_COUNT
};

// A message of the catalogue and the stream it belongs on.
struct MessageText {
    FixedText text;
    bool on_stdout;
};

extern const MessageText MESSAGES[MESSAGE_COUNT];

enum OpenStatus {
    OPEN_NEW = 0,        // opened, and no existing file was replaced
    OPEN_CONFIRMED = 1,  // opened for writing after the user agreed to replace the file
    OPEN_DECLINED = -1,  // the file exists and the user declined; nothing opened
    OPEN_FAILED = -2,    // the open failed and its message was printed
};

// Prints a fixed text to the stream; "%s" in it stands for the name.
void print_text(std::FILE* stream, const char* text, const char* name);

// Prints a message of the catalogue on its own stream.
void print_message(Message message, const char* name = nullptr);

// Opens a file in mode "rb", "r" or "wb". Before a writing open replaces an
// existing file, it asks at the console. Returns the stream, or nullptr when
// the status is OPEN_DECLINED or OPEN_FAILED.
std::FILE* open_guarded(const char* name, const char* mode, OpenStatus* status);

// Closes the stream; when that fails, prints so and ends the process.
void close_checked(std::FILE* stream);

// Closes a stream from open_guarded without looking at the result.
void close_unchecked(std::FILE* stream);

// Whether a position can be sought: file offsets here are signed 32-bit
// values, so 0 to 2^31 - 1.
bool is_seekable(std::int64_t position);

// Moves the stream to a position, which must fit a signed 32-bit offset.
// Returns 0, or -1 after printing the seek-failure message.
int seek_checked(std::FILE* stream, std::int64_t position, int origin);

// Deletes the file; when that fails, prints so and ends the process.
void delete_checked(const char* name);

// Closes every stream that open_guarded handed out and is still open.
void close_all_files();

// Closes every file and ends the process with the status.
[[noreturn]] void end_run(int status);
