// Walking the name list and cutting samples out of the bank, with no console.
#include <sys/stat.h>

#include <string>
#include <vector>

#include "cli/harness.h"

namespace {

using Names = std::vector<std::string>;

class Extraction : public CliTest { };

TEST_F(Extraction, WritesEveryListedSampleByteForByte)
{
    const std::vector<std::string> samples = {sample_bytes(2000, 1), sample_bytes(1500, 2), sample_bytes(600, 3), ""};
    write("bos.PDX", make_bank(samples, 32));
    // Code page 932 comments, CR LF line ends, both line forms, a comment line
    // and an entry behind a blank, which is no entry.
    write("bos.PDL", cp932("* ドラムのネームリスト\r\n"
                           "\r\n"
                           "0 kick.pcm        * バスドラム\r\n"
                           "1=snare.pcm       * スネア\r\n"
                           "0002 = hi hat.pcm * ハイハット\r\n"
                           " 1 ignored.pcm\r\n"
                           "3 silence.pcm     * 長さ０\r\n"));
    const Result result = run({"bos", "bos"});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, banner() + extracted("kick.pcm") + extracted("snare.pcm") + extracted("hihat.pcm") +
                              extracted("silence.pcm"));
    EXPECT_EQ(result.err, finished());
    EXPECT_EQ(files(), (Names{"bos.PDL", "bos.PDX", "hihat.pcm", "kick.pcm", "silence.pcm", "snare.pcm"}));
    EXPECT_EQ(read("kick.pcm"), samples[0]);
    EXPECT_EQ(read("snare.pcm"), samples[1]);
    EXPECT_EQ(read("hihat.pcm"), samples[2]);
    EXPECT_EQ(read("silence.pcm"), "");
}

TEST_F(Extraction, ListEndsAlikeWithAndWithoutFinalLineFeed)
{
    for (const char* list : {"0 a.pcm\n1 b.pcm\n", "0 a.pcm\n1 b.pcm", "0 a.pcm\r\n1 b.pcm\r\n"}) {
        SCOPED_TRACE(list);
        reset();
        write("bos.PDX", make_bank({"A", "BB"}, 2));
        write("bos.PDL", list);
        const Result result = run({"bos", "bos"});
        EXPECT_EQ(result.status, 0);
        EXPECT_EQ(result.out, banner() + extracted("a.pcm") + extracted("b.pcm"));
        EXPECT_EQ(result.err, finished());
        EXPECT_EQ(files(), (Names{"a.pcm", "b.pcm", "bos.PDL", "bos.PDX"}));
    }
}

TEST_F(Extraction, SameNumberOnTwoLinesWritesBothFiles)
{
    write("bos.PDX", make_bank({"zero", "one", "two"}, 3));
    write("bos.PDL", "1 first.pcm\n2 other.pcm\n1 second.pcm\n");
    // Both modes take every line with the number, in list order.
    for (const Names& args : {Names{"bos", "bos"}, Names{"bos", "bos", "1"}}) {
        SCOPED_TRACE(args.size());
        Result result = run(args);
        const std::string other = args.size() == 2 ? extracted("other.pcm") : "";
        EXPECT_EQ(result.status, 0);
        EXPECT_EQ(result.out, banner() + extracted("first.pcm") + other + extracted("second.pcm"));
        EXPECT_EQ(result.err, finished());
        EXPECT_EQ(read("first.pcm"), "one");
        EXPECT_EQ(read("second.pcm"), "one");
        EXPECT_EQ(std::remove(path("first.pcm").c_str()), 0);
        EXPECT_EQ(std::remove(path("second.pcm").c_str()), 0);
    }
}

TEST_F(Extraction, NumberNoLineCarriesWritesNothing)
{
    write("bos.PDX", make_bank({"zero", "one"}, 8256));
    write("bos.PDL", "0 a.pcm\n1 b.pcm\n");
    const Result result = run({"bos", "bos", "7"});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, banner());
    EXPECT_EQ(result.err, finished());
    EXPECT_EQ(files(), (Names{"bos.PDL", "bos.PDX"}));
}

TEST_F(Extraction, EndOfTextByteEndsTheWalk)
{
    write("bos.PDX", make_bank({"zero", "one"}, 2));
    write("bos.PDL", "0 a.pcm\r\n\x1A"
                     "1 b.pcm\r\n");
    const Result result = run({"bos", "bos"});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, banner() + extracted("a.pcm"));
    EXPECT_EQ(result.err, finished());
    EXPECT_EQ(files(), (Names{"a.pcm", "bos.PDL", "bos.PDX"}));
}

TEST_F(Extraction, LongLineIsReadIn255BytePieces)
{
    write("bos.PDX", make_bank({"zero", "one", "two"}, 3));
    // The first 255 bytes make one line, the rest the next.
    const std::string long_name(253, 'n');
    write("bos.PDL", "1 " + long_name + "2 tail.pcm\n");
    const Result result = run({"bos", "bos"});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, banner() + extracted(long_name) + extracted("tail.pcm"));
    EXPECT_EQ(read(long_name), "one");
    EXPECT_EQ(read("tail.pcm"), "two");
}

TEST_F(Extraction, NamesKeepTheirBytesAndMayNameAFolder)
{
    ASSERT_EQ(mkdir(path("sub").c_str(), 0755), 0);
    write("bos.PDX", make_bank({"zero", "one"}, 2));
    // Windows allows no tab in a file name, and parts folders with a
    // backslash as well.
    const std::string in_folder = under_wine() ? "sub\\a.pcm" : "sub/a\tb.pcm";
    const std::string japanese = cp932("サンプル.pcm");
    write("bos.PDL", "0 " + in_folder + "\n1 " + japanese + "\n");
    const Result result = run({"bos", "bos"});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, banner() + extracted(in_folder) + extracted(japanese));
    EXPECT_EQ(read(in_folder), "zero");
    EXPECT_EQ(read(japanese), "one");
}

TEST_F(Extraction, DirectoryIsReadWhereverTheNumberPoints)
{
    // Entry 2 lies inside the first sample, which holds offset 16 and length
    // 3 there; entry 100 lies past the end of the bank.
    const std::string first = bank_entry(0, 0) + bank_entry(16, 3);
    write("bos.PDX", make_bank({first}, 1));
    write("bos.PDL", "2 inside.pcm\n100 beyond.pcm\n");
    const Result result = run({"bos", "bos"});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, banner() + extracted("inside.pcm") + extracted("beyond.pcm"));
    EXPECT_EQ(read("inside.pcm"), std::string("\0\0\0", 3));
    EXPECT_EQ(read("beyond.pcm"), "");
}

TEST_F(Extraction, ShortBankReadsAreFilledWithZeros)
{
    struct Case {
        std::string bank;
        const char* line;
        std::string expected;
    };
    // Entry 1 lacks the last byte of its length, which reads as 0x00000100:
    // the bank's 15 bytes from offset 0, then zeros.
    const std::string cut_entry = bank_entry(0, 0) + std::string("\0\0\0\0\0\0\x01", 7);
    const Case cases[] = {
        // The sample runs 4 bytes past the end of the bank.
        {bank_entry(8, 6) + "ab", "0 out.pcm\n", std::string("ab\0\0\0\0", 6)},
        // The sample starts past the end.
        {bank_entry(100, 3), "0 out.pcm\n", std::string(3, '\0')},
        {cut_entry, "1 out.pcm\n", cut_entry + std::string(256 - cut_entry.size(), '\0')},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        reset();
        write("bos.PDX", c.bank);
        write("bos.PDL", c.line);
        const Result result = run({"bos", "bos"});
        EXPECT_EQ(result.status, 0);
        EXPECT_EQ(result.out, banner() + extracted("out.pcm"));
        EXPECT_EQ(result.err, finished());
        EXPECT_EQ(read("out.pcm"), c.expected);
    }
}

TEST_F(Extraction, ExistingFileIsKeptWithoutAConsole)
{
    write("bos.PDX", make_bank({"zero", "one"}, 2));
    write("bos.PDL", "0 a.pcm\n1 b.pcm\n");
    write("a.pcm", "precious");
    const Result result = run({"bos", "bos"});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, banner() + skipped() + extracted("b.pcm"));
    EXPECT_EQ(result.err, question("a.pcm") + answer_end() + finished());
    EXPECT_EQ(read("a.pcm"), "precious");
    EXPECT_EQ(read("b.pcm"), "one");
}

TEST_F(Extraction, OutputAndErrorsKeepTheirOrderInOneFile)
{
    write("bos.PDX", make_bank({"zero", "one", "two"}, 3));
    write("bos.PDL", "0 a.pcm\n1 b.pcm\n2 c.pcm\n");
    write("b.pcm", "precious");
    RunOptions options;
    options.stderr_to_stdout = true;
    const Result result = run({"bos", "bos"}, options);
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, banner() + extracted("a.pcm") + question("b.pcm") + answer_end() + skipped() +
                              extracted("c.pcm") + finished());
}

TEST_F(Extraction, SecondLineWithTheSameNameAsksFirst)
{
    write("bos.PDX", make_bank({"zero", "one"}, 2));
    write("bos.PDL", "0 a.pcm\n1 a.pcm\n");
    const Result result = run({"bos", "bos"});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, banner() + extracted("a.pcm") + skipped());
    EXPECT_EQ(result.err, question("a.pcm") + answer_end() + finished());
    EXPECT_EQ(read("a.pcm"), "zero");
}

TEST_F(Extraction, PipeNamedInTheListIsAskedAboutWithoutWaiting)
{
    LINUX_ONLY("Windows has no named pipes among its files");
    ASSERT_EQ(mkfifo(path("pipe").c_str(), 0644), 0);
    write("bos.PDX", make_bank({"zero"}, 1));
    write("bos.PDL", "0 pipe\n");
    const Result result = run({"bos", "bos"});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, banner() + skipped());
    EXPECT_EQ(result.err, question("pipe") + answer_end() + finished());
}

}  // namespace
