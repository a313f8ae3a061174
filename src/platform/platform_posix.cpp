// The platform layer for Linux and other POSIX systems: the locale decides the
// output encoding, the key read uses the controlling terminal in raw mode.
#include "platform/platform.h"

#include <algorithm>
#include <cerrno>
#include <clocale>
#include <csignal>
#include <cstring>
#include <iterator>

#include <fcntl.h>
#include <iconv.h>
#include <langinfo.h>
#include <poll.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace {

// What iconv_open() returns when it cannot convert.
const iconv_t NO_CONVERTER = reinterpret_cast<iconv_t>(-1);  // NOLINT(performance-no-int-to-ptr): iconv's own value

// How long the rest of one key press (an escape sequence, the further bytes
// of a character) may take to arrive after its first byte.
constexpr int KEY_REST_MS = 100;

// The longest escape sequence a key press sends is far shorter than this.
constexpr int MAX_SEQUENCE = 32;

constexpr unsigned char ESCAPE = 0x1B;

// The signals that can end the process while the terminal is in raw mode.
constexpr int RESTORING_SIGNALS[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};
constexpr std::size_t SIGNAL_COUNT = sizeof RESTORING_SIGNALS / sizeof RESTORING_SIGNALS[0];

iconv_t g_converter = NO_CONVERTER;            // code page 932 to the locale's encoding, while one is in use
int g_tty = -1;                                // the terminal while a key is being read
struct termios g_saved_mode;                   // its mode before the read, put back on every way out
struct sigaction g_old_actions[SIGNAL_COUNT];  // the dispositions the key read replaced

// Whether the whole text converts; iconv's state is reset first.
bool converts(const char* text)
{
    char buffer[1024];
    char* in = const_cast<char*>(text);
    std::size_t in_left = std::strlen(text);
    iconv(g_converter, nullptr, nullptr, nullptr, nullptr);
    while (in_left > 0) {
        char* out = buffer;
        std::size_t out_left = sizeof buffer;
        if (iconv(g_converter, &in, &in_left, &out, &out_left) == static_cast<std::size_t>(-1) && errno != E2BIG)
            return false;
    }
    return true;
}

// Whether the encoding is code page 932 or a name for it, so the texts need
// no conversion at all.
bool is_code_page_932(const char* codeset)
{
    const char* const names[] = {"CP932", "WINDOWS-31J", "SHIFT_JIS", "SHIFT-JIS", "SJIS", "MS_KANJI"};
    return std::any_of(std::begin(names), std::end(names),
                       [codeset](const char* name) { return strcasecmp(codeset, name) == 0; });
}

// Ends the process by the signal that arrived, after the terminal has its
// mode back. Only async-signal-safe calls are made here.
extern "C" void restore_and_reraise(int signal_number)
{
    tcsetattr(g_tty, TCSANOW, &g_saved_mode);
    // With its default action back, the signal is delivered again as soon as
    // this handler returns, and ends the process as it would have.
    (void)signal(signal_number, SIG_DFL);
    (void)raise(signal_number);
}

void catch_signals()
{
    for (std::size_t i = 0; i < SIGNAL_COUNT; ++i) {
        sigaction(RESTORING_SIGNALS[i], nullptr, &g_old_actions[i]);
        // A signal the caller of the tool chose to ignore stays ignored.
        if (g_old_actions[i].sa_handler == SIG_IGN)
            continue;
        struct sigaction action = {};
        action.sa_handler = restore_and_reraise;
        sigemptyset(&action.sa_mask);
        sigaction(RESTORING_SIGNALS[i], &action, nullptr);
    }
}

void release_signals()
{
    for (std::size_t i = 0; i < SIGNAL_COUNT; ++i)
        sigaction(RESTORING_SIGNALS[i], &g_old_actions[i], nullptr);
}

// Reads one byte, waiting for it when wait_ms is negative and at most
// wait_ms milliseconds otherwise.
bool read_byte(int fd, unsigned char* byte, int wait_ms)
{
    for (;;) {
        if (wait_ms >= 0) {
            struct pollfd ready = {fd, POLLIN, 0};
            const int found = poll(&ready, 1, wait_ms);
            if (found < 0 && errno == EINTR)
                continue;
            if (found <= 0)
                return false;
        }
        const ssize_t count = read(fd, byte, 1);
        if (count < 0 && errno == EINTR)
            continue;
        return count == 1;
    }
}

// Reads what is left of an escape sequence, so none of it reaches the shell
// after the run: CSI sequences up to their final byte (the Linux console's
// "ESC [ [ A" for F1 included), SS3 sequences and Alt+key pairs one byte
// further.
void skip_escape_sequence(int fd)
{
    unsigned char byte = 0;
    if (!read_byte(fd, &byte, KEY_REST_MS))
        return;
    if (byte == 'O') {
        read_byte(fd, &byte, KEY_REST_MS);
        return;
    }
    if (byte != '[')
        return;
    for (int i = 0; i < MAX_SEQUENCE && read_byte(fd, &byte, KEY_REST_MS); ++i)
        if (byte >= 0x40 && byte <= 0x7E && !(i == 0 && byte == '['))
            return;
}

// How many bytes follow a UTF-8 lead byte, or -1 when it leads no character.
int utf8_continuations(unsigned char lead)
{
    if (lead >= 0xC2 && lead <= 0xDF)
        return 1;
    if (lead >= 0xE0 && lead <= 0xEF)
        return 2;
    if (lead >= 0xF0 && lead <= 0xF4)
        return 3;
    return -1;
}

// Shows typed bytes on the terminal. A failed echo costs no more than the
// sight of the key, so its result is not used.
void echo(int fd, const unsigned char* bytes, std::size_t count)
{
    const ssize_t written = write(fd, bytes, count);
    (void)written;
}

// Reads one key press from the terminal, which is in raw mode, and echoes it.
int read_key_press(int fd)
{
    unsigned char key = 0;
    if (!read_byte(fd, &key, -1))
        return PLATFORM_NO_KEY;
    if (key == ESCAPE) {
        skip_escape_sequence(fd);
        return PLATFORM_NO_KEY;
    }
    if (key >= 0x20 && key <= 0x7E) {
        echo(fd, &key, 1);
        return key;
    }
    const int rest = utf8_continuations(key);
    if (rest < 0)
        return key < 0x80 ? key : PLATFORM_NO_KEY;
    // A character of several bytes is never Y, but it is read whole and
    // echoed whole, so the terminal shows what was typed.
    unsigned char character[4] = {key};
    for (int i = 1; i <= rest; ++i)
        if (!read_byte(fd, &character[i], KEY_REST_MS) || (character[i] & 0xC0) != 0x80)
            return PLATFORM_NO_KEY;
    echo(fd, character, static_cast<std::size_t>(rest) + 1);
    return PLATFORM_NO_KEY;
}

}  // namespace

void platform_start_output(const char* const* texts, std::size_t count)
{
    (void)std::setlocale(LC_CTYPE, "");
    const char* codeset = nl_langinfo(CODESET);
    if (is_code_page_932(codeset))
        return;
    g_converter = iconv_open(codeset, "CP932");
    if (g_converter == NO_CONVERTER)
        return;
    // An encoding that cannot show every text would mix two encodings in one
    // run; then all texts go out as code page 932 bytes.
    for (std::size_t i = 0; i < count; ++i) {
        if (!converts(texts[i])) {
            (void)iconv_close(g_converter);
            g_converter = NO_CONVERTER;
            return;
        }
    }
}

void platform_write_text(std::FILE* stream, const char* text, std::size_t length)
{
    // A failing write to standard output or error is not reported: there
    // would be nowhere left to report it.
    if (g_converter == NO_CONVERTER) {
        (void)std::fwrite(text, 1, length, stream);
        return;
    }
    char buffer[1024];
    char* in = const_cast<char*>(text);
    std::size_t in_left = length;
    iconv(g_converter, nullptr, nullptr, nullptr, nullptr);
    while (in_left > 0) {
        char* out = buffer;
        std::size_t out_left = sizeof buffer;
        const std::size_t result = iconv(g_converter, &in, &in_left, &out, &out_left);
        (void)std::fwrite(buffer, 1, sizeof buffer - out_left, stream);
        if (result == static_cast<std::size_t>(-1) && errno != E2BIG) {
            // Every text was tried at start; should one still fail, the rest
            // goes out as it is rather than being lost.
            (void)std::fwrite(in, 1, in_left, stream);
            return;
        }
    }
}

void platform_write_name(std::FILE* stream, const char* name)
{
    // File names are bytes on this platform; they go out as they are, so the
    // user sees exactly the name the tool used.
    (void)std::fputs(name, stream);
}

int platform_read_key()
{
    // The terminal, not standard input: the answer must come from the person
    // at the console even when input and output are redirected.
    const int fd = open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return PLATFORM_NO_KEY;
    if (tcgetattr(fd, &g_saved_mode) != 0) {
        close(fd);
        return PLATFORM_NO_KEY;
    }
    g_tty = fd;
    catch_signals();
    struct termios raw = g_saved_mode;
    // No line editing and no echo, but Ctrl-C and its kin still signal.
    raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO | IEXTEN);
    raw.c_cc[VMIN] = 1;
    raw.c_cc[VTIME] = 0;
    int key = PLATFORM_NO_KEY;
    if (tcsetattr(fd, TCSANOW, &raw) == 0)
        key = read_key_press(fd);
    tcsetattr(fd, TCSANOW, &g_saved_mode);
    release_signals();
    g_tty = -1;
    close(fd);
    return key;
}

std::FILE* platform_open(const char* name, const char* mode)
{
    std::FILE* stream = std::fopen(name, mode);
    if (stream == nullptr)
        return nullptr;
    // Linux opens a directory for reading, and every read of it then fails
    // or finds nothing; for this tool a directory is never the file asked
    // for. A writing open of one fails by itself.
    struct stat status;
    if (mode[0] == 'r' && fstat(fileno(stream), &status) == 0 && S_ISDIR(status.st_mode)) {
        (void)std::fclose(stream);
        errno = EISDIR;
        return nullptr;
    }
    return stream;
}

std::FILE* platform_probe(const char* name)
{
    // O_NONBLOCK: opening a FIFO would otherwise wait for a writer.
    const int fd = open(name, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    struct stat status;
    if (fstat(fd, &status) != 0 || S_ISDIR(status.st_mode)) {
        close(fd);
        return nullptr;
    }
    std::FILE* probe = fdopen(fd, "rb");
    if (probe == nullptr)
        close(fd);
    return probe;
}

bool platform_is_regular_file(const char* name)
{
    struct stat status;
    return stat(name, &status) == 0 && S_ISREG(status.st_mode);
}
