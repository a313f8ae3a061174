// Decoding a directory entry, and the arithmetic of positions and sizes, for
// any 8 bytes and any PCM number.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "bank/bank.h"
#include "guarded_io/guarded_io.h"

namespace {

// A big-endian word, put together as a sum of place values.
std::uint64_t word_at(const std::uint8_t* bytes)
{
    std::uint64_t value = 0;
    std::uint64_t place = 1;
    for (int i = 3; i >= 0; --i) {
        value += bytes[i] * place;
        place *= 256;
    }
    return value;
}

bool seekable(__int128 position)
{
    return position >= 0 && position < (__int128{1} << 31);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < BANK_ENTRY_SIZE + sizeof(std::int32_t))
        return 0;
    const BankEntry entry = decode_bank_entry(data);
    if (entry.offset != word_at(data) || entry.length != word_at(data + 4))
        std::abort();

    std::int32_t number = 0;
    std::memcpy(&number, data + BANK_ENTRY_SIZE, sizeof number);
    const std::int64_t position = directory_position(number);
    if (position != __int128{number} * 8 || is_seekable(position) != seekable(position))
        std::abort();
    if (is_seekable(entry.offset) != seekable(entry.offset))
        std::abort();
    if (sample_room(entry.length) != std::uint64_t{entry.length} + 1 || sample_room(entry.length) <= entry.length)
        std::abort();
    return 0;
}
