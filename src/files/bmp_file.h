// Uncompressed BMP files of note pictures: writing a captured picture at 24 bits per pixel,
// and converting a BMP of any uncompressed depth to another depth. Windowless; runs anywhere.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kd {

inline constexpr std::size_t kBmpFileHeaderSize = 14;
inline constexpr std::size_t kBmpInfoHeaderSize = 40;
// Larger pictures than this are not ours: a note is never wider or taller than a screen.
inline constexpr int kLongestBmpSide = 32768;

// Bytes of one pixel row at `bits` per pixel, padded to a multiple of 4.
std::uint32_t bmp_row_bytes(int bits, int width);

// A whole BMP file at 24 bits per pixel: the file header, the information header and the
// rows bottom-up. `pixels` holds width x height colours 0xRRGGBB, top row first. Nothing
// for a size out of range or too few pixels.
std::vector<std::uint8_t> bmp24_bytes(int width, int height,
                                      const std::vector<std::uint32_t>& pixels);

// The same written to `path`; false when the size is out of range or the file cannot be
// written whole.
bool write_bmp24(const std::string& path, int width, int height,
                 const std::vector<std::uint32_t>& pixels);

// Converts the uncompressed BMP `source` (1, 4, 8, 16 (5-5-5), 24 or 32 bits per pixel) into
// `target` at `target_bits` (the same depths). At 8 bits or fewer the target's palette holds
// the colours met, in order, then white. False for a compressed, damaged or short source, for
// another target depth, for more colours than a target palette holds, or when the target
// cannot be written; a failed target is removed.
bool convert_bmp(const std::string& source, const std::string& target, int target_bits);

}  // namespace kd
