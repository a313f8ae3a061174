// Failures during the walk: each prints its message, keeps what was written
// before it, and ends the run with status 255 (-1).
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "cli/harness.h"

namespace {

using Names = std::vector<std::string>;

class Failure : public CliTest { };

TEST_F(Failure, OutputThatCannotBeOpenedEndsTheRun)
{
    struct Case {
        const char* line;
        const char* name;
    };
    const Case cases[] = {
        {"1 missing/b.pcm\n", "missing/b.pcm"},
        {"1 *no name\n", ""},
        // A line with neither blank nor '=' is an entry with an empty name,
        // so the slip is reported rather than passed over.
        {"1kick.pcm\n", ""},
        {"1 folder\n", "folder"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        reset();
        ASSERT_EQ(mkdir(path("folder").c_str(), 0755), 0);
        write("bos.PDX", make_bank({"zero", "one", "two"}, 3));
        write("bos.PDL", std::string("0 a.pcm\n") + c.line + "2 c.pcm\n");
        const Result result = run({"bos", "bos"});
        EXPECT_EQ(result.status, 255);
        EXPECT_EQ(result.out, banner() + extracted("a.pcm"));
        // A folder is no file to replace: there is no question, only the
        // failure of the writing open.
        EXPECT_EQ(result.err, open_failure(c.name));
        EXPECT_EQ(files(), (Names{"a.pcm", "bos.PDL", "bos.PDX", "folder"}));
        EXPECT_EQ(read("a.pcm"), "zero");
    }
}

TEST_F(Failure, PositionBeyondSigned32BitsIsASeekFailure)
{
    struct Case {
        const char* what;
        std::string bank;
        const char* line;
    };
    const Case cases[] = {
        {"directory entry at 2^31", make_bank({"zero"}, 1), "268435456 b.pcm\n"},
        {"number beyond 32 bits", make_bank({"zero"}, 1), "99999999999 b.pcm\n"},
        {"number 2^32 + 1", make_bank({"zero"}, 1), "4294967297 b.pcm\n"},
        {"offset 2^31", bank_entry(16, 4) + bank_entry(0x80000000U, 1) + "zero", "1 b.pcm\n"},
        {"offset 2^32 - 1", bank_entry(16, 4) + bank_entry(0xFFFFFFFFU, 0) + "zero", "1 b.pcm\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        reset();
        write("bos.PDX", c.bank);
        write("bos.PDL", std::string("0 a.pcm\n") + c.line + "0 c.pcm\n");
        const Result result = run({"bos", "bos"});
        EXPECT_EQ(result.status, 255);
        EXPECT_EQ(result.out, banner() + extracted("a.pcm"));
        EXPECT_EQ(result.err, seek_failure());
        EXPECT_EQ(files(), (Names{"a.pcm", "bos.PDL", "bos.PDX"}));
    }
}

TEST_F(Failure, LastPositionBelow2To31StillSeeks)
{
    // 8 x 268435455 = 2^31 - 8 lies past the end of the bank: an empty entry.
    write("bos.PDX", make_bank({"zero"}, 1));
    write("bos.PDL", "268435455 b.pcm\n");
    const Result result = run({"bos", "bos"});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, banner() + extracted("b.pcm"));
    EXPECT_EQ(read("b.pcm"), "");
}

TEST_F(Failure, ShortWriteDeletesThePartialFile)
{
    // The second case is smaller than the output buffer: its failure only
    // shows when the data is flushed, and must be caught all the same.
    for (const std::size_t length : {std::size_t{100000}, std::size_t{1500}}) {
        SCOPED_TRACE(length);
        reset();
        write("bos.PDX", make_bank({sample_bytes(900, 1), sample_bytes(length, 2), "two"}, 3));
        write("bos.PDL", "0 a.pcm\n1 big.pcm\n2 c.pcm\n");
        RunOptions options;
        options.file_size_limit = 1000;
        const Result result = run({"bos", "bos"}, options);
        EXPECT_EQ(result.status, 255);
        EXPECT_EQ(result.out, banner() + extracted("a.pcm"));
        EXPECT_EQ(result.err, disk_full());
        EXPECT_EQ(files(), (Names{"a.pcm", "bos.PDL", "bos.PDX"}));
        EXPECT_EQ(read("a.pcm"), sample_bytes(900, 1));
    }
}

// Makes a folder append-only for as long as it lives: files can be made in
// it but, even by root, not removed.
struct AppendOnlyFolder {
    explicit AppendOnlyFolder(const std::string& path)
        : fd(open(path.c_str(), O_RDONLY | O_DIRECTORY))
    {
        int flags = 0;
        set = fd >= 0 && ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0 &&
              (flags |= FS_APPEND_FL, ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0);
    }
    ~AppendOnlyFolder()
    {
        int flags = 0;
        if (set && ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0) {
            flags &= ~FS_APPEND_FL;
            ioctl(fd, FS_IOC_SETFLAGS, &flags);
        }
        if (fd >= 0)
            close(fd);
    }
    int fd;
    bool set = false;
};

TEST_F(Failure, PartialFileThatCannotBeDeleted)
{
    LINUX_ONLY("Wine removes a file only when its last handle closes, and reports no failure then");
    ASSERT_EQ(mkdir(path("kept").c_str(), 0755), 0);
    write("bos.PDX", make_bank({sample_bytes(5000, 1)}, 1));
    write("bos.PDL", "0 kept/big.pcm\n");
    const AppendOnlyFolder folder(path("kept"));
    if (!folder.set)
        GTEST_SKIP() << "this file system or user cannot make a folder append-only";
    RunOptions options;
    options.file_size_limit = 1000;
    const Result result = run({"bos", "bos"}, options);
    EXPECT_EQ(result.status, 255);
    EXPECT_EQ(result.out, banner());
    EXPECT_EQ(result.err, disk_full() + delete_failure("kept/big.pcm"));
    EXPECT_EQ(read("kept/big.pcm").size(), 1000U);
}

TEST_F(Failure, SampleTooLargeForMemory)
{
    LINUX_ONLY("a Windows program's memory cannot be limited from here");
    write("bos.PDX", bank_entry(16, 4) + bank_entry(16, 0xFFFFFFFFU) + "zero");
    write("bos.PDL", "0 a.pcm\n1 huge.pcm\n");
    RunOptions options;
    // A sanitized build keeps its own large reservations and is limited
    // through its allocator's options instead.
    if (!BANKCUT_SANITIZED)
        options.address_space_limit = rlim_t{1} << 30;
    Result result = run({"bos", "bos"}, options);
    if (BANKCUT_SANITIZED && result.err.rfind("==", 0) == 0)
        result.err.erase(0, result.err.find('\n') + 1);  // the sanitizer's own warning
    EXPECT_EQ(result.status, 255);
    EXPECT_EQ(result.out, banner() + extracted("a.pcm"));
    EXPECT_EQ(result.err, out_of_memory());
    EXPECT_EQ(files(), (Names{"a.pcm", "bos.PDL", "bos.PDX"}));
}

TEST_F(Failure, ListThatCannotBeReadEndsTheRun)
{
    // Reading a process's own memory from address 0 fails with an I/O error.
    write("bos.PDX", make_bank({"zero"}, 1));
    ASSERT_EQ(symlink("/proc/self/mem", path("bos.PDL").c_str()), 0);
    const Result result = run({"bos", "bos"});
    EXPECT_EQ(result.status, 255);
    EXPECT_EQ(result.out, banner());
    EXPECT_EQ(result.err, list_access_failure());
    EXPECT_EQ(files(), (Names{"bos.PDL", "bos.PDX"}));
}

}  // namespace
