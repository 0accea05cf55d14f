#pragma once
// Conversion of a 32-bit TGA image into a 24-bit bitmap file, for the
// texture-map view, whose picture services read bitmaps only.
//
// The bitmap: "BM", file size, two zero words, pixel offset 54; a 40-byte
// info header with the TGA's width and (positive) height, one plane, 24 bits,
// no compression, the pixel data's size, 1 pixel per metre both ways and no
// palette; then the rows bottom row first, blue, green, red per pixel (alpha
// dropped), each row padded with zeros to a multiple of 4 bytes.
//
// Only true-colour images are read: uncompressed (image type 2) or
// run-length encoded (type 10). The descriptor's top-left-origin bit is
// honoured so that the bitmap stays upright. A colour map in front of the
// pixels is skipped by its real size. A file that ends before its pixels
// do is refused; nothing is ever read past its end.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <variant>
#include <vector>

namespace mobrix {

inline constexpr const char* kTga32BitMessage = "TGA file format must be 32 bits per pixel (RGBA format)";

// Bitmaps larger than this are not made.
inline constexpr std::int64_t kMaxTextureFileSize = std::int64_t{1} << 30;

enum class TgaError {
    NotThirtyTwoBits,     // the pixel depth is not 32 (the user's message)
    UnsupportedImageType, // not a true-colour image (type 2 or 10)
    Truncated,            // the file ends before its header or its pixels
    TooLarge,             // the bitmap would be larger than kMaxTextureFileSize
    Unreadable,           // the TGA file cannot be read
    WriteFailed,          // the bitmap cannot be written
};

struct TgaFailure {
    TgaError kind = TgaError::Truncated;
    int code = 0;       // Unreadable, WriteFailed: the error number
    std::string detail; // the type, the size or what the system said
};

using TgaStatus = std::optional<TgaFailure>;

// The message shown for a refused conversion.
std::string TgaFailureMessage(const TgaFailure& failure);

// The bitmap file's bytes for a TGA file's bytes.
std::variant<std::vector<std::uint8_t>, TgaFailure> TgaToBmpBytes(std::span<const std::uint8_t> tga);

// ConvertTgaToBmp: reads the TGA file and writes the bitmap atomically to
// `bmpPath`, which a refused conversion leaves untouched.
TgaStatus ConvertTgaToBmp(std::span<const std::uint8_t> tga, const std::string& bmpPath);
TgaStatus ConvertTgaToBmp(const std::string& tgaPath, const std::string& bmpPath);

} // namespace mobrix
