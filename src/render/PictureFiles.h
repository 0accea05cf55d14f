#pragma once
// Reading textures and writing pictures without Qt.
//
// Textures: TGA (32-bit true colour, uncompressed or run-length encoded, as
// the editor converts them), BMP (uncompressed 24 and 32-bit, 8-bit with a
// palette, bottom-up or top-down) and PNG (not interlaced; 8 bits per
// channel, grey, grey with alpha, RGB or RGBA; grey and palette also with 1,
// 2 or 4 bits). The format is told by
// the file's first bytes, not its name. Every size and offset is checked
// against the file before anything is allocated.
//
// Pictures are written as PNG (RGBA, 8 bits per channel) through a
// temporary file renamed over the target, so a failed write leaves an
// existing file as it was.

#include "FileErrors.h"
#include "Picture.h"

#include <cstdint>
#include <span>
#include <string>
#include <variant>
#include <vector>

namespace mobrix::render {

// Why a texture could not be read, in words for the command line.
struct PictureError {
    std::string message;
};

using PictureResult = std::variant<Picture, PictureError>;

PictureResult DecodeBmp(std::span<const std::uint8_t> bytes);
PictureResult DecodePng(std::span<const std::uint8_t> bytes);
PictureResult DecodeTga(std::span<const std::uint8_t> bytes);

// Any of the three, by the file's first bytes.
PictureResult DecodePicture(std::span<const std::uint8_t> bytes);
PictureResult ReadPicture(const std::string& path);

std::vector<std::uint8_t> EncodePng(const Picture& picture);
SaveStatus WritePng(const Picture& picture, const std::string& path);

} // namespace mobrix::render
