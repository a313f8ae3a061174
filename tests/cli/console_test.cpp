// The overwrite question, answered at a real (pseudo-)terminal.
#include <csignal>
#include <string>
#include <vector>

#include "cli/harness.h"

namespace {

class Console : public CliTest {
protected:
    void SetUp() override
    {
        CliTest::SetUp();
        write("bos.PDX", make_bank({"new sample"}, 1));
        write("bos.PDL", "0 a.pcm\n");
        write("a.pcm", "old file");
    }

    const Encoding shown_ = console_encoding();
};

TEST_F(Console, OnlyYReplacesTheFile)
{
    struct Case {
        const char* what;
        std::string key;
        std::string echo;
        bool replaces;
    };
    const Case cases[] = {
        {"y", "y", "y", true},
        {"Y", "Y", "Y", true},
        {"N", "N", "N", false},
        {"Enter", "\r", "", false},
        {"blank", " ", " ", false},
        {"Esc", "\x1b", "", false},
        {"arrow key", "\x1b[A", "", false},
        {"function key", "\x1bOP", "", false},
        {"shifted arrow key", "\x1b[1;2C", "", false},
        {"Linux console F1", "\x1b[[A", "", false},
        {"Alt+y", "\x1by", "", false},
        {"two-byte character", "\xc3\xbf", "\xc3\xbf", false},
        {"three-byte character", "\xef\xbc\xb9", "\xef\xbc\xb9", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        write("a.pcm", "old file");
        const ConsoleResult console = run_at_console({"bos", "bos"}, {c.key});
        EXPECT_EQ(console.result.status, 0);
        EXPECT_EQ(console.questions, 1);
        EXPECT_TRUE(console.raw_at_every_question);
        EXPECT_TRUE(console.mode_restored);
        // Every byte of the key was read: nothing is left for the shell.
        EXPECT_EQ(console.unread_input, 0);
        EXPECT_EQ(console.console,
                  on_terminal(question("a.pcm", shown_)) + c.echo + on_terminal(answer_end() + finished(shown_)));
        EXPECT_EQ(console.result.out, banner() + (c.replaces ? extracted("a.pcm") : skipped()));
        EXPECT_EQ(read("a.pcm"), c.replaces ? "new sample" : "old file");
        EXPECT_EQ(files(), (std::vector<std::string>{"a.pcm", "bos.PDL", "bos.PDX"}));
    }
}

TEST_F(Console, EachExistingFileGetsItsOwnQuestion)
{
    write("bos.PDX", make_bank({"zero", "one", "two"}, 3));
    write("bos.PDL", "0 a.pcm\n1 b.pcm\n2 c.pcm\n");
    write("b.pcm", "old b");
    write("c.pcm", "old c");
    const ConsoleResult console = run_at_console({"bos", "bos"}, {"y", "n", "Y"});
    EXPECT_EQ(console.result.status, 0);
    EXPECT_EQ(console.questions, 3);
    EXPECT_EQ(console.console, on_terminal(question("a.pcm", shown_)) + "y" + on_terminal(answer_end()) +
                                   on_terminal(question("b.pcm", shown_)) + "n" + on_terminal(answer_end()) +
                                   on_terminal(question("c.pcm", shown_)) + "Y" +
                                   on_terminal(answer_end() + finished(shown_)));
    EXPECT_EQ(console.result.out, banner() + extracted("a.pcm") + skipped() + extracted("c.pcm"));
    EXPECT_EQ(read("a.pcm"), "zero");
    EXPECT_EQ(read("b.pcm"), "old b");
    EXPECT_EQ(read("c.pcm"), "two");
}

TEST_F(Console, ReportsBeforeTheQuestionShowFirst)
{
    write("bos.PDX", make_bank({"zero", "one"}, 2));
    write("bos.PDL", "1 b.pcm\n0 a.pcm\n");
    RunOptions options;
    options.stdin_from_console = true;
    options.stdout_to_console = true;
    const ConsoleResult console = run_at_console({"bos", "bos"}, {"y"}, options);
    EXPECT_EQ(console.result.status, 0);
    EXPECT_EQ(console.console, on_terminal(banner(shown_) + extracted("b.pcm", shown_) + question("a.pcm", shown_)) +
                                   "y" + on_terminal(answer_end() + extracted("a.pcm", shown_) + finished(shown_)));
    EXPECT_TRUE(console.mode_restored);
    EXPECT_EQ(read("a.pcm"), "zero");
}

TEST_F(Console, CtrlCAtTheQuestionStopsTheRun)
{
    const ConsoleResult console = run_at_console({"bos", "bos"}, {"\x03"});
    EXPECT_EQ(console.result.status, interrupted_status()) << console.console;
    EXPECT_TRUE(console.mode_restored);
    EXPECT_EQ(console.result.out, banner());
    EXPECT_EQ(read("a.pcm"), "old file");
    EXPECT_EQ(files(), (std::vector<std::string>{"a.pcm", "bos.PDL", "bos.PDX"}));
}

TEST_F(Console, SignalAtTheQuestionRestoresTheTerminal)
{
    LINUX_ONLY("Windows programs get no POSIX signals; Ctrl+C is the case both share");
    for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) {
        SCOPED_TRACE(signal);
        RunOptions options;
        options.signal_at_question = signal;
        const ConsoleResult console = run_at_console({"bos", "bos"}, {}, options);
        EXPECT_EQ(console.result.status, 128 + signal);
        EXPECT_TRUE(console.mode_restored);
        EXPECT_EQ(read("a.pcm"), "old file");
        EXPECT_EQ(console.result.out, banner());
    }
}

}  // namespace
