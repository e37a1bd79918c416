#include "files/bmp_file.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>

#include "platform/private_files.h"

namespace kd {

namespace {

constexpr std::uint16_t kBmpMagic = 0x4D42;  // "BM"
constexpr std::uint32_t kLargestInfoHeader = 124;
constexpr int kRowsPerBlock = 100;

void put16(std::uint8_t* p, std::uint16_t v) {
    p[0] = std::uint8_t(v);
    p[1] = std::uint8_t(v >> 8);
}
void put32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        p[i] = std::uint8_t(v >> (8 * i));
    }
}
std::uint16_t get16(const std::uint8_t* p) {
    return std::uint16_t(p[0] | (p[1] << 8));
}
std::uint32_t get32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) |
           (std::uint32_t(p[3]) << 24);
}

bool side_in_range(int side) {
    return side > 0 && side <= kLongestBmpSide;
}

void put_file_header(std::uint8_t* p, std::uint32_t file_size, std::uint32_t pixel_offset) {
    put16(p, kBmpMagic);
    put32(p + 2, file_size);
    put32(p + 6, 0);  // two reserved words
    put32(p + 10, pixel_offset);
}

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// What the converter needs from a source BMP.
struct SourceBmp {
    std::vector<std::uint8_t> info;    // the whole information header
    std::vector<std::uint32_t> table;  // colour table as 0xRRGGBB
    int width = 0;
    int rows = 0;  // |height|
    int bits = 0;
    std::uint32_t pixel_offset = 0;
};

bool read_source_headers(std::FILE* f, SourceBmp& s) {
    std::uint8_t fh[kBmpFileHeaderSize];
    std::uint8_t size_bytes[4];
    if (std::fread(fh, 1, sizeof fh, f) != sizeof fh || get16(fh) != kBmpMagic) {
        return false;
    }
    if (std::fread(size_bytes, 1, 4, f) != 4) {
        return false;
    }
    const std::uint32_t info_size = get32(size_bytes);
    if (info_size < kBmpInfoHeaderSize || info_size > kLargestInfoHeader) {
        return false;
    }
    s.info.resize(info_size);
    std::memcpy(s.info.data(), size_bytes, 4);
    if (std::fread(s.info.data() + 4, 1, info_size - 4, f) != info_size - 4) {
        return false;
    }
    const auto width = std::int32_t(get32(&s.info[4]));
    const auto height = std::int32_t(get32(&s.info[8]));
    s.bits = get16(&s.info[14]);
    const std::uint32_t compression = get32(&s.info[16]);
    if (compression != 0 || !side_in_range(width) || height == 0 ||
        !side_in_range(std::abs(height))) {
        return false;
    }
    if (s.bits != 1 && s.bits != 4 && s.bits != 8 && s.bits != 16 && s.bits != 24 && s.bits != 32) {
        return false;
    }
    s.width = width;
    s.rows = std::abs(height);
    s.pixel_offset = get32(fh + 10);
    const std::uint32_t table_start = std::uint32_t(kBmpFileHeaderSize) + info_size;
    if (s.pixel_offset < table_start || s.pixel_offset > table_start + 4 * 256) {
        return false;
    }
    const std::uint32_t entries = (s.pixel_offset - table_start) / 4;
    std::vector<std::uint8_t> raw(s.pixel_offset - table_start);
    if (!raw.empty() && std::fread(raw.data(), 1, raw.size(), f) != raw.size()) {
        return false;
    }
    for (std::uint32_t i = 0; i < entries; ++i) {  // blue, green, red, reserved
        s.table.push_back((std::uint32_t(raw[4 * i + 2]) << 16) |
                          (std::uint32_t(raw[4 * i + 1]) << 8) | raw[4 * i]);
    }
    return true;
}

std::uint32_t read_pixel(const SourceBmp& s, const std::uint8_t* row, int x) {
    switch (s.bits) {
        case 1:
        case 4:
        case 8: {
            const int per_byte = 8 / s.bits;
            const int shift = 8 - s.bits * (x % per_byte + 1);
            const unsigned index = (row[x / per_byte] >> shift) & ((1u << s.bits) - 1);
            return index < s.table.size() ? s.table[index] : 0;
        }
        case 16: {
            const std::uint16_t v = get16(row + 2 * x);
            return (std::uint32_t((v >> 10) & 0x1F) << 19) |
                   (std::uint32_t((v >> 5) & 0x1F) << 11) | (std::uint32_t(v & 0x1F) << 3);
        }
        case 24:
            return (std::uint32_t(row[3 * x + 2]) << 16) | (std::uint32_t(row[3 * x + 1]) << 8) |
                   row[3 * x];
        default:
            return get32(row + 4 * x) & 0xFFFFFF;
    }
}

void write_pixel(int bits, std::uint8_t* row, int x, std::uint32_t rgb) {
    const auto r = std::uint8_t(rgb >> 16), g = std::uint8_t(rgb >> 8), b = std::uint8_t(rgb);
    switch (bits) {
        case 16:
            put16(row + 2 * x, std::uint16_t(((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3)));
            break;
        case 24:
            row[3 * x] = b;
            row[3 * x + 1] = g;
            row[3 * x + 2] = r;
            break;
        default:
            put32(row + 4 * x, rgb & 0xFFFFFF);
            break;
    }
}

// Target pixels of 8 bits or fewer are indexes into a palette of the colours met so far.
class PaletteIndexes {
public:
    explicit PaletteIndexes(int bits) : bits_(bits), limit_(std::size_t(1) << bits) {}

    // False once more colours appear than the palette holds.
    bool write(std::uint8_t* row, int x, std::uint32_t rgb) {
        auto it = std::find(colours_.begin(), colours_.end(), rgb);
        if (it == colours_.end()) {
            if (colours_.size() == limit_) {
                return false;
            }
            it = colours_.insert(colours_.end(), rgb);
        }
        const auto index = unsigned(it - colours_.begin());
        const int per_byte = 8 / bits_;
        const int shift = 8 - bits_ * (x % per_byte + 1);
        row[x / per_byte] = std::uint8_t(row[x / per_byte] | (index << shift));
        return true;
    }
    // The colour table: the colours met, then white.
    std::vector<std::uint8_t> table() const {
        std::vector<std::uint8_t> out(4 * limit_, 0);
        for (std::size_t i = 0; i < limit_; ++i) {
            const std::uint32_t c = i < colours_.size() ? colours_[i] : 0xFFFFFF;
            out[4 * i] = std::uint8_t(c);
            out[4 * i + 1] = std::uint8_t(c >> 8);
            out[4 * i + 2] = std::uint8_t(c >> 16);
        }
        return out;
    }

private:
    int bits_;
    std::size_t limit_;
    std::vector<std::uint32_t> colours_;
};

// The rows in file order, in blocks, each pixel read and written again at `bits`.
bool copy_rows(std::FILE* in, std::FILE* out, const SourceBmp& s, int bits,
               PaletteIndexes* palette) {
    const std::uint32_t in_row = bmp_row_bytes(s.bits, s.width);
    const std::uint32_t out_row = bmp_row_bytes(bits, s.width);
    std::vector<std::uint8_t> in_block(std::size_t(in_row) * kRowsPerBlock);
    std::vector<std::uint8_t> out_block(std::size_t(out_row) * kRowsPerBlock);
    for (int done = 0; done < s.rows;) {
        const int rows = std::min(kRowsPerBlock, s.rows - done);
        const std::size_t in_bytes = std::size_t(in_row) * rows;
        if (std::fread(in_block.data(), 1, in_bytes, in) != in_bytes) {
            return false;
        }
        std::fill(out_block.begin(), out_block.end(), 0);
        for (int y = 0; y < rows; ++y) {
            const std::uint8_t* src = in_block.data() + std::size_t(in_row) * y;
            std::uint8_t* dst = out_block.data() + std::size_t(out_row) * y;
            for (int x = 0; x < s.width; ++x) {
                const std::uint32_t rgb = read_pixel(s, src, x);
                if (palette == nullptr) {
                    write_pixel(bits, dst, x, rgb);
                } else if (!palette->write(dst, x, rgb)) {
                    return false;
                }
            }
        }
        const std::size_t out_bytes = std::size_t(out_row) * rows;
        if (std::fwrite(out_block.data(), 1, out_bytes, out) != out_bytes) {
            return false;
        }
        done += rows;
    }
    return true;
}

bool write_converted(std::FILE* in, const std::string& target, const SourceBmp& s, int bits) {
    File out(open_regular_stream(target, "wb"));
    if (!out) {
        return false;
    }
    std::vector<std::uint8_t> info = s.info;
    const std::uint32_t image_size = bmp_row_bytes(bits, s.width) * std::uint32_t(s.rows);
    const std::uint32_t entries = bits <= 8 ? 1u << bits : 0;
    put16(&info[14], std::uint16_t(bits));
    put32(&info[20], image_size);
    // The table is full or absent: a count left over from the source would mislead readers.
    put32(&info[32], 0);
    put32(&info[36], 0);
    const std::uint32_t table_offset = std::uint32_t(kBmpFileHeaderSize + info.size());
    const std::uint32_t pixel_offset = table_offset + 4 * entries;
    std::uint8_t fh[kBmpFileHeaderSize];
    put_file_header(fh, pixel_offset + image_size, pixel_offset);
    if (std::fwrite(fh, 1, sizeof fh, out.get()) != sizeof fh ||
        std::fwrite(info.data(), 1, info.size(), out.get()) != info.size()) {
        return false;
    }
    std::optional<PaletteIndexes> palette;
    if (entries > 0) {
        palette.emplace(bits);
    }
    // The palette is known only at the end; its place is kept until then.
    if (std::fseek(out.get(), long(pixel_offset), SEEK_SET) != 0 ||
        !copy_rows(in, out.get(), s, bits, palette ? &*palette : nullptr)) {
        return false;
    }
    if (palette) {
        const std::vector<std::uint8_t> table = palette->table();
        if (std::fseek(out.get(), long(table_offset), SEEK_SET) != 0 ||
            std::fwrite(table.data(), 1, table.size(), out.get()) != table.size()) {
            return false;
        }
    }
    return std::fclose(out.release()) == 0;
}

}  // namespace

std::uint32_t bmp_row_bytes(int bits, int width) {
    return ((std::uint32_t(bits) * std::uint32_t(width) + 31) / 32) * 4;
}

std::vector<std::uint8_t> bmp24_bytes(int width, int height,
                                      const std::vector<std::uint32_t>& pixels) {
    if (!side_in_range(width) || !side_in_range(height) ||
        pixels.size() < std::size_t(width) * std::size_t(height)) {
        return {};
    }
    const std::uint32_t row = bmp_row_bytes(24, width);
    const std::uint32_t image_size = row * std::uint32_t(height);
    const std::uint32_t offset = kBmpFileHeaderSize + kBmpInfoHeaderSize;
    std::vector<std::uint8_t> out(offset + image_size, 0);
    put_file_header(out.data(), offset + image_size, offset);
    std::uint8_t* info = out.data() + kBmpFileHeaderSize;
    put32(info, kBmpInfoHeaderSize);
    put32(info + 4, std::uint32_t(width));
    put32(info + 8, std::uint32_t(height));  // positive: rows bottom-up
    put16(info + 12, 1);                     // planes
    put16(info + 14, 24);
    put32(info + 16, 0);  // no compression
    put32(info + 20, image_size);
    // Resolutions and colour counts stay 0.
    for (int y = 0; y < height; ++y) {
        std::uint8_t* dst = out.data() + offset + std::size_t(row) * (height - 1 - y);
        for (int x = 0; x < width; ++x) {
            write_pixel(24, dst, x, pixels[std::size_t(y) * width + x]);
        }
    }
    return out;
}

bool write_bmp24(const std::string& path, int width, int height,
                 const std::vector<std::uint32_t>& pixels) {
    const std::vector<std::uint8_t> bytes = bmp24_bytes(width, height, pixels);
    if (bytes.empty()) {
        return false;
    }
    File out(open_regular_stream(path, "wb"));
    if (!out) {
        return false;
    }
    if (std::fwrite(bytes.data(), 1, bytes.size(), out.get()) != bytes.size()) {
        return false;
    }
    return std::fclose(out.release()) == 0;
}

bool convert_bmp(const std::string& source, const std::string& target, int target_bits) {
    if (target_bits != 1 && target_bits != 4 && target_bits != 8 && target_bits != 16 &&
        target_bits != 24 && target_bits != 32) {
        return false;
    }
    File in(open_regular_stream(source, "rb"));
    if (!in) {
        return false;
    }
    SourceBmp s;
    if (!read_source_headers(in.get(), s) ||
        std::fseek(in.get(), long(s.pixel_offset), SEEK_SET) != 0) {
        return false;
    }
    if (!write_converted(in.get(), target, s, target_bits)) {
        std::remove(target.c_str());
        return false;
    }
    return true;
}

}  // namespace kd
