#include "cli/harness.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include "common/convert.h"

namespace fs = std::filesystem;

namespace {

// How long one run of the tool may take before the test gives up on it.
constexpr auto RUN_DEADLINE = std::chrono::seconds(30);

const char* const QUESTION_END = "[Y / Other] ";

// How Wine reports a process that Ctrl+C ended: the low byte of
// STATUS_CONTROL_C_EXIT.
constexpr int WINE_INTERRUPTED_STATUS = 0x3A;

// The wine program on the test's own PATH.
std::string wine_program()
{
    const char* path = std::getenv("PATH");
    std::stringstream folders(path != nullptr ? path : "/usr/bin:/bin");
    for (std::string folder; std::getline(folders, folder, ':');) {
        std::string candidate = folder + "/wine";
        if (access(candidate.c_str(), X_OK) == 0)
            return candidate;
    }
    return "/usr/bin/wine";
}

}  // namespace

// ---- the build under test -------------------------------------------------

namespace {

// The Windows executable the tests run under Wine, or an empty name.
std::string wine_exe()
{
    const char* exe = std::getenv("BANKCUT_WINE_EXE");
    return exe != nullptr ? exe : "";
}

}  // namespace

bool under_wine()
{
    return !wine_exe().empty();
}

std::string host_name(const std::string& name)
{
    if (!under_wine())
        return name;
    std::string host = cp932_to_utf8(name);
    std::replace(host.begin(), host.end(), '\\', '/');
    // Windows drops the dots at the end of a file name.
    const std::size_t last = host.find_last_of('/') + 1;
    while (host.size() > last && host.back() == '.')
        host.pop_back();
    return host;
}

std::string on_terminal(const std::string& written)
{
    std::string shown;
    for (std::size_t i = 0; i < written.size(); ++i) {
        if (written[i] == '\n' && (i == 0 || written[i - 1] != '\r'))
            shown += '\r';
        shown += written[i];
    }
    return shown;
}

Encoding console_encoding()
{
    return under_wine() ? Encoding::utf8 : Encoding::cp932;
}

int interrupted_status()
{
    return under_wine() ? WINE_INTERRUPTED_STATUS : 128 + SIGINT;
}

// ---- expected texts -------------------------------------------------------

std::string text(const std::string& readable, Encoding encoding)
{
    std::string bytes = readable;
    switch (encoding) {
    case Encoding::cp932:
        bytes = cp932(readable);
        break;
    case Encoding::euc_jp:
        bytes = convert(readable, "UTF-8", "EUC-JP");
        break;
    case Encoding::utf8:
        break;
    }
    // Windows' text streams write each line feed as CR LF.
    if (under_wine())
        bytes = on_terminal(bytes);
    return bytes;
}

std::string answer_end()
{
    return text("\n\n");
}

std::string named(const std::string& before, const std::string& name, const std::string& after, Encoding encoding)
{
    return text(before, encoding) + name + text(after, encoding);
}

std::string banner(Encoding encoding)
{
    return text("bankcut 2.00β for Win32 (C) 2026 bankcut contributors\n\n", encoding);
}

std::string usage_text(Encoding encoding)
{
    return text("書式 : bankcut <PDX Filename> <PDL Filename> (PCM No.)\n\n"
                "機能 : <PDX Filename> で指定された PDX ファイルを\n"
                "       <PDL Filename> で指定されたファイルのネーム\n"
                "       リストにしたがって展開します。\n\n"
                "       <PDX Filename> と <PDL Filename> の拡張子の\n"
                "       デフォルトはそれぞれ [.PDX] [.PDL] です。\n\n"
                "       (PCM No.) には展開する PCM 番号を指定します(0 ～ 8255)。\n"
                "       省略した場合は、すべての PCM ファイルを展開します。\n\n"
                "例１ : bankcut bos.pdx bos.pdl 21\n"
                "例２ : bankcut bos bos\n\n"
                "注意 : mkbnk の xlbank に関しては、「ベタ書きモード」のみ対応\n"
                "       しており、「バンク別、独立音階指定モード」には未対応です。\n\n",
                encoding);
}

std::string extracted(const std::string& name, Encoding encoding)
{
    return named("展開終了 : `", name, "'\n", encoding);
}

std::string open_failure(const std::string& name, Encoding encoding)
{
    return named("`", name, "' がオープンできません。\n", encoding);
}

std::string question(const std::string& name, Encoding encoding)
{
    return named("`", name, "' は既に存在しています。\n上書きしてもよろしいですか？ [Y / Other] ", encoding);
}

std::string skipped(Encoding encoding)
{
    return text("上書きしないでスキップします。\n", encoding);
}

std::string finished(Encoding encoding)
{
    return text("\n終了しました。\n", encoding);
}

std::string seek_failure()
{
    return text("ファイルのシークに失敗しました。\n");
}

std::string list_access_failure()
{
    return text("\nファイルのアクセスに失敗しました。\n");
}

std::string out_of_memory()
{
    return text("\n必要なメモリの確保ができません。\n");
}

std::string disk_full()
{
    return text("ディスクが一杯です。\n");
}

std::string delete_failure(const std::string& name)
{
    return named("`", name, "' が削除できません。\n\n");
}

// ---- banks ----------------------------------------------------------------

std::string bank_entry(std::uint32_t offset, std::uint32_t length)
{
    std::string bytes;
    for (std::uint32_t word : {offset, length})
        for (int shift = 24; shift >= 0; shift -= 8)
            bytes += static_cast<char>((word >> shift) & 0xFF);
    return bytes;
}

std::string make_bank(const std::vector<std::string>& samples, std::size_t directory_entries)
{
    std::string directory;
    std::string data;
    std::uint32_t offset = static_cast<std::uint32_t>(directory_entries * 8);
    for (std::size_t n = 0; n < directory_entries; ++n) {
        if (n < samples.size()) {
            directory += bank_entry(offset, static_cast<std::uint32_t>(samples[n].size()));
            data += samples[n];
            offset += static_cast<std::uint32_t>(samples[n].size());
        } else {
            directory += bank_entry(0, 0);
        }
    }
    return directory + data;
}

std::string sample_bytes(std::size_t length, unsigned seed)
{
    std::string bytes(length, '\0');
    std::uint32_t state = seed * 2654435761U + 1;
    for (char& byte : bytes) {
        state = state * 1664525U + 1013904223U;
        byte = static_cast<char>(state >> 24);
    }
    return bytes;
}

// ---- the scratch folder ---------------------------------------------------

void CliTest::SetUp()
{
    std::string pattern = (fs::temp_directory_path() / "bankcut-test.XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
}

void CliTest::TearDown()
{
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
}

void CliTest::reset()
{
    TearDown();
    SetUp();
}

std::string CliTest::path(const std::string& name) const
{
    return dir_ + "/" + host_name(name);
}

void CliTest::write(const std::string& name, const std::string& bytes) const
{
    std::error_code ignored;
    fs::create_directories(fs::path(path(name)).parent_path(), ignored);
    std::ofstream file(path(name), std::ios::binary);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    ASSERT_TRUE(file.good()) << name;
}

std::string CliTest::read(const std::string& name) const
{
    std::ifstream file(path(name), std::ios::binary);
    EXPECT_TRUE(file.good()) << "no file " << name;
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

bool CliTest::exists(const std::string& name) const
{
    struct stat status;
    return lstat(path(name).c_str(), &status) == 0;
}

std::vector<std::string> CliTest::files() const
{
    std::vector<std::string> names;
    for (const auto& entry : fs::recursive_directory_iterator(dir_))
        names.push_back(entry.path().lexically_relative(dir_).string());
    std::sort(names.begin(), names.end());
    return names;
}

// ---- running the tool -----------------------------------------------------

namespace {

// Everything the child needs, made before fork so the child only calls
// what is safe there.
struct Launch {
    std::vector<std::string> strings;
    std::vector<char*> argv;
    std::vector<char*> envp;
};

Launch prepare(const std::vector<std::string>& args, const RunOptions& options)
{
    Launch launch;
    std::string locale = options.locale;
    if (under_wine()) {
        launch.strings.push_back(wine_program());
        launch.strings.push_back(wine_exe());
        // Wine takes the ANSI and console code pages from the locale's
        // name: 932, as on a Japanese Windows, unless a test asks otherwise.
        if (locale.empty())
            locale = "ja_JP.UTF-8";
    } else {
        launch.strings.push_back(BANKCUT_BINARY);
    }
    if (locale.empty())
        locale = "C";
    launch.strings.insert(launch.strings.end(), args.begin(), args.end());
    const std::size_t argc = launch.strings.size();
    launch.strings.push_back("LC_ALL=" + locale);
    launch.strings.push_back("PATH=/usr/bin:/bin");
    // A sanitized build reports a failed allocation as such instead of
    // aborting, so the tool's own out-of-memory path can be seen.
    launch.strings.push_back("ASAN_OPTIONS=allocator_may_return_null=1:max_allocation_size_mb=1024");
    std::string locale_path = options.locale_path;
    // Wine names files on Linux in the locale's encoding, so the Japanese
    // locale it runs under must exist; the Wine check makes it.
    if (under_wine() && locale_path.empty() && std::getenv("BANKCUT_WINE_LOCPATH") != nullptr)
        locale_path = std::getenv("BANKCUT_WINE_LOCPATH");
    if (!locale_path.empty())
        launch.strings.push_back("LOCPATH=" + locale_path);
    if (under_wine()) {
        for (const char* name : {"WINEPREFIX", "HOME"})
            if (std::getenv(name) != nullptr)
                launch.strings.push_back(std::string(name) + "=" + std::getenv(name));
        launch.strings.push_back("WINEDEBUG=-all");
    }
    for (std::size_t i = 0; i < launch.strings.size(); ++i)
        (i < argc ? launch.argv : launch.envp).push_back(launch.strings[i].data());
    launch.argv.push_back(nullptr);
    launch.envp.push_back(nullptr);
    return launch;
}

[[noreturn]] void exec_tool(const std::string& dir, const Launch& launch, const RunOptions& options)
{
    if (chdir(dir.c_str()) != 0 || (!options.folder.empty() && chdir(options.folder.c_str()) != 0))
        _exit(126);
    if (options.file_size_limit != RLIM_INFINITY) {
        // A write past the limit then fails with EFBIG instead of killing.
        (void)signal(SIGXFSZ, SIG_IGN);
        const struct rlimit limit = {options.file_size_limit, options.file_size_limit};
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    if (options.address_space_limit != RLIM_INFINITY) {
        const struct rlimit limit = {options.address_space_limit, options.address_space_limit};
        setrlimit(RLIMIT_AS, &limit);
    }
    execve(launch.argv[0], launch.argv.data(), launch.envp.data());
    _exit(127);
}

int exit_status(int wait_status)
{
    if (WIFSIGNALED(wait_status))
        return 128 + WTERMSIG(wait_status);
    return WEXITSTATUS(wait_status);
}

// Appends what is ready on fd to text; false once fd has nothing more.
bool drain(int fd, std::string* text)
{
    char buffer[4096];
    const ssize_t count = read(fd, buffer, sizeof buffer);
    if (count > 0) {
        text->append(buffer, static_cast<std::size_t>(count));
        return true;
    }
    return count < 0 && errno == EINTR;
}

std::size_t count_of(const std::string& haystack, const std::string& needle)
{
    std::size_t count = 0;
    for (std::size_t at = haystack.find(needle); at != std::string::npos; at = haystack.find(needle, at + 1))
        ++count;
    return count;
}

// The text a console shows. Wine's console draws each character between
// escape sequences that hide and show the cursor, and a blank as a cursor
// move; those are taken back to plain text, with CR LF line ends.
std::string console_text(const std::string& received)
{
    if (!under_wine())
        return received;
    std::string shown;
    for (std::size_t i = 0; i < received.size(); ++i) {
        if (received[i] != '\x1b') {
            // The terminal turns the console's CR LF into CR CR LF.
            if (!(received[i] == '\r' && received.compare(i, 3, "\r\r\n") == 0))
                shown += received[i];
            continue;
        }
        if (i + 1 < received.size() && received[i + 1] != '[') {
            ++i;
            continue;
        }
        std::size_t end = i + 2;
        while (end < received.size() && !(received[end] >= 0x40 && received[end] <= 0x7E))
            ++end;
        if (end < received.size() && received[end] == 'C') {
            const std::string count = received.substr(i + 2, end - i - 2);
            shown.append(count.empty() ? 1 : static_cast<std::size_t>(std::stoi(count)), ' ');
        }
        i = end;
    }
    return shown;
}

bool same_mode(const struct termios& a, const struct termios& b)
{
    return a.c_iflag == b.c_iflag && a.c_oflag == b.c_oflag && a.c_cflag == b.c_cflag && a.c_lflag == b.c_lflag &&
           std::memcmp(a.c_cc, b.c_cc, sizeof a.c_cc) == 0;
}

bool is_raw(int tty)
{
    struct termios mode;
    return tcgetattr(tty, &mode) == 0 && (mode.c_lflag & (ICANON | ECHO)) == 0;
}

// Waits until the tool has put the terminal into raw mode for its key read.
bool wait_for_raw(int tty)
{
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!is_raw(tty)) {
        if (std::chrono::steady_clock::now() > until)
            return false;
        usleep(1000);
    }
    return true;
}

}  // namespace

namespace {

// A running tool and the pipes its output comes through.
struct Child {
    pid_t pid = -1;
    int out = -1;  // its standard output, unless that is the console
    int err = -1;  // its standard error, unless that is the console
};

// Starts the tool in the folder. With a console (a terminal's slave side)
// its standard error, and on request its input and output, are that
// terminal, which becomes its controlling terminal; without one, it has no
// controlling terminal at all, so no one can answer its questions.
Child start_tool(const std::string& dir, const std::vector<std::string>& args, const RunOptions& options, int console)
{
    Launch launch = prepare(args, options);
    int out_pipe[2];
    int err_pipe[2];
    EXPECT_EQ(pipe2(out_pipe, O_CLOEXEC), 0);
    EXPECT_EQ(pipe2(err_pipe, O_CLOEXEC), 0);
    Child child;
    child.pid = fork();
    if (child.pid == 0) {
        setsid();
        const int null = open("/dev/null", O_RDONLY);
        const bool has_console = console >= 0;
        if (has_console)
            ioctl(console, TIOCSCTTY, 0);
        // Wine gives the program a console only through its standard
        // input, so there the terminal is always that.
        dup2(has_console && (options.stdin_from_console || under_wine()) ? console : null, 0);
        dup2(has_console && options.stdout_to_console ? console : out_pipe[1], 1);
        dup2(has_console ? console : options.stderr_to_stdout ? out_pipe[1] : err_pipe[1], 2);
        exec_tool(dir, launch, options);
    }
    close(out_pipe[1]);
    close(err_pipe[1]);
    child.out = out_pipe[0];
    child.err = err_pipe[0];
    return child;
}

struct Stream {
    int fd;
    std::string* text;
};

// Collects what the tool writes to the streams until it has ended and all
// of it has been read. Whenever nothing has come for a moment, on_idle runs;
// it may act on what was read so far (answer a question, say). Returns the
// tool's exit status.
int collect(Child& child, std::vector<Stream> streams, const std::function<void()>& on_idle)
{
    std::vector<struct pollfd> fds;
    fds.reserve(streams.size());
    for (const Stream& stream : streams)
        fds.push_back({stream.fd, POLLIN, 0});
    int wait_status = 0;
    bool ended = false;
    const auto until = std::chrono::steady_clock::now() + RUN_DEADLINE;
    for (;;) {
        if (poll(fds.data(), fds.size(), 50) > 0) {
            for (std::size_t i = 0; i < fds.size(); ++i) {
                if (fds[i].fd >= 0 && (fds[i].revents & (POLLIN | POLLHUP)) != 0 &&
                    !drain(fds[i].fd, streams[i].text)) {
                    close(fds[i].fd);
                    fds[i].fd = -1;
                }
            }
            // With every stream at its end the tool has gone, or is going.
            if (std::all_of(fds.begin(), fds.end(), [](const struct pollfd& fd) { return fd.fd < 0; }))
                break;
            continue;
        }
        // A terminal's master side never ends while the test holds the
        // slave; pipes end when the tool has gone.
        const bool pipes_done = std::all_of(fds.begin(), fds.end(),
                                            [](const struct pollfd& fd) { return fd.fd < 0 || isatty(fd.fd) != 0; });
        if (ended && pipes_done)
            break;
        if (!ended && waitpid(child.pid, &wait_status, WNOHANG) == child.pid) {
            ended = true;
            continue;
        }
        if (!ended)
            on_idle();
        if (std::chrono::steady_clock::now() > until) {
            ADD_FAILURE() << "bankcut did not finish in time";
            kill(child.pid, SIGKILL);
            break;
        }
    }
    if (!ended)
        waitpid(child.pid, &wait_status, 0);
    for (const struct pollfd& fd : fds)
        if (fd.fd >= 0 && isatty(fd.fd) == 0)
            close(fd.fd);
    return exit_status(wait_status);
}

}  // namespace

Result CliTest::run(const std::vector<std::string>& args, const RunOptions& options) const
{
    Result result;
    // About once in ten thousand starts, Wine ends with status 1 before the
    // program runs, printing nothing. bankcut prints its banner before it
    // does anything else, so such a run never reached it and is run again.
    for (int attempt = 0; attempt < 3; ++attempt) {
        result = Result{};
        Child child = start_tool(dir_, args, options, -1);
        result.status = collect(child, {{child.out, &result.out}, {child.err, &result.err}}, [] {});
        if (!(under_wine() && result.status == 1 && result.out.empty() && result.err.empty()))
            break;
    }
    return result;
}

ConsoleResult CliTest::run_at_console(const std::vector<std::string>& args, const std::vector<std::string>& keys,
                                      const RunOptions& options) const
{
    ConsoleResult console;
    RunOptions console_options = options;
    // Wine's console writes to the terminal in the locale's encoding, which
    // must be able to show the Japanese texts.
    if (under_wine() && console_options.locale.empty())
        console_options.locale = "C.UTF-8";
    int master = -1;
    int slave = -1;
    EXPECT_EQ(openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
    fcntl(master, F_SETFD, FD_CLOEXEC);
    // The test keeps the slave side open too, so the terminal's mode can
    // still be read once the tool has ended.
    struct termios before;
    tcgetattr(slave, &before);
    Child child = start_tool(dir_, args, console_options, slave);
    close(child.err);
    std::size_t next_key = 0;
    const auto answer_waiting_question = [&] {
        if (count_of(console_text(console.console), QUESTION_END) <= static_cast<std::size_t>(console.questions))
            return;
        if (options.signal_at_question == 0 && next_key == keys.size()) {
            ADD_FAILURE() << "a question no key was given for; the console shows:\n" << console.console;
            kill(child.pid, SIGKILL);
            return;
        }
        if (!wait_for_raw(slave))
            console.raw_at_every_question = false;
        ++console.questions;
        if (options.signal_at_question != 0)
            kill(child.pid, options.signal_at_question);
        else
            EXPECT_EQ(::write(master, keys[next_key].data(), keys[next_key].size()),
                      static_cast<ssize_t>(keys[next_key].size()));
        ++next_key;
    };
    console.result.status =
        collect(child, {{master, &console.console}, {child.out, &console.result.out}}, answer_waiting_question);
    struct termios after;
    tcgetattr(slave, &after);
    console.console = console_text(console.console);
    console.mode_restored = same_mode(before, after);
    ioctl(slave, FIONREAD, &console.unread_input);
    close(master);
    close(slave);
    return console;
}
