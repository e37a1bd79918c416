// Size arithmetic, code pages and web-address detection of the note body.
#include <gtest/gtest.h>

#include "richtext/body_metrics.h"
#include "richtext/code_page.h"
#include "richtext/web_address.h"

namespace kd {
namespace {

TEST(BodyMetrics, MulDivRoundsHalfAwayFromZero) {
    EXPECT_EQ(mul_div(8, 96, 72), 11);  // 10.67
    EXPECT_EQ(mul_div(-8, 96, 72), -11);
    EXPECT_EQ(mul_div(3, 1, 2), 2);
    EXPECT_EQ(mul_div(-3, 1, 2), -2);
    EXPECT_EQ(mul_div(1, 1, 0), -1);
    EXPECT_EQ(mul_div(2000000000, 2, 4), 1000000000);  // no overflow in the product
}

TEST(BodyMetrics, ScreenSizeRoundTrip) {
    EXPECT_EQ(screen_point_size(8, 96), 8);
    EXPECT_EQ(screen_point_size(9, 96), 9);
    EXPECT_EQ(screen_point_size(11, 96), 11);
    EXPECT_EQ(screen_point_size(8, 120), 8);  // 13.33 -> 13 px -> 7.8
    EXPECT_EQ(screen_point_size(1, 96), 1);
    EXPECT_EQ(decreased_size(1), 1);
    EXPECT_EQ(decreased_size(2), 1);
    EXPECT_EQ(decreased_size(10), 9);
}

TEST(CodePage, DecodeAndEncodeAgree) {
    for (int cp : {874, 1250, 1251, 1252, 1253, 1254, 1255, 1256, 1257, 1258}) {
        for (int b = 0; b < 256; ++b) {
            char16_t ch = decode_byte(cp, std::uint8_t(b));
            auto back = encode_char(cp, ch);
            if (back) {
                EXPECT_EQ(*back, b) << cp << " " << b;
            }
        }
    }
    EXPECT_EQ(decode_byte(1252, 0x80), u'\u20AC');
    EXPECT_EQ(decode_byte(1251, 0xC0), u'\u0410');
    EXPECT_EQ(decode_byte(1250, 0xB9), u'\u0105');
    EXPECT_FALSE(encode_char(1252, u'\u0416').has_value());
    EXPECT_EQ(code_page_for_charset(204, 1252), 1251);
    EXPECT_EQ(code_page_for_charset(0, 1250), 1250);
    EXPECT_EQ(code_page_for_charset(2, 1252), 1252);
}

std::vector<std::u16string> addresses(std::u16string_view text) {
    std::vector<std::u16string> out;
    for (const WebAddress& a : find_web_addresses(text))
        out.emplace_back(text.substr(a.start, a.length));
    return out;
}

TEST(WebAddress, FindsSchemesAndWwwAtWordStarts) {
    using V = std::vector<std::u16string>;
    EXPECT_EQ(addresses(u"see http://example.org/a?b=1, or www.test.net."),
              (V{u"http://example.org/a?b=1", u"www.test.net"}));
    EXPECT_EQ(addresses(u"(HTTPS://X.Y/z) mailto:me@x.org ftp://h/f\tfile:/tmp/x"),
              (V{u"HTTPS://X.Y/z", u"mailto:me@x.org", u"ftp://h/f", u"file:/tmp/x"}));
    EXPECT_EQ(addresses(u"nowww.example.com xhttp://a http:// www."), V{});
    EXPECT_EQ(addresses(u"<http://a.b>\u2028www.c.d"), (V{u"http://a.b", u"www.c.d"}));
}

}  // namespace
}  // namespace kd
