// JSON strings: escapes, and valid UTF-8 whatever bytes the text holds.

#include "json_text.h"

#include <gtest/gtest.h>

namespace tarvel {
namespace {

TEST(JsonText, EveryTextBecomesValidUtf8) {
    struct Case {
        const char* name;
        std::string text;
        std::string json;
    };
    const Case cases[] = {
        {"escapes", "a\"b\\c\r\n\t\x01\x7f", R"("a\"b\\c\r\n\t\u0001\u007f")"},
        {"well-formed UTF-8 stays", "\xc3\xa9 \xe2\x82\xac \xf0\x9f\x9a\x80",
         "\"\xc3\xa9 \xe2\x82\xac \xf0\x9f\x9a\x80\""},
        {"a single-byte letter", "Caf\xe9", "\"Caf\xc3\xa9\""},
        {"bytes that start no sequence", "\xff\xfe\x80", "\"\xc3\xbf\xc3\xbe\xc2\x80\""},
        {"overlong form", "\xe0\x80\xaf", "\"\xc3\xa0\xc2\x80\xc2\xaf\""},
        {"surrogate", "\xed\xa0\x80", "\"\xc3\xad\xc2\xa0\xc2\x80\""},
        {"beyond U+10FFFF", "\xf4\x90\x80\x80", "\"\xc3\xb4\xc2\x90\xc2\x80\xc2\x80\""},
        {"sequence cut by the end", "\xe2\x82", "\"\xc3\xa2\xc2\x82\""},
    };
    for (const Case& c : cases) EXPECT_EQ(jsonString(c.text), c.json) << c.name;
}

}  // namespace
}  // namespace tarvel
