// Many generated banks and lists, run through the real tool with no console
// and checked against a model of the tool written here, apart from its code:
// the exit status, both streams, and every file in the folder afterwards.
//
//   BANKCUT_RANDOM_SEED=n     the seed of the first case (each case has its own)
//   BANKCUT_RANDOM_CASES=n    how many cases (default 300)
//   BANKCUT_SOAK_SECONDS=n    instead, as many cases as fit in n seconds
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "cli/harness.h"
#include "common/convert.h"

namespace {

constexpr std::uint32_t DEFAULT_SEED = 20261211;
constexpr long DEFAULT_CASES = 300;
constexpr std::int64_t FIRST_UNREACHABLE = std::int64_t{1} << 31;

long from_environment(const char* name, long fallback)
{
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0' ? std::strtol(value, nullptr, 10) : fallback;
}

// A source of choices. std::mt19937 gives the same numbers everywhere, and
// the helpers here use it in one fixed way, so a seed replays its case.
struct Dice {
    explicit Dice(std::uint32_t seed)
        : engine(seed)
    {
    }

    // A number from 0 to count - 1.
    std::uint32_t below(std::uint32_t count) { return static_cast<std::uint32_t>(engine() % count); }
    bool one_in(std::uint32_t count) { return below(count) == 0; }
    char byte() { return static_cast<char>(below(256)); }

    std::mt19937 engine;
};

// ---- generating a case ----------------------------------------------------

struct Case {
    std::string bank;
    std::string list;
    std::vector<std::string> args;
    std::map<std::string, std::string> existing;  // files there before the run, by the tool's name
};

// Names the list may give: files to write, a file twice, a folder, a missing
// folder, the inputs themselves, code page 932 bytes.
std::vector<std::string> name_pool()
{
    std::vector<std::string> pool = {"a.pcm",       "b.pcm", "dup.pcm", "sub/c.pcm",
                                     "nodir/d.pcm", "sub",   "bos.PDX", "bos.PDL"};
    // Windows allows no tab in a name. A code page 932 name that a long line
    // or a 0x1A cuts in half turns into U+30FB there, which is Windows' own
    // affair; whole Japanese names run under Wine in the fixed scenarios.
    if (!under_wine()) {
        pool.emplace_back("tab\there.pcm");
        pool.push_back(cp932("音色.pcm"));
    }
    return pool;
}

// Whether Windows would take the name for another: a device (CON, NUL,
// COM1, ...), or one of the inputs written in other capitals.
bool is_taken_on_windows(const std::string& name)
{
    if (name == "bos.pdx" || name == "bos.pdl")
        return true;
    const std::string base = name.substr(0, name.find('.'));
    static const std::set<std::string> devices = {"con",  "prn",  "aux",  "nul",  "com1", "com2", "com3", "com4",
                                                  "com5", "com6", "com7", "com8", "com9", "lpt1", "lpt2", "lpt3",
                                                  "lpt4", "lpt5", "lpt6", "lpt7", "lpt8", "lpt9"};
    return devices.contains(base);
}

// A made-up name. On Linux any byte but '/' may stand in it; under Wine only
// lower-case letters, digits, dots and dashes, which Windows takes as they
// are and which compare alike in any case.
std::string random_name(Dice& dice)
{
    std::string name;
    for (;;) {
        name.clear();
        const std::uint32_t length = dice.below(12);
        for (std::uint32_t i = 0; i < length; ++i) {
            if (under_wine()) {
                const char* const letters = "abcdefghijklmnopqrstuvwxyz0123456789.-";
                name += letters[dice.below(38)];
            } else {
                char c = dice.byte();
                while (c == '/' || c == '\n' || c == '\r' || c == '\0' || c == '\x1a')
                    c = dice.byte();
                name += c;
            }
        }
        if (!under_wine() || !is_taken_on_windows(name))
            return name;
    }
}

// A byte of a line of garbage. No '/', which could lead a name out of the
// folder; under Wine only bytes that Windows takes in a name, and the list's
// own separators.
char garbage_byte(Dice& dice)
{
    if (under_wine()) {
        const char* const bytes = "0123456789abcdefghijklmnopqrstuvwxyz.- =*";
        return bytes[dice.below(41)];
    }
    char c = dice.byte();
    while (c == '/' || c == '\n' || c == '\x1a')
        c = dice.byte();
    return c;
}

std::string pcm_number_text(Dice& dice, std::uint32_t entries)
{
    switch (dice.below(20)) {
    case 0:
        return "268435455";  // the last directory position below 2^31
    case 1:
        return "268435456";  // the first at 2^31
    case 2:
        return "99999999999";
    case 3:
        return "00" + std::to_string(dice.below(entries + 4));
    default:
        return std::to_string(dice.below(entries + 4));
    }
}

std::string random_line(Dice& dice, std::uint32_t entries, const std::vector<std::string>& pool)
{
    std::string line;
    switch (dice.below(10)) {
    case 0:
        return "* " + random_name(dice);
    case 1:
        return "";
    case 2:
        return " 1 " + pool[0];  // an entry behind a blank is none
    case 3: {
        // A line of garbage, long or short, which may read as an entry.
        const std::uint32_t length = dice.below(dice.one_in(3) ? 600 : 40);
        for (std::uint32_t i = 0; i < length; ++i)
            line += garbage_byte(dice);
        return line;
    }
    default:
        break;
    }
    line = pcm_number_text(dice, entries);
    // A tab does not end the number, so such a line has an empty name.
    const char* const separators[] = {" ", "=", " = ", "  ", " ", "=", " ", "\t"};
    line += separators[dice.below(8)];
    line += dice.one_in(3) ? random_name(dice) : pool[dice.below(static_cast<std::uint32_t>(pool.size()))];
    if (dice.one_in(3))
        line += " * a comment " + random_name(dice);
    if (dice.one_in(8))
        line += std::string(dice.below(300), 'p');  // runs past 255 bytes
    return line;
}

std::string random_list(Dice& dice, std::uint32_t entries)
{
    const std::vector<std::string> pool = name_pool();
    std::string list;
    const std::uint32_t lines = dice.below(14);
    for (std::uint32_t i = 0; i < lines; ++i) {
        std::string line = random_line(dice, entries, pool);
        // A carriage return in the middle of a line is dropped as well.
        if (!line.empty() && dice.one_in(10))
            line.insert(dice.below(static_cast<std::uint32_t>(line.size())), "\r");
        list += line;
        if (i + 1 < lines || !dice.one_in(3))
            list += dice.one_in(2) ? "\r\n" : "\n";
    }
    if (dice.one_in(10))
        list.insert(dice.below(static_cast<std::uint32_t>(list.size()) + 1), "\x1a");
    return list;
}

std::string random_bank(Dice& dice, std::uint32_t entries)
{
    const std::uint32_t directory = entries * 8;
    std::string data(dice.below(3000), '\0');
    for (char& c : data)
        c = dice.byte();
    // A list number past the directory reads an entry out of the samples;
    // every offset found there stays below 2^31, so that most such runs go
    // on, and every length below 64 KiB, so that no case asks for gigabytes.
    for (std::size_t at = 0; at < data.size(); at += 8) {
        data[at] = static_cast<char>(data[at] & 0x7F);
        for (std::size_t i = at + 4; i < at + 6 && i < data.size(); ++i)
            data[i] = '\0';
    }
    const auto size = static_cast<std::uint32_t>(directory + data.size());
    std::string bank;
    for (std::uint32_t n = 0; n < entries; ++n) {
        std::uint32_t offset = directory + dice.below(static_cast<std::uint32_t>(data.size()) + 1);
        std::uint32_t length = dice.below(size - offset + 1);
        switch (dice.below(12)) {
        case 0:
            length = 0;
            break;
        case 1:
            length += dice.below(5000);  // runs past the end of the bank
            break;
        case 2:
            offset = size + dice.below(100);  // starts past the end
            break;
        case 3:
            offset = 0x80000000U + dice.below(0x7FFFFFFF);  // beyond a signed 32-bit offset
            break;
        case 4:
            offset = dice.below(directory + 1);  // inside the directory
            break;
        default:
            break;
        }
        bank += bank_entry(offset, length);
    }
    bank += data;
    // Half-copied banks end anywhere, inside the directory too.
    if (dice.one_in(4))
        bank.resize(dice.below(static_cast<std::uint32_t>(bank.size()) + 1));
    return bank;
}

Case random_case(std::uint32_t seed)
{
    Dice dice(seed);
    Case c;
    const std::uint32_t entries = dice.below(25);
    c.bank = random_bank(dice, entries);
    c.list = random_list(dice, entries);
    c.args = {"bos", "bos"};
    if (dice.one_in(5)) {
        const char* const out_of_range[] = {"8256", "-1"};
        c.args.push_back(dice.one_in(6) ? out_of_range[dice.below(2)] : std::to_string(dice.below(entries + 2)));
    }
    const std::vector<std::string> pool = name_pool();
    for (const std::string& name : pool) {
        if (name != "sub" && !name.starts_with("nodir/") && !name.starts_with("bos.") && dice.one_in(4))
            c.existing[name] = "old " + name;
    }
    return c;
}

// ---- the model --------------------------------------------------------------

struct Outcome {
    int status = 0;
    std::string out;
    std::string err;
    std::map<std::string, std::string> files;  // by name in the folder; folders map to "/"
};

// The list as the tool reads it: up to the first 0x1A, without carriage
// returns, in reads of 255 bytes that stop after a line feed.
std::vector<std::string> list_reads(const std::string& list)
{
    std::string seen = list.substr(0, list.find('\x1a'));
    std::erase(seen, '\r');
    std::vector<std::string> reads;
    for (std::size_t at = 0; at < seen.size();) {
        std::string read = seen.substr(at, 255);
        const std::size_t feed = read.find('\n');
        if (feed != std::string::npos)
            read.resize(feed + 1);
        at += read.size();
        reads.push_back(read);
    }
    return reads;
}

std::int64_t leading_number(const std::string& text)
{
    std::int64_t value = 0;
    for (std::size_t i = 0; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        value = std::min<std::int64_t>(value * 10 + (text[i] - '0'), INT32_MAX);
    return value;
}

// The bytes of the bank from a position on, zeros past its end.
std::string bank_bytes(const std::string& bank, std::uint64_t from, std::uint64_t count)
{
    std::string bytes(count, '\0');
    for (std::uint64_t i = 0; i < count && from + i < bank.size(); ++i)
        bytes[i] = bank[from + i];
    return bytes;
}

std::uint32_t word(const std::string& bytes, std::size_t at)
{
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i)
        value = value * 256 + static_cast<unsigned char>(bytes[at + i]);
    return value;
}

// Whether a file can be made under the name: it must name no folder and
// stand in one that exists.
bool can_create(const std::string& host, const Outcome& state)
{
    if (host.empty() || host.back() == '/' || host == "." || host == ".." || state.files.contains(host))
        return false;
    const std::size_t slash = host.rfind('/');
    return slash == std::string::npos || state.files.contains(host.substr(0, slash));
}

Outcome model(const Case& c)
{
    Outcome result;
    result.files["bos.PDX"] = c.bank;
    result.files["bos.PDL"] = c.list;
    result.files["sub"] = "/";
    for (const auto& [name, bytes] : c.existing)
        result.files[host_name(name)] = bytes;
    result.out = banner();

    bool take_all = true;
    std::int64_t wanted = 0;
    if (c.args.size() == 3) {
        wanted = c.args[2] == "-1" ? -1 : leading_number(c.args[2]);
        if (wanted < 0 || wanted > 8255) {
            result.out += usage_text();
            result.status = 255;
            return result;
        }
        take_all = false;
    }
    for (std::string line : list_reads(c.list)) {
        line.resize(std::min(line.size(), line.find_first_of(std::string("\n\0", 2))));
        if (line.empty() || line[0] < '0' || line[0] > '9')
            continue;
        const std::int64_t number = leading_number(line);
        if (!take_all && number != wanted)
            continue;
        std::string name;
        const std::size_t field_end = line.find_first_of(" =");
        if (field_end != std::string::npos) {
            for (std::size_t i = field_end; i < line.size() && line[i] != '*'; ++i)
                if (line[i] != ' ' && line[i] != '=')
                    name += line[i];
        }
        const std::int64_t position = number * 8;
        const std::string entry = bank_bytes(c.bank, static_cast<std::uint64_t>(position), 8);
        const std::uint32_t offset = word(entry, 0);
        if (position >= FIRST_UNREACHABLE || offset >= FIRST_UNREACHABLE) {
            result.err += seek_failure();
            result.status = 255;
            return result;
        }
        const std::string host = host_name(name);
        const auto existing = result.files.find(host);
        if (existing != result.files.end() && existing->second != "/") {
            result.err += question(name) + answer_end();
            result.out += skipped();
            continue;
        }
        if (!can_create(host, result)) {
            result.err += open_failure(name);
            result.status = 255;
            return result;
        }
        result.files[host] = bank_bytes(c.bank, offset, word(entry, 4));
        result.out += extracted(name);
    }
    result.err += finished();
    return result;
}

// ---- running the cases --------------------------------------------------------

// Which files differ between the folder and the model, and how.
std::string differences(const std::map<std::string, std::string>& found,
                        const std::map<std::string, std::string>& expected)
{
    std::string report;
    for (const auto& [name, bytes] : expected) {
        const auto there = found.find(name);
        if (there == found.end())
            report += "missing: " + name + "\n";
        else if (there->second != bytes)
            report += "different: " + name + " (" + std::to_string(there->second.size()) + " bytes, expected " +
                      std::to_string(bytes.size()) + ")\n";
    }
    for (const auto& [name, bytes] : found)
        if (!expected.contains(name))
            report += "not expected: " + name + "\n";
    return report;
}

class Randomized : public CliTest {
protected:
    // Runs one case and compares everything with the model; false when
    // anything differs.
    bool check(std::uint32_t seed)
    {
        reset();
        const Case c = random_case(seed);
        const Outcome expected = model(c);
        EXPECT_EQ(mkdir(path("sub").c_str(), 0755), 0);
        write("bos.PDX", c.bank);
        write("bos.PDL", c.list);
        for (const auto& [name, bytes] : c.existing)
            write(name, bytes);

        const Result result = run(c.args);
        std::map<std::string, std::string> found;
        for (const std::string& name : files())
            found[name] = std::filesystem::is_directory(dir_ + "/" + name) ? "/" : read_host(name);
        EXPECT_EQ(result.status, expected.status);
        EXPECT_EQ(result.out, expected.out);
        EXPECT_EQ(result.err, expected.err);
        EXPECT_TRUE(found == expected.files) << differences(found, expected.files);
        const bool same = result.status == expected.status && result.out == expected.out &&
                          result.err == expected.err && found == expected.files;
        if (!same)
            ADD_FAILURE() << "replay with BANKCUT_RANDOM_SEED=" << seed << " BANKCUT_RANDOM_CASES=1";
        return same;
    }

    // The bytes of a file by its name in the folder.
    std::string read_host(const std::string& host) const
    {
        std::ifstream file(dir_ + "/" + host, std::ios::binary);
        return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    }
};

TEST_F(Randomized, ToolAgreesWithTheModel)
{
    const auto first = static_cast<std::uint32_t>(from_environment("BANKCUT_RANDOM_SEED", DEFAULT_SEED));
    const long soak_seconds = from_environment("BANKCUT_SOAK_SECONDS", 0);
    const long cases = soak_seconds > 0 ? -1 : from_environment("BANKCUT_RANDOM_CASES", DEFAULT_CASES);
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(soak_seconds);
    long ran = 0;
    for (std::uint32_t seed = first;; ++seed) {
        if (cases >= 0 ? ran >= cases : std::chrono::steady_clock::now() >= until)
            break;
        ++ran;
        // The first case that differs is enough to look into.
        if (!check(seed))
            break;
    }
    RecordProperty("cases", static_cast<int>(ran));
    (void)std::printf("%ld cases from seed %u\n", ran, first);
}

}  // namespace
