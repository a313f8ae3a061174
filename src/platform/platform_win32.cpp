// The platform layer for Windows: the console's output code page decides how
// the texts are written, and the key read uses the console input in raw mode.
#include "platform/platform.h"

#include <cstdlib>
#include <cstring>

#include <windows.h>

namespace {

// The code page the tool's texts are written in.
constexpr UINT CODE_PAGE_932 = 932;

// The character Ctrl+C gives when the console does not process it itself.
constexpr wchar_t CTRL_C = 0x03;

HANDLE g_stdout_console = nullptr;          // the console standard output writes to, if it does
HANDLE g_stderr_console = nullptr;          // the console standard error writes to, if it does
HANDLE g_key_input = INVALID_HANDLE_VALUE;  // the console input while a key is being read
DWORD g_saved_mode = 0;                     // its mode before the read, put back on every way out

// The console a standard stream writes to, or null for a file or a pipe.
HANDLE console_of(DWORD which)
{
    HANDLE handle = GetStdHandle(which);
    DWORD mode = 0;
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE || GetConsoleMode(handle, &mode) == FALSE)
        return nullptr;
    return handle;
}

// Writes code page 932 text to a console: as it is when the console reads
// code page 932, as UTF-16 otherwise, so that it reads right whatever the
// console is set to. Each line feed goes out as CR LF, as a text stream
// writes it. The C runtime is passed by: on the way to a console it reads
// the bytes in its own locale, which is not code page 932. Returns false
// when the text could not be prepared.
bool write_console(HANDLE console, const char* text, std::size_t length)
{
    // 0x0A is never part of a code page 932 character, so a carriage
    // return can go before each one in the bytes.
    char* lines = static_cast<char*>(std::malloc(2 * length + 1));
    if (lines == nullptr)
        return false;
    DWORD size = 0;
    for (std::size_t i = 0; i < length; ++i) {
        if (text[i] == '\n')
            lines[size++] = '\r';
        lines[size++] = text[i];
    }
    DWORD done = 0;
    DWORD written = 0;
    if (GetConsoleOutputCP() == CODE_PAGE_932) {
        while (done < size && WriteConsoleA(console, lines + done, size - done, &written, nullptr) != FALSE &&
               written > 0)
            done += written;
        std::free(lines);
        return true;
    }
    const int count = MultiByteToWideChar(CODE_PAGE_932, 0, lines, static_cast<int>(size), nullptr, 0);
    wchar_t* wide =
        count > 0 ? static_cast<wchar_t*>(std::malloc(static_cast<std::size_t>(count) * sizeof(wchar_t))) : nullptr;
    if (wide != nullptr) {
        MultiByteToWideChar(CODE_PAGE_932, 0, lines, static_cast<int>(size), wide, count);
        const DWORD total = static_cast<DWORD>(count);
        while (done < total && WriteConsoleW(console, wide + done, total - done, &written, nullptr) != FALSE &&
               written > 0)
            done += written;
    }
    std::free(wide);
    std::free(lines);
    return wide != nullptr || size == 0;
}

// Whether the key is a modifier or lock key, which the user presses on the
// way to a character (Shift for a capital Y) and which is no answer itself.
bool is_modifier(WORD virtual_key)
{
    switch (virtual_key) {
    case VK_SHIFT:
    case VK_CONTROL:
    case VK_MENU:
    case VK_LWIN:
    case VK_RWIN:
    case VK_CAPITAL:
    case VK_NUMLOCK:
    case VK_SCROLL:
        return true;
    default:
        return false;
    }
}

bool is_printable(wchar_t c)
{
    return c >= 0x20 && c != 0x7F && !(c >= 0x80 && c < 0xA0);
}

// Shows what was typed, on the console whatever the standard streams are.
void echo(const wchar_t* characters, DWORD count)
{
    HANDLE output = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    if (output == INVALID_HANDLE_VALUE)
        return;
    DWORD written = 0;
    WriteConsoleW(output, characters, count, &written, nullptr);
    CloseHandle(output);
}

// Puts the console input back as it was when Ctrl+Break, closing the window
// or logging off ends the process during the read. Ctrl+C and Ctrl+Break end
// it here with the status Windows' own handler gives, also under a console
// that signals Ctrl+C although it was asked to pass it on as a key; the
// other events go on to the default handling, which ends the process.
BOOL WINAPI restore_on_stop(DWORD event)
{
    SetConsoleMode(g_key_input, g_saved_mode);
    if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT)
        ExitProcess(STATUS_CONTROL_C_EXIT);
    return FALSE;
}

// Reads console events until a key is pressed, and returns its character,
// or 0 for a key without one. A character outside the Basic Multilingual
// Plane comes as two presses and is read whole.
wchar_t read_key_press(HANDLE input, wchar_t* low_surrogate)
{
    *low_surrogate = 0;
    for (;;) {
        INPUT_RECORD record;
        DWORD count = 0;
        if (ReadConsoleInputW(input, &record, 1, &count) == FALSE || count == 0)
            return 0;
        if (record.EventType != KEY_EVENT)
            continue;
        const KEY_EVENT_RECORD& key = record.Event.KeyEvent;
        if (key.bKeyDown == FALSE || is_modifier(key.wVirtualKeyCode))
            continue;
        const wchar_t c = key.uChar.UnicodeChar;
        // Alt with a letter is a menu shortcut, not typed text; Ctrl+Alt is
        // AltGr, which types characters on many keyboards.
        const DWORD alt = LEFT_ALT_PRESSED | RIGHT_ALT_PRESSED;
        const DWORD ctrl = LEFT_CTRL_PRESSED | RIGHT_CTRL_PRESSED;
        if ((key.dwControlKeyState & alt) != 0 && (key.dwControlKeyState & ctrl) == 0)
            return 0;
        if (c >= 0xD800 && c <= 0xDBFF) {
            wchar_t unused = 0;
            *low_surrogate = read_key_press(input, &unused);
        }
        return c;
    }
}

}  // namespace

void platform_start_output(const char* const* /*texts*/, std::size_t /*count*/)
{
    // Every text of the tool has a UTF-16 form, so there is nothing to
    // check; only where each stream goes matters. Standard output and error
    // stay text streams, so a line feed goes to a file or pipe as CR LF.
    g_stdout_console = console_of(STD_OUTPUT_HANDLE);
    g_stderr_console = console_of(STD_ERROR_HANDLE);
    // The C runtime buffers standard error when it goes to a file or pipe;
    // unbuffered, its messages keep their place among the reports when
    // both streams go to one file.
    (void)std::setvbuf(stderr, nullptr, _IONBF, 0);
}

void platform_write_text(std::FILE* stream, const char* text, std::size_t length)
{
    HANDLE console = stream == stdout ? g_stdout_console : stream == stderr ? g_stderr_console : nullptr;
    if (console != nullptr) {
        // Whatever the stream still buffers goes first, to keep the order.
        (void)std::fflush(stream);
        if (write_console(console, text, length))
            return;
    }
    // A failing write to standard output or error is not reported: there
    // would be nowhere left to report it.
    (void)std::fwrite(text, 1, length, stream);
}

void platform_write_name(std::FILE* stream, const char* name)
{
    // On a console a name reads in the same code page as the text around
    // it; in a file or pipe its bytes go out as the tool holds them.
    platform_write_text(stream, name, std::strlen(name));
}

int platform_read_key()
{
    // The console, not standard input: the answer must come from the person
    // at the console even when input and output are redirected.
    HANDLE input = CreateFileW(L"CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_EXISTING, 0, nullptr);
    if (input == INVALID_HANDLE_VALUE)
        return PLATFORM_NO_KEY;
    DWORD saved = 0;
    if (GetConsoleMode(input, &saved) == FALSE) {
        CloseHandle(input);
        return PLATFORM_NO_KEY;
    }
    g_key_input = input;
    g_saved_mode = saved;
    SetConsoleCtrlHandler(restore_on_stop, TRUE);
    // No line editing, no echo by the console, and Ctrl+C as a key.
    const DWORD raw = saved & ~static_cast<DWORD>(ENABLE_LINE_INPUT | ENABLE_ECHO_INPUT | ENABLE_PROCESSED_INPUT);
    wchar_t key = 0;
    wchar_t low_surrogate = 0;
    if (SetConsoleMode(input, raw) != FALSE)
        key = read_key_press(input, &low_surrogate);
    SetConsoleMode(input, saved);
    SetConsoleCtrlHandler(restore_on_stop, FALSE);
    g_key_input = INVALID_HANDLE_VALUE;
    CloseHandle(input);

    // Ctrl+C at the question stops the tool as it does anywhere else, now
    // that the console has its mode back.
    if (key == CTRL_C)
        ExitProcess(STATUS_CONTROL_C_EXIT);
    if (key == 0)
        return PLATFORM_NO_KEY;
    if (is_printable(key)) {
        const wchar_t shown[2] = {key, low_surrogate};
        echo(shown, low_surrogate != 0 ? 2 : 1);
    }
    // A character beyond ASCII is never Y.
    return key < 0x80 ? static_cast<int>(key) : PLATFORM_NO_KEY;
}

std::FILE* platform_open(const char* name, const char* mode)
{
    // Windows refuses to open a directory as a file by itself.
    return std::fopen(name, mode);
}

std::FILE* platform_probe(const char* name)
{
    // A plain read open: Windows has no file that makes an open wait, and a
    // directory does not open as a file.
    return std::fopen(name, "rb");
}

bool platform_is_regular_file(const char* name)
{
    // A device name such as NUL or CON opens too, but is no file on disk.
    HANDLE file = CreateFileA(name, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    BY_HANDLE_FILE_INFORMATION information;
    const bool regular = GetFileType(file) == FILE_TYPE_DISK &&
                         GetFileInformationByHandle(file, &information) != FALSE &&
                         (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
    CloseHandle(file);
    return regular;
}
