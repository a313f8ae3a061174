// Every fixed text is stored twice, as code page 932 bytes and readable; a
// wrong byte shows up here as a difference between the two.
#include <gtest/gtest.h>

#include "common/convert.h"
#include "guarded_io/guarded_io.h"
#include "run/run.h"

namespace {

void expect_bytes_match_readable(const FixedText& text)
{
    EXPECT_EQ(convert(text.bytes, "CP932", "UTF-8"), text.readable);
}

TEST(FixedTexts, CatalogueBytesDecodeToTheirReadableText)
{
    for (const MessageText& message : MESSAGES)
        expect_bytes_match_readable(message.text);
}

TEST(FixedTexts, BannerAndUsageBytesDecodeToTheirReadableText)
{
    expect_bytes_match_readable(BANNER);
    for (const FixedText& line : USAGE_TEXT)
        expect_bytes_match_readable(line);
}

TEST(FixedTexts, WaveDashIsTheCodePageByteTwin)
{
    // The usage text shows the range as "0 ～ 8255", with the code page's own
    // wave dash, which reads as the full-width tilde.
    EXPECT_NE(std::string(USAGE_TEXT[6].bytes).find("0 \x81\x60 8255"), std::string::npos);
}

}  // namespace
