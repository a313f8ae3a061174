#include "common/convert.h"

#include <gtest/gtest.h>
#include <iconv.h>

std::string convert(const std::string& text, const char* from, const char* to)
{
    iconv_t converter = iconv_open(to, from);
    if (converter == reinterpret_cast<iconv_t>(-1)) {  // NOLINT(performance-no-int-to-ptr): iconv's own value
        ADD_FAILURE() << "no conversion from " << from << " to " << to;
        return {};
    }
    std::string in = text;
    std::string out(text.size() * 4 + 16, '\0');
    char* in_pointer = in.data();
    char* out_pointer = out.data();
    std::size_t in_left = in.size();
    std::size_t out_left = out.size();
    if (iconv(converter, &in_pointer, &in_left, &out_pointer, &out_left) == static_cast<std::size_t>(-1))
        ADD_FAILURE() << "cannot convert \"" << text << "\" from " << from << " to " << to;
    iconv_close(converter);
    out.resize(out.size() - out_left);
    return out;
}

std::string cp932(const std::string& utf8)
{
    return convert(utf8, "UTF-8", "CP932");
}

std::string cp932_to_utf8(const std::string& bytes)
{
    return convert(bytes, "CP932", "UTF-8");
}
