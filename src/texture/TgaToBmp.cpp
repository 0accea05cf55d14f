#include "TgaToBmp.h"

#include "FileIO.h"
#include "LittleEndian.h"

#include <algorithm>

namespace mobrix {

namespace {

constexpr std::int64_t kTgaHeaderSize = 18;
constexpr std::int64_t kBmpHeaderSize = 54;
constexpr std::int64_t kPixelBytes = 4;
constexpr std::uint8_t kUncompressedTrueColour = 2;
constexpr std::uint8_t kRunLengthTrueColour = 10;
constexpr std::uint8_t kTopLeftOrigin = 0x20;
constexpr std::int64_t kMaxRunPixels = 128;

struct TgaHeader {
    std::uint8_t idLength = 0;
    std::uint8_t colourMapType = 0;
    std::uint8_t imageType = 0;
    std::uint16_t colourMapLength = 0;
    std::uint8_t colourMapEntryBits = 0;
    std::uint16_t width = 0;
    std::uint16_t height = 0;
    std::uint8_t pixelDepth = 0;
    std::uint8_t descriptor = 0;

    std::int64_t PixelDataStart() const
    {
        const std::int64_t colourMap =
            colourMapType != 0 ? std::int64_t{colourMapLength} * ((colourMapEntryBits + 7) / 8) : 0;
        return kTgaHeaderSize + idLength + colourMap;
    }
};

TgaHeader ReadHeader(std::span<const std::uint8_t> tga)
{
    le::ByteReader r(tga);
    TgaHeader h;
    h.idLength = r.U8();
    h.colourMapType = r.U8();
    h.imageType = r.U8();
    r.U16(); // first colour-map entry
    h.colourMapLength = r.U16();
    h.colourMapEntryBits = r.U8();
    r.U16(); // X origin
    r.U16(); // Y origin
    h.width = r.U16();
    h.height = r.U16();
    h.pixelDepth = r.U8();
    h.descriptor = r.U8();
    return h;
}

TgaFailure Failure(TgaError kind, std::string detail = {})
{
    return {kind, 0, std::move(detail)};
}

// Places decoded pixels, in the file's order, into the bitmap's rows, which
// run bottom row first.
class BitmapRows {
public:
    BitmapRows(std::vector<std::uint8_t>& bmp, std::int64_t width, std::int64_t height, bool topDown)
        : bmp_(bmp), width_(width), height_(height), rowBytes_((width * 3 + 3) / 4 * 4), topDown_(topDown)
    {
    }

    std::int64_t RowBytes() const { return rowBytes_; }
    bool Full() const { return row_ >= height_ || width_ == 0; }

    void Put(const std::uint8_t* bgra)
    {
        const std::int64_t stored = topDown_ ? height_ - 1 - row_ : row_;
        std::uint8_t* out = bmp_.data() + kBmpHeaderSize + stored * rowBytes_ + column_ * 3;
        out[0] = bgra[0];
        out[1] = bgra[1];
        out[2] = bgra[2];
        if (++column_ == width_) {
            column_ = 0;
            ++row_;
        }
    }

private:
    std::vector<std::uint8_t>& bmp_;
    std::int64_t width_;
    std::int64_t height_;
    std::int64_t rowBytes_;
    bool topDown_;
    std::int64_t row_ = 0;
    std::int64_t column_ = 0;
};

bool DecodeRaw(std::span<const std::uint8_t> pixels, BitmapRows& rows)
{
    std::size_t at = 0;
    while (!rows.Full()) {
        if (pixels.size() - at < kPixelBytes)
            return false;
        rows.Put(pixels.data() + at);
        at += kPixelBytes;
    }
    return true;
}

// Packets: a header byte whose high bit marks a run of one repeated pixel,
// otherwise literal pixels; the low seven bits hold the count minus one.
// Packets may cross rows; a packet running past the image's end is cut.
bool DecodeRunLength(std::span<const std::uint8_t> data, BitmapRows& rows)
{
    std::size_t at = 0;
    while (!rows.Full()) {
        if (at >= data.size())
            return false;
        const std::uint8_t packet = data[at++];
        const std::size_t count = (packet & 0x7F) + 1u;
        const bool run = (packet & 0x80) != 0;
        const std::size_t needed = run ? kPixelBytes : count * kPixelBytes;
        if (data.size() - at < needed)
            return false;
        for (std::size_t i = 0; i < count && !rows.Full(); ++i)
            rows.Put(data.data() + at + (run ? 0 : i * kPixelBytes));
        at += needed;
    }
    return true;
}

void WriteBitmapHeader(std::vector<std::uint8_t>& bmp, std::int64_t width, std::int64_t height, std::int64_t imageSize)
{
    le::ByteWriter w(bmp);
    w.U8('B');
    w.U8('M');
    w.U32(static_cast<std::uint32_t>(bmp.size()));
    w.U16(0);
    w.U16(0);
    w.U32(static_cast<std::uint32_t>(kBmpHeaderSize));
    w.U32(40);
    w.I32(static_cast<std::int32_t>(width));
    w.I32(static_cast<std::int32_t>(height));
    w.U16(1);
    w.U16(24);
    w.U32(0);
    w.U32(static_cast<std::uint32_t>(imageSize));
    w.I32(1);
    w.I32(1);
    w.U32(0);
    w.U32(0);
}

} // namespace

std::string TgaFailureMessage(const TgaFailure& failure)
{
    switch (failure.kind) {
    case TgaError::NotThirtyTwoBits:
        return kTga32BitMessage;
    case TgaError::UnsupportedImageType:
        return "TGA image type " + failure.detail +
               " cannot be converted: only true-colour images, uncompressed (type 2) or run-length encoded "
               "(type 10), can be read.";
    case TgaError::Truncated:
        return "The TGA file is shorter than its header says: its image data are incomplete.";
    case TgaError::TooLarge:
        return "The TGA image is too large to convert (" + failure.detail + ").";
    case TgaError::Unreadable:
        return "The TGA file could not be read (" + failure.detail + ").";
    case TgaError::WriteFailed:
        break;
    }
    return "The bitmap could not be written (" + failure.detail + ").";
}

std::variant<std::vector<std::uint8_t>, TgaFailure> TgaToBmpBytes(std::span<const std::uint8_t> tga)
{
    if (static_cast<std::int64_t>(tga.size()) < kTgaHeaderSize)
        return Failure(TgaError::Truncated);
    const TgaHeader h = ReadHeader(tga);
    if (h.pixelDepth != 32)
        return Failure(TgaError::NotThirtyTwoBits);
    if (h.imageType != kUncompressedTrueColour && h.imageType != kRunLengthTrueColour)
        return Failure(TgaError::UnsupportedImageType, std::to_string(h.imageType));

    const std::int64_t start = h.PixelDataStart();
    if (start > static_cast<std::int64_t>(tga.size()))
        return Failure(TgaError::Truncated);
    const std::span<const std::uint8_t> data = tga.subspan(static_cast<std::size_t>(start));
    const std::int64_t pixels = std::int64_t{h.width} * h.height;
    const auto available = static_cast<std::int64_t>(data.size());
    // Refuse a short file before allocating its bitmap: raw pixels take four
    // bytes each, and a run-length packet of five bytes covers 128 at most.
    const bool runLength = h.imageType == kRunLengthTrueColour;
    const std::int64_t leastBytes = runLength ? (pixels + kMaxRunPixels - 1) / kMaxRunPixels * 5 : pixels * kPixelBytes;
    if (available < leastBytes)
        return Failure(TgaError::Truncated);

    const std::int64_t rowBytes = (std::int64_t{h.width} * 3 + 3) / 4 * 4;
    const std::int64_t imageSize = rowBytes * h.height;
    if (kBmpHeaderSize + imageSize > kMaxTextureFileSize)
        return Failure(TgaError::TooLarge, std::to_string(h.width) + " x " + std::to_string(h.height) + " pixels");

    std::vector<std::uint8_t> bmp(static_cast<std::size_t>(kBmpHeaderSize + imageSize));
    BitmapRows rows(bmp, h.width, h.height, (h.descriptor & kTopLeftOrigin) != 0);
    if (!(runLength ? DecodeRunLength(data, rows) : DecodeRaw(data, rows)))
        return Failure(TgaError::Truncated);
    WriteBitmapHeader(bmp, h.width, h.height, imageSize);
    return bmp;
}

TgaStatus ConvertTgaToBmp(std::span<const std::uint8_t> tga, const std::string& bmpPath)
{
    auto converted = TgaToBmpBytes(tga);
    if (auto* failure = std::get_if<TgaFailure>(&converted))
        return std::move(*failure);
    if (const SaveStatus saved = WriteFileAtomically(bmpPath, std::get<std::vector<std::uint8_t>>(converted)))
        return TgaFailure{TgaError::WriteFailed, saved->code, saved->detail};
    return std::nullopt;
}

TgaStatus ConvertTgaToBmp(const std::string& tgaPath, const std::string& bmpPath)
{
    std::vector<std::uint8_t> bytes;
    if (const LoadStatus read = ReadWholeFile(tgaPath, bytes))
        return TgaFailure{TgaError::Unreadable, read->code, read->detail};
    return ConvertTgaToBmp(bytes, bmpPath);
}

} // namespace mobrix
