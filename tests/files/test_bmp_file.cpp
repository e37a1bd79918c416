// The BMP files of note pictures, byte by byte: the 24-bit writer and the depth converter.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "files/bmp_file.h"

namespace kd {
namespace {

using Bytes = std::vector<std::uint8_t>;

std::uint32_t u32(const Bytes& b, std::size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (std::uint32_t(b[at + 3]) << 24);
}
std::uint16_t u16(const Bytes& b, std::size_t at) {
    return std::uint16_t(b[at] | (b[at + 1] << 8));
}
void put32(Bytes& b, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b.push_back(std::uint8_t(v >> (8 * i)));
}
void put16(Bytes& b, std::uint16_t v) {
    b.push_back(std::uint8_t(v));
    b.push_back(std::uint8_t(v >> 8));
}

// A source BMP as another program would write it: headers, `table` (0xRRGGBB) and `rows`
// (already padded, bottom row first).
Bytes source_bmp(int width, int height, int bits, const std::vector<std::uint32_t>& table,
                 const Bytes& rows, std::uint32_t compression = 0) {
    Bytes b;
    const std::uint32_t offset = 14 + 40 + 4 * std::uint32_t(table.size());
    put16(b, 0x4D42);
    put32(b, offset + std::uint32_t(rows.size()));
    put32(b, 0);
    put32(b, offset);
    put32(b, 40);
    put32(b, std::uint32_t(width));
    put32(b, std::uint32_t(height));
    put16(b, 1);
    put16(b, std::uint16_t(bits));
    put32(b, compression);
    put32(b, std::uint32_t(rows.size()));
    put32(b, 2835);
    put32(b, 2835);
    put32(b, std::uint32_t(table.size()));
    put32(b, 0);
    for (std::uint32_t c : table) {
        b.push_back(std::uint8_t(c));
        b.push_back(std::uint8_t(c >> 8));
        b.push_back(std::uint8_t(c >> 16));
        b.push_back(0);
    }
    b.insert(b.end(), rows.begin(), rows.end());
    return b;
}

class BmpFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/kd_bmp_XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
    }
    void TearDown() override { std::system(("rm -rf '" + dir_ + "'").c_str()); }

    std::string path(const char* name) const { return dir_ + "/" + name; }
    void write(const char* name, const Bytes& b) const {
        std::ofstream(path(name), std::ios::binary)
            .write(reinterpret_cast<const char*>(b.data()), std::streamsize(b.size()));
    }
    Bytes read(const char* name) const {
        std::ifstream in(path(name), std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), {});
    }

    std::string dir_;
};

TEST_F(BmpFileTest, WriterLaysOutHeadersAndPaddedBottomUpRows) {
    // Three pixels wide: 9 bytes of pixels padded to 12 per row.
    const std::vector<std::uint32_t> pixels = {0x112233, 0x445566, 0x778899,   // top row
                                               0xAABBCC, 0xDDEEFF, 0x010203};  // bottom row
    const Bytes b = bmp24_bytes(3, 2, pixels);
    ASSERT_EQ(b.size(), 14u + 40u + 24u);
    EXPECT_EQ(b[0], 'B');
    EXPECT_EQ(b[1], 'M');
    EXPECT_EQ(u32(b, 2), 78u);   // file size
    EXPECT_EQ(u32(b, 6), 0u);    // reserved words
    EXPECT_EQ(u32(b, 10), 54u);  // pixel offset
    EXPECT_EQ(u32(b, 14), 40u);  // information header size
    EXPECT_EQ(u32(b, 18), 3u);
    EXPECT_EQ(u32(b, 22), 2u);   // positive height: bottom-up
    EXPECT_EQ(u16(b, 26), 1);    // planes
    EXPECT_EQ(u16(b, 28), 24);   // bits per pixel
    EXPECT_EQ(u32(b, 30), 0u);   // no compression
    EXPECT_EQ(u32(b, 34), 24u);  // image size
    EXPECT_EQ(u32(b, 46), 0u);   // no colour table
    const Bytes rows(b.begin() + 54, b.end());
    const Bytes expected = {0xCC, 0xBB, 0xAA, 0xFF, 0xEE, 0xDD, 0x03, 0x02, 0x01, 0, 0, 0,
                            0x33, 0x22, 0x11, 0x66, 0x55, 0x44, 0x99, 0x88, 0x77, 0, 0, 0};
    EXPECT_EQ(rows, expected);
}

TEST_F(BmpFileTest, WriterRefusesSizesItCannotFill) {
    EXPECT_TRUE(bmp24_bytes(0, 2, {}).empty());
    EXPECT_TRUE(bmp24_bytes(2, 2, {1, 2, 3}).empty());
    EXPECT_TRUE(bmp24_bytes(kLongestBmpSide + 1, 1, std::vector<std::uint32_t>(kLongestBmpSide + 1))
                    .empty());
    EXPECT_FALSE(write_bmp24(dir_ + "/no/such/folder.bmp", 1, 1, {0}));
}

TEST_F(BmpFileTest, ConvertsFifteenBitColoursTo24Bits) {
    // 3 x 1 at 5-5-5: pure red, pure green, pure blue; 6 bytes padded to 8.
    const Bytes rows = {0x00, 0x7C, 0xE0, 0x03, 0x1F, 0x00, 0, 0};
    write("in.bmp", source_bmp(3, 1, 16, {}, rows));
    ASSERT_TRUE(convert_bmp(path("in.bmp"), path("out.bmp"), 24));
    const Bytes b = read("out.bmp");
    ASSERT_EQ(b.size(), 54u + 12u);
    EXPECT_EQ(u32(b, 2), 66u);
    EXPECT_EQ(u32(b, 10), 54u);
    EXPECT_EQ(u16(b, 28), 24);
    EXPECT_EQ(u32(b, 34), 12u);
    EXPECT_EQ(u32(b, 38), 2835u);  // the rest of the source header stays
    const Bytes expected = {0x00, 0x00, 0xF8, 0x00, 0xF8, 0x00, 0xF8, 0x00, 0x00, 0, 0, 0};
    EXPECT_EQ(Bytes(b.begin() + 54, b.end()), expected);
}

TEST_F(BmpFileTest, ConvertsPaletteColoursInBlocksAndKeepsTheRowOrder) {
    // 2 x 250 at 8 bits through a 3-colour table: more rows than one block of 100.
    const std::vector<std::uint32_t> table = {0xFF0000, 0x00FF00, 0x123456};
    Bytes rows;
    for (int y = 0; y < 250; ++y) {
        rows.push_back(std::uint8_t(y % 3));
        rows.push_back(2);
        rows.push_back(0);
        rows.push_back(0);
    }
    write("in.bmp", source_bmp(2, 250, 8, table, rows));
    ASSERT_TRUE(convert_bmp(path("in.bmp"), path("out.bmp"), 24));
    const Bytes b = read("out.bmp");
    ASSERT_EQ(b.size(), 54u + 8u * 250u);
    EXPECT_EQ(u32(b, 10), 54u);  // the colour table is gone
    EXPECT_EQ(u32(b, 46), 0u);   // and so is its count
    for (int y = 0; y < 250; ++y) {
        const std::size_t at = 54 + 8 * std::size_t(y);
        const std::uint32_t c = table[std::size_t(y % 3)];
        ASSERT_EQ(b[at], std::uint8_t(c)) << "row " << y;
        ASSERT_EQ(b[at + 1], std::uint8_t(c >> 8)) << "row " << y;
        ASSERT_EQ(b[at + 2], std::uint8_t(c >> 16)) << "row " << y;
        ASSERT_EQ(b[at + 3], 0x56) << "row " << y;
        ASSERT_EQ(b[at + 5], 0x12) << "row " << y;
    }
}

TEST_F(BmpFileTest, ConvertsOneBitPixelsMostSignificantFirst) {
    write("in.bmp", source_bmp(3, 1, 1, {0x000000, 0xFFFFFF}, {0b10100000, 0, 0, 0}));
    ASSERT_TRUE(convert_bmp(path("in.bmp"), path("out.bmp"), 24));
    const Bytes b = read("out.bmp");
    const Bytes expected = {0xFF, 0xFF, 0xFF, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0, 0, 0};
    EXPECT_EQ(Bytes(b.begin() + 54, b.end()), expected);
}

TEST_F(BmpFileTest, PaletteTargetsCollectTheColoursMetAndRefuseTooMany) {
    // 3 x 1 at 24 bits: red, blue, red.
    const Bytes rows = {0, 0, 0xFF, 0xFF, 0, 0, 0, 0, 0xFF, 0, 0, 0};
    write("in.bmp", source_bmp(3, 1, 24, {}, rows));
    ASSERT_TRUE(convert_bmp(path("in.bmp"), path("out.bmp"), 4));
    const Bytes b = read("out.bmp");
    ASSERT_EQ(b.size(), 54u + 16u * 4u + 4u);
    EXPECT_EQ(u32(b, 10), 54u + 64u);
    EXPECT_EQ(u32(b, 2), 54u + 64u + 4u);
    EXPECT_EQ(u16(b, 28), 4);
    EXPECT_EQ(u32(b, 54), 0x00FF0000u);  // red first, as met
    EXPECT_EQ(u32(b, 58), 0x000000FFu);  // then blue
    EXPECT_EQ(u32(b, 62), 0x00FFFFFFu);  // the rest white
    EXPECT_EQ(u32(b, 54 + 60), 0x00FFFFFFu);
    const Bytes expected = {0x01, 0x00, 0, 0};  // indexes 0, 1, 0, high half-byte first
    EXPECT_EQ(Bytes(b.begin() + 118, b.end()), expected);
    // Three colours do not fit into two.
    const Bytes three = {0, 0, 0xFF, 0xFF, 0, 0, 0, 0xFF, 0, 0, 0, 0};
    write("three.bmp", source_bmp(3, 1, 24, {}, three));
    EXPECT_FALSE(convert_bmp(path("three.bmp"), path("one.bmp"), 1));
}

TEST_F(BmpFileTest, RefusesCompressedDamagedAndShortSources) {
    const Bytes rows = {1, 0, 0, 0};
    write("rle.bmp", source_bmp(1, 1, 8, {0}, rows, 1));
    EXPECT_FALSE(convert_bmp(path("rle.bmp"), path("out.bmp"), 24));
    Bytes shortened = source_bmp(3, 4, 24, {}, Bytes(48, 7));
    shortened.resize(shortened.size() - 5);
    write("short.bmp", shortened);
    EXPECT_FALSE(convert_bmp(path("short.bmp"), path("out.bmp"), 24));
    EXPECT_NE(access(path("out.bmp").c_str(), F_OK), 0) << "a failed target stays behind";
    Bytes huge = source_bmp(1, 1, 24, {}, Bytes(4, 0));
    huge[18] = 0xFF, huge[19] = 0xFF, huge[20] = 0xFF, huge[21] = 0x7F;  // width 2^31 - 1
    write("huge.bmp", huge);
    EXPECT_FALSE(convert_bmp(path("huge.bmp"), path("out.bmp"), 24));
    write("text.bmp", Bytes{'h', 'e', 'l', 'l', 'o'});
    EXPECT_FALSE(convert_bmp(path("text.bmp"), path("out.bmp"), 24));
    EXPECT_FALSE(convert_bmp(path("missing.bmp"), path("out.bmp"), 24));
    write("ok.bmp", source_bmp(1, 1, 24, {}, Bytes(4, 0)));
    EXPECT_FALSE(convert_bmp(path("ok.bmp"), path("out.bmp"), 12));
}

}  // namespace
}  // namespace kd
