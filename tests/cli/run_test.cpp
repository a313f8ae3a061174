// The command line: argument checks, the PCM number, default extensions and
// the opening of the two inputs.
#include <string>
#include <vector>

#include "cli/harness.h"

namespace {

using Names = std::vector<std::string>;

class CommandLine : public CliTest {
protected:
    // A bank with samples 0, 21 and 8255 and a list naming each of them.
    void write_three_entry_bank(const std::string& bank, const std::string& list) const
    {
        std::vector<std::string> samples(8256);
        samples[0] = sample_bytes(10, 0);
        samples[21] = sample_bytes(21, 21);
        samples[8255] = sample_bytes(30, 8255);
        write(bank, make_bank(samples, samples.size()));
        write(list, "0 zero.pcm\n21 kick.pcm\n8255 last.pcm\n");
    }
};

TEST_F(CommandLine, WrongArgumentCountPrintsUsage)
{
    const std::vector<Names> cases = {{}, {"bos"}, {"bos", "bos", "21", "x"}, {"bos", "bos", "21", "x", "y"}};
    write("bos.PDX", make_bank({"abc"}, 1));
    write("bos.PDL", "0 a.pcm\n");
    for (const Names& args : cases) {
        const Result result = run(args);
        EXPECT_EQ(result.status, 255) << args.size() << " arguments";
        EXPECT_EQ(result.out, banner() + usage_text()) << args.size() << " arguments";
        EXPECT_EQ(result.err, "") << args.size() << " arguments";
    }
    EXPECT_EQ(files(), (Names{"bos.PDL", "bos.PDX"}));
}

TEST_F(CommandLine, PcmNumberOutsideZeroTo8255PrintsUsage)
{
    write_three_entry_bank("bos.PDX", "bos.PDL");
    // 4294967317 is 2^32 + 21 and -4294967295 is 1 modulo 2^32: neither may
    // wrap into the accepted range.
    for (const char* number : {"8256", "-1", "99999999999", "4294967317", "-4294967295"}) {
        const Result result = run({"bos", "bos", number});
        EXPECT_EQ(result.status, 255) << number;
        EXPECT_EQ(result.out, banner() + usage_text()) << number;
        EXPECT_EQ(result.err, "") << number;
    }
    EXPECT_EQ(files(), (Names{"bos.PDL", "bos.PDX"}));
}

TEST_F(CommandLine, PcmNumberSelectsTheEntriesWithIt)
{
    struct Case {
        const char* argument;
        const char* written;
        std::size_t size;
    };
    const Case cases[] = {
        {"0", "zero.pcm", 10},   {"8255", "last.pcm", 30}, {"abc", "zero.pcm", 10},
        {"21x", "kick.pcm", 21}, {" 21", "kick.pcm", 21},  {"+21", "kick.pcm", 21},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.argument);
        reset();
        write_three_entry_bank("bos.PDX", "bos.PDL");
        const Result result = run({"bos", "bos", c.argument});
        EXPECT_EQ(result.status, 0);
        EXPECT_EQ(result.out, banner() + extracted(c.written));
        EXPECT_EQ(result.err, finished());
        EXPECT_EQ(files(), (Names{"bos.PDL", "bos.PDX", c.written}));
        EXPECT_EQ(read(c.written).size(), c.size);
    }
}

TEST_F(CommandLine, DefaultExtensionsAreAddedToNamesWithoutADot)
{
    struct Case {
        const char* folder;  // where the tool runs
        const char* bank_argument;
        const char* list_argument;
        const char* bank_file;
        const char* list_file;
    };
    const Case cases[] = {
        {"", "bos", "bos", "bos.PDX", "bos.PDL"},
        {"", "bos.pdx", "bos.pdl", "bos.pdx", "bos.pdl"},
        {"", "./bos", "./bos", "bos.PDX", "bos.PDL"},
        {"work", "../bos", "../bos", "bos.PDX", "bos.PDL"},
        {"", "dir.x/bos", "dir.x/bos", "dir.x/bos.PDX", "dir.x/bos.PDL"},
        {"", "bos.", "list.", "bos.", "list."},
        {"", "old.dir\\bos", "old.dir\\bos", "old.dir\\bos.PDX", "old.dir\\bos.PDL"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bank_argument);
        reset();
        ASSERT_EQ(mkdir(path("dir.x").c_str(), 0755), 0);
        ASSERT_EQ(mkdir(path("work").c_str(), 0755), 0);
        write(c.bank_file, make_bank({"sample"}, 1));
        write(c.list_file, "0 out.pcm\n");
        RunOptions options;
        options.folder = c.folder;
        const Result result = run({c.bank_argument, c.list_argument}, options);
        EXPECT_EQ(result.status, 0);
        EXPECT_EQ(result.out, banner() + extracted("out.pcm"));
        EXPECT_EQ(result.err, finished());
        EXPECT_EQ(read(*c.folder ? std::string(c.folder) + "/out.pcm" : "out.pcm"), "sample");
    }
}

TEST_F(CommandLine, InputThatCannotBeOpenedIsNamedAsCompleted)
{
    struct Case {
        bool bank_there;
        bool list_there;
        const char* message_name;
    };
    // The bank is opened first: with both missing only its name is shown.
    const Case cases[] = {{false, true, "bos.PDX"}, {true, false, "bos.PDL"}, {false, false, "bos.PDX"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message_name);
        reset();
        Names expected_files;
        if (c.list_there) {
            write("bos.PDL", "0 a.pcm\n");
            expected_files.push_back("bos.PDL");
        }
        if (c.bank_there) {
            write("bos.PDX", make_bank({"abc"}, 1));
            expected_files.push_back("bos.PDX");
        }
        const Result result = run({"bos", "bos"});
        EXPECT_EQ(result.status, 255);
        EXPECT_EQ(result.out, banner());
        EXPECT_EQ(result.err, open_failure(c.message_name));
        EXPECT_EQ(files(), expected_files);
    }
}

TEST_F(CommandLine, DirectoryIsNoInputFile)
{
    ASSERT_EQ(mkdir(path("bank.PDX").c_str(), 0755), 0);
    ASSERT_EQ(mkdir(path("list.PDL").c_str(), 0755), 0);
    write("bos.PDX", make_bank({"abc"}, 1));
    write("bos.PDL", "0 a.pcm\n");

    Result result = run({"bank", "bos"});
    EXPECT_EQ(result.status, 255);
    EXPECT_EQ(result.out, banner());
    EXPECT_EQ(result.err, open_failure("bank.PDX"));

    result = run({"bos", "list"});
    EXPECT_EQ(result.status, 255);
    EXPECT_EQ(result.out, banner());
    EXPECT_EQ(result.err, open_failure("list.PDL"));
    EXPECT_EQ(files(), (Names{"bank.PDX", "bos.PDL", "bos.PDX", "list.PDL"}));
}

TEST_F(CommandLine, EmptyListFinishesAtOnce)
{
    write("bos.PDX", make_bank({"abc"}, 1));
    write("bos.PDL", "");
    const Result result = run({"bos", "bos"});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, banner());
    EXPECT_EQ(result.err, finished());
    EXPECT_EQ(files(), (Names{"bos.PDL", "bos.PDX"}));
}

}  // namespace
