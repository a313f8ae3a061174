// File operations that report their own failures, and the record of the
// streams they opened so that every stop can close them.
#include "guarded_io/guarded_io.h"

#include <cstdint>
#include <cstdlib>

#include "platform/platform.h"

namespace {

// The bank, the list and one output file are open at the most; one slot spare.
constexpr std::size_t MAX_OPEN_STREAMS = 4;

std::FILE* g_open_streams[MAX_OPEN_STREAMS];  // streams open_guarded handed out, not yet closed

void remember(std::FILE* stream)
{
    for (std::FILE*& slot : g_open_streams) {
        if (slot == nullptr) {
            slot = stream;
            return;
        }
    }
}

void forget(const std::FILE* stream)
{
    for (std::FILE*& slot : g_open_streams)
        if (slot == stream)
            slot = nullptr;
}

// Asks whether the existing file may be replaced; true only for Y or y.
bool user_allows_overwrite(const char* name)
{
    print_message(MSG_OVERWRITE_QUESTION, name);
    const int key = platform_read_key();
    print_message(MSG_ANSWER_END);
    return key == 'Y' || key == 'y';
}

}  // namespace

std::FILE* open_guarded(const char* name, const char* mode, OpenStatus* status)
{
    *status = OPEN_NEW;
    if (mode[0] == 'w') {
        std::FILE* probe = platform_probe(name);
        if (probe != nullptr) {
            close_checked(probe);
            if (!user_allows_overwrite(name)) {
                *status = OPEN_DECLINED;
                return nullptr;
            }
            *status = OPEN_CONFIRMED;
        }
    }
    std::FILE* stream = platform_open(name, mode);
    if (stream == nullptr) {
        print_message(MSG_OPEN_FAILURE, name);
        *status = OPEN_FAILED;
        return nullptr;
    }
    remember(stream);
    return stream;
}

void close_checked(std::FILE* stream)
{
    forget(stream);
    if (std::fclose(stream) != 0) {
        print_message(MSG_CLOSE_FAILURE);
        std::exit(-1);
    }
}

void close_unchecked(std::FILE* stream)
{
    forget(stream);
    (void)std::fclose(stream);
}

bool is_seekable(std::int64_t position)
{
    // Offsets are signed 32-bit values, whatever the platform's long is, so
    // a position taken from an unsigned field never wraps to another place.
    return position >= 0 && position <= INT32_MAX;
}

int seek_checked(std::FILE* stream, std::int64_t position, int origin)
{
    if (!is_seekable(position) || std::fseek(stream, static_cast<long>(position), origin) != 0) {
        print_message(MSG_SEEK_FAILURE);
        return -1;
    }
    return 0;
}

void delete_checked(const char* name)
{
    if (std::remove(name) != 0) {
        print_message(MSG_DELETE_FAILURE, name);
        std::exit(-1);
    }
}

void close_all_files()
{
    for (std::FILE*& slot : g_open_streams) {
        if (slot != nullptr) {
            (void)std::fclose(slot);
            slot = nullptr;
        }
    }
}

void end_run(int status)
{
    close_all_files();
    std::exit(status);
}
