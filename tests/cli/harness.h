// Runs the real bankcut binary in a scratch folder, with or without a
// console, and builds the texts it is expected to print.
#pragma once

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <termios.h>

#include <cstdint>
#include <string>
#include <vector>

#include "common/convert.h"

// The build the tests run: the Linux binary, or bankcut.exe under Wine when
// the environment names one in BANKCUT_WINE_EXE (with WINEPREFIX set to a
// prepared Wine prefix).
bool under_wine();

// Skips a scenario that has no counterpart on the other platform.
#define LINUX_ONLY(reason)                                                                                             \
    if (under_wine())                                                                                                  \
    GTEST_SKIP() << (reason)
#define WINDOWS_ONLY(reason)                                                                                           \
    if (!under_wine())                                                                                                 \
    GTEST_SKIP() << (reason)

// The name in the scratch folder of the file the tool opens by the given
// name: the same name on Linux; under Windows a backslash parts folders,
// trailing dots fall away and the bytes are read in the ANSI code page
// (932, as on a Japanese Windows).
std::string host_name(const std::string& name);

// What a terminal shows of text the tool wrote: each line feed as CR LF.
std::string on_terminal(const std::string& written);

// The exit status that a Ctrl+C at the overwrite question leaves.
int interrupted_status();

// The encoding the tool's texts are expected in.
enum class Encoding { cp932, utf8, euc_jp };

// The encoding the tool's texts reach a test's terminal in: the bytes as
// they are on Linux (the tests' locale is C), UTF-8 from Wine's console.
Encoding console_encoding();

// A fixed text written readable (UTF-8), in the expected encoding, with the
// line ends of the platform's text streams.
std::string text(const std::string& readable, Encoding encoding = Encoding::cp932);

// A fixed text with a name between its two parts; the name is raw bytes.
std::string named(const std::string& before, const std::string& name, const std::string& after,
                  Encoding encoding = Encoding::cp932);

std::string banner(Encoding encoding = Encoding::cp932);
std::string usage_text(Encoding encoding = Encoding::cp932);
std::string extracted(const std::string& name, Encoding encoding = Encoding::cp932);
std::string open_failure(const std::string& name, Encoding encoding = Encoding::cp932);
std::string question(const std::string& name, Encoding encoding = Encoding::cp932);
std::string skipped(Encoding encoding = Encoding::cp932);
std::string finished(Encoding encoding = Encoding::cp932);
std::string seek_failure();
std::string list_access_failure();
std::string out_of_memory();
std::string disk_full();
std::string delete_failure(const std::string& name);
std::string answer_end();

// A bank whose directory has the given number of entries, the samples
// following it in order, entry n pointing at sample n.
std::string make_bank(const std::vector<std::string>& samples, std::size_t directory_entries);

// One raw directory entry.
std::string bank_entry(std::uint32_t offset, std::uint32_t length);

// A sample of the given length whose bytes differ from those of other seeds.
std::string sample_bytes(std::size_t length, unsigned seed);

struct RunOptions {
    std::string locale;       // LC_ALL for the tool; empty: C, or Japanese under Wine
    std::string folder;       // where it runs, below the scratch folder
    std::string locale_path;  // LOCPATH, when a test made its own locales
    rlim_t file_size_limit = RLIM_INFINITY;
    rlim_t address_space_limit = RLIM_INFINITY;
    bool stderr_to_stdout = false;    // both streams into one pipe, as 2>&1 does
    bool stdin_from_console = false;  // console runs: stdin is the terminal, not /dev/null
    bool stdout_to_console = false;   // console runs: stdout is the terminal, not a pipe
    int signal_at_question = 0;       // console runs: sent instead of the next key
};

struct Result {
    int status = -1;  // the exit status, or 128 + the signal that ended the tool
    std::string out;
    std::string err;
};

struct ConsoleResult {
    Result result;
    std::string console;  // what the terminal received (under Wine, its text without cursor moves)
    int questions = 0;    // how many questions were answered
    bool raw_at_every_question = true;
    bool mode_restored = false;  // the terminal mode after the run equals the one before
    int unread_input = 0;        // bytes the tool left in the terminal's input
};

// A test with its own scratch folder, where the tool runs.
class CliTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Starts over with a new, empty scratch folder (for tables of cases).
    void reset();

    std::string path(const std::string& name) const;
    void write(const std::string& name, const std::string& bytes) const;
    std::string read(const std::string& name) const;
    bool exists(const std::string& name) const;
    // The names in the scratch folder (recursively), sorted. Folders given
    // to write() are made as needed.
    std::vector<std::string> files() const;

    // Runs the tool with no console at all.
    Result run(const std::vector<std::string>& args, const RunOptions& options = {}) const;

    // Runs the tool with a pseudo-terminal as its console; each key string is
    // typed when the next overwrite question waits.
    ConsoleResult run_at_console(const std::vector<std::string>& args, const std::vector<std::string>& keys,
                                 const RunOptions& options = {}) const;

    std::string dir_;
};
