// Measures bankcut end to end: how fast it cuts a bank into files, and how
// much memory it takes, next to cp copying the whole bank at once, which is
// what the disk allows. Nothing here is asserted; it prints what it saw.
//
//   bankcut_bench [large_mib [count]]
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct Measure {
    double seconds;
    long max_rss_kib;
};

void put_entry(std::string* bank, std::uint32_t offset, std::uint32_t length)
{
    for (std::uint32_t word : {offset, length})
        for (int shift = 24; shift >= 0; shift -= 8)
            *bank += static_cast<char>((word >> shift) & 0xFF);
}

// Writes a bank of count samples of the given size, and a list naming them.
void make_bank(const fs::path& dir, std::size_t count, std::size_t size)
{
    std::string directory;
    const std::size_t data_start = count * 8;
    for (std::size_t n = 0; n < count; ++n)
        put_entry(&directory, static_cast<std::uint32_t>(data_start + n * size), static_cast<std::uint32_t>(size));
    std::FILE* bank = std::fopen((dir / "bench.PDX").c_str(), "wb");
    (void)std::fwrite(directory.data(), 1, directory.size(), bank);
    std::vector<char> sample(size);
    std::uint32_t state = 1;
    for (std::size_t n = 0; n < count; ++n) {
        for (char& byte : sample) {
            state = state * 1664525U + 1013904223U;
            byte = static_cast<char>(state >> 24);
        }
        (void)std::fwrite(sample.data(), 1, sample.size(), bank);
    }
    (void)std::fclose(bank);
    std::FILE* list = std::fopen((dir / "bench.PDL").c_str(), "w");
    for (std::size_t n = 0; n < count; ++n)
        (void)std::fprintf(list, "%zu out/s%zu.pcm\r\n", n, n);
    (void)std::fclose(list);
}

// Runs a command in dir, with output to /dev/null, and measures it.
Measure run(const fs::path& dir, const std::vector<std::string>& command)
{
    std::vector<char*> argv;
    argv.reserve(command.size() + 1);
    for (const std::string& word : command)
        argv.push_back(const_cast<char*>(word.c_str()));
    argv.push_back(nullptr);
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        if (chdir(dir.c_str()) != 0)
            _exit(126);
        const int null = open("/dev/null", O_RDWR);
        dup2(null, 0);
        dup2(null, 1);
        dup2(null, 2);
        setsid();
        execv(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    struct rusage usage = {};
    wait4(pid, &status, 0, &usage);
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        (void)std::fprintf(stderr, "%s failed\n", command[0].c_str());
    return {took.count(), usage.ru_maxrss};
}

// The best of a few runs, each into an empty output folder.
Measure best_of(int runs, const fs::path& dir, const std::vector<std::string>& command)
{
    Measure best = {1e9, 0};
    for (int i = 0; i < runs; ++i) {
        fs::remove_all(dir / "out");
        fs::create_directory(dir / "out");
        sync();
        const Measure measure = run(dir, command);
        if (measure.seconds < best.seconds)
            best = measure;
    }
    return best;
}

void report(const char* what, double mib, std::size_t files, const Measure& tool, const Measure& copy)
{
    std::printf("%-34s %8.1f MiB/s %9.0f files/s %7ld KiB max RSS   (cp of the bank: %8.1f MiB/s)\n", what,
                mib / tool.seconds, static_cast<double>(files) / tool.seconds, tool.max_rss_kib, mib / copy.seconds);
}

}  // namespace

int main(int argc, char** argv)
{
    const std::size_t large_mib = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 64;
    const std::size_t large_count = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 8;
    std::string pattern = (fs::temp_directory_path() / "bankcut-bench.XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr)
        return 1;
    const fs::path dir = pattern;
    const struct {
        const char* what;
        std::size_t count;
        std::size_t size;
    } cases[] = {
        {"large samples", large_count, large_mib << 20},
        {"8256 samples of 4 KiB", 8256, 4096},
        {"8256 samples of 64 bytes", 8256, 64},
    };
    for (const auto& c : cases) {
        fs::remove_all(dir / "out");
        make_bank(dir, c.count, c.size);
        const double mib = static_cast<double>(c.count * c.size) / (1 << 20);
        const Measure tool = best_of(3, dir, {BANKCUT_BINARY, "bench", "bench"});
        const Measure copy = best_of(3, dir, {"/bin/cp", "bench.PDX", "out/copy"});
        char what[64];
        (void)std::snprintf(what, sizeof what, "%s (%zu x %zu B)", c.what, c.count, c.size);
        report(what, mib, c.count, tool, copy);
    }
    fs::remove_all(dir);
    return 0;
}
