// The texts follow the locale's encoding; file names never change.
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "cli/harness.h"
#include "common/convert.h"

namespace {

class Encodings : public CliTest {
protected:
    // Locales made for these tests, shared by all of them.
    static void SetUpTestSuite()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "bankcut-locales.XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr)
            return;
        locales_ = pattern;
        const struct {
            const char* name;
            const char* source;
            const char* charmap;
        } made[] = {
            {"ja_JP.EUC-JP", "ja_JP", "EUC-JP"},
            {"ja_JP.SJIS", "ja_JP", "SHIFT_JIS"},
            {"en_US.ISO-8859-1", "en_US", "ISO-8859-1"},
            {"ja_JP.UTF-8", "ja_JP", "UTF-8"},
        };
        for (const auto& locale : made) {
            // -c: glibc warns that Shift_JIS is not ASCII-compatible, and
            // makes the locale anyway.
            const std::string command = std::string("localedef -c -i ") + locale.source + " -f " + locale.charmap +
                                        " " + locales_ + "/" + locale.name + " >/dev/null 2>&1";
            (void)std::system(command.c_str());
        }
    }

    static void TearDownTestSuite()
    {
        std::error_code ignored;
        if (!locales_.empty())
            std::filesystem::remove_all(locales_, ignored);
    }

    // Options for a run under one of the made locales; skips the test when
    // this machine could not make it.
    static RunOptions made_locale(const std::string& name)
    {
        RunOptions options;
        options.locale = name;
        options.locale_path = locales_;
        return options;
    }

    static bool have(const std::string& name) { return !locales_.empty() && exists_absolute(locales_ + "/" + name); }

    static bool exists_absolute(const std::string& path) { return access(path.c_str(), F_OK) == 0; }

    void write_bank_and_list() const
    {
        write("bos.PDX", make_bank({"zero", "one"}, 2));
        write("bos.PDL", "0 " + name_ + "\n1 a.pcm\n");
        write("a.pcm", "old");
    }

    static std::string locales_;
    // A name in code page 932 bytes, which are no valid UTF-8.
    const std::string name_ = cp932("サンプル.pcm");
};

std::string Encodings::locales_;

TEST_F(Encodings, Utf8LocaleShowsReadableTextsAndRawNames)
{
    LINUX_ONLY("Windows takes the encoding from the console, not from the locale");
    write_bank_and_list();
    RunOptions options;
    options.locale = "C.UTF-8";
    const Result result = run({"bos", "bos"}, options);
    const Encoding utf8 = Encoding::utf8;
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, banner(utf8) + extracted(name_, utf8) + skipped(utf8));
    EXPECT_EQ(result.err, question("a.pcm", utf8) + answer_end() + finished(utf8));
    EXPECT_EQ(read(name_), "zero");

    const Result usage = run({}, options);
    EXPECT_EQ(usage.out, banner(utf8) + usage_text(utf8));
    EXPECT_NE(usage.out.find("(0 \xef\xbd\x9e 8255)"), std::string::npos) << "the wave dash reads as U+FF5E";
}

TEST_F(Encodings, CodePage932AndAsciiLocalesGetTheBytesAsTheyAre)
{
    LINUX_ONLY("Windows takes the encoding from the console, not from the locale");
    for (const char* locale : {"C", "POSIX", "ja_JP.SJIS", "en_US.ISO-8859-1"}) {
        SCOPED_TRACE(locale);
        RunOptions options = made_locale(locale);
        if (std::string(locale).find('.') != std::string::npos && !have(locale)) {
            ADD_FAILURE() << "could not make the locale " << locale;
            continue;
        }
        reset();
        write_bank_and_list();
        const Result result = run({"bos", "bos"}, options);
        EXPECT_EQ(result.status, 0);
        EXPECT_EQ(result.out, banner() + extracted(name_) + skipped());
        EXPECT_EQ(result.err, question("a.pcm") + answer_end() + finished());
    }
}

TEST_F(Encodings, EucJpLocaleGetsConvertedTexts)
{
    LINUX_ONLY("Windows takes the encoding from the console, not from the locale");
    ASSERT_TRUE(have("ja_JP.EUC-JP")) << "could not make the locale ja_JP.EUC-JP";
    write_bank_and_list();
    const Result result = run({"bos", "bos"}, made_locale("ja_JP.EUC-JP"));
    const Encoding euc = Encoding::euc_jp;
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, banner(euc) + extracted(name_, euc) + skipped(euc));
    EXPECT_EQ(result.err, question("a.pcm", euc) + answer_end() + finished(euc));
    EXPECT_EQ(run({}, made_locale("ja_JP.EUC-JP")).out, banner(euc) + usage_text(euc));
}

// Wine takes the Windows code pages from the locale's name: C.UTF-8 gives
// the ANSI code page 1252 and the console code page 437, ja_JP.UTF-8 gives
// 932 for both, as on a Japanese Windows.
TEST_F(Encodings, WindowsFilesAndPipesGetTheBytesAsTheyAre)
{
    WINDOWS_ONLY("on Linux the locale decides, whatever the stream is");
    for (const char* locale : {"C.UTF-8", "ja_JP.UTF-8"}) {
        SCOPED_TRACE(locale);
        reset();
        write_bank_and_list();
        const RunOptions options = made_locale(locale);
        const Result result = run({"bos", "bos"}, options);
        EXPECT_EQ(result.status, 0);
        // The name in the message is the list's bytes, untouched.
        EXPECT_EQ(result.out, banner() + extracted(name_) + skipped());
        EXPECT_EQ(result.err, question("a.pcm") + answer_end() + finished());
        EXPECT_EQ(run({}, options).out, banner() + usage_text());
    }
}

TEST_F(Encodings, WindowsConsoleShowsTheTextsInEveryCodePage)
{
    WINDOWS_ONLY("on Linux the locale decides, whatever the stream is");
    // Code page 437 gets the texts as UTF-16, code page 932 as they are;
    // Wine's console shows both in the terminal's UTF-8. A name on the
    // console reads as code page 932 too.
    for (const char* locale : {"C.UTF-8", "ja_JP.UTF-8"}) {
        SCOPED_TRACE(locale);
        ASSERT_TRUE(std::string(locale) == "C.UTF-8" || have(locale)) << "could not make the locale " << locale;
        reset();
        write_bank_and_list();
        RunOptions options = made_locale(locale);
        options.stdout_to_console = true;
        const ConsoleResult console = run_at_console({"bos", "bos"}, {"n"}, options);
        const Encoding utf8 = Encoding::utf8;
        EXPECT_EQ(console.result.status, 0);
        EXPECT_EQ(console.console,
                  on_terminal(banner(utf8) + extracted(cp932_to_utf8(name_), utf8) + question("a.pcm", utf8)) + "n" +
                      on_terminal(answer_end() + skipped(utf8) + finished(utf8)));
        EXPECT_EQ(read("a.pcm"), "old");
    }
}

}  // namespace
