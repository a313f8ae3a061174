#include <gtest/gtest.h>

#include <string>

#include "run/run.h"

namespace {

struct ExtensionCase {
    const char* name;
    bool is_bank;
    const char* expected;
};

const ExtensionCase EXTENSION_CASES[] = {
    {"bos", true, "bos.PDX"},
    {"bos", false, "bos.PDL"},
    {"bos.pdx", true, "bos.pdx"},
    {"bos.pdl", false, "bos.pdl"},
    {"bos.", true, "bos."},
    {"bos.tar.gz", false, "bos.tar.gz"},
    {".hidden", true, ".hidden"},
    {"old.dir\\bos", true, "old.dir\\bos.PDX"},
    {"old.dir\\bos.x", true, "old.dir\\bos.x"},
    {"dir.x/bos", true, "dir.x/bos.PDX"},
    {"./bos", false, "./bos.PDL"},
    {"../bos", true, "../bos.PDX"},
    {"a.b/c.d\\e", false, "a.b/c.d\\e.PDL"},
    {"dir/", true, "dir/.PDX"},
    {"c:bos", true, "c:bos.PDX"},
    {"", false, ".PDL"},
};

TEST(AddDefaultExtension, CompletesOnlyANameWithoutADot)
{
    for (const ExtensionCase& c : EXTENSION_CASES) {
        std::string buffer(c.name);
        buffer.resize(buffer.size() + EXTENSION_ROOM, '\0');
        EXPECT_STREQ(add_default_extension(buffer.data(), c.is_bank), c.expected) << "name \"" << c.name << "\"";
    }
}

TEST(AddDefaultExtension, ReturnsTheBufferItWasGiven)
{
    char buffer[16] = "bos";
    EXPECT_EQ(add_default_extension(buffer, true), buffer);
}

}  // namespace
