// The bank: a directory of offset and length pairs, and the samples they
// point at, copied out byte for byte.
#include <cstdlib>
#include <cstring>

#include "bank/bank.h"
#include "guarded_io/guarded_io.h"
#include "platform/platform.h"

namespace {

std::uint32_t big_endian_32(const unsigned char* bytes)
{
    return std::uint32_t{bytes[0]} << 24 | std::uint32_t{bytes[1]} << 16 | std::uint32_t{bytes[2]} << 8 |
           std::uint32_t{bytes[3]};
}

unsigned char* g_sample = nullptr;  // the buffer samples are read into, kept from one to the next
std::uint64_t g_sample_size = 0;    // its size in bytes

// Gives room for a sample of the given length. The room is kept for the next
// sample and only grows: fresh memory for every sample would cost more than
// copying the sample itself.
unsigned char* sample_buffer(std::uint32_t length)
{
    const std::uint64_t size = sample_room(length);
    if (size <= g_sample_size)
        return g_sample;
    // The old room goes first, so that only one sample is ever held.
    std::free(g_sample);
    g_sample = nullptr;
    g_sample_size = 0;
    if (static_cast<std::size_t>(size) != size)
        return nullptr;
    g_sample = static_cast<unsigned char*>(std::malloc(static_cast<std::size_t>(size)));
    if (g_sample != nullptr)
        g_sample_size = size;
    return g_sample;
}

// Writes the sample and makes sure it reached the file: a write that the
// stream only buffered could still fail when the file is closed.
bool write_sample(const unsigned char* sample, std::size_t length, std::FILE* output)
{
    return std::fwrite(sample, 1, length, output) == length && std::fflush(output) == 0;
}

}  // namespace

BankEntry decode_bank_entry(const unsigned char* bytes)
{
    return BankEntry{big_endian_32(bytes), big_endian_32(bytes + 4)};
}

std::uint64_t sample_room(std::uint32_t length)
{
    return std::uint64_t{length} + 1;
}

std::int64_t directory_position(std::int32_t number)
{
    return std::int64_t{number} * static_cast<std::int64_t>(BANK_ENTRY_SIZE);
}

int extract_sample(std::int32_t number, const char* name, std::FILE* bank)
{
    if (seek_checked(bank, directory_position(number), SEEK_SET) != 0)
        end_run(-1);
    // A bank that ends inside the entry leaves the rest of it zero.
    unsigned char raw[BANK_ENTRY_SIZE] = {};
    (void)std::fread(raw, 1, sizeof raw, bank);
    const BankEntry entry = decode_bank_entry(raw);

    unsigned char* sample = sample_buffer(entry.length);
    if (sample == nullptr) {
        print_message(MSG_OUT_OF_MEMORY);
        end_run(-1);
    }
    if (seek_checked(bank, entry.offset, SEEK_SET) != 0)
        end_run(-1);
    // A sample that runs past the end of the bank is padded with zeros, never
    // with whatever the memory held before.
    const std::size_t length = entry.length;
    const std::size_t got = std::fread(sample, 1, length, bank);
    std::memset(sample + got, 0, length - got);

    OpenStatus status = OPEN_NEW;
    std::FILE* output = open_guarded(name, "wb", &status);
    if (status == OPEN_FAILED)
        end_run(-1);
    if (status == OPEN_DECLINED) {
        print_message(MSG_SKIPPED);
        return -1;
    }
    if (!write_sample(sample, length, output)) {
        print_message(MSG_DISK_FULL);
        close_all_files();
        // Only an ordinary file holds a partial sample; a device or a pipe
        // named in the list is never removed.
        if (platform_is_regular_file(name))
            delete_checked(name);
        std::exit(-1);
    }
    print_message(MSG_EXTRACTED, name);
    close_unchecked(output);
    return 0;
}
