#include "PictureFiles.h"

#include "FileIO.h"
#include "LittleEndian.h"
#include "TgaToBmp.h"

#include <zlib.h>

#include <array>
#include <cstdlib>
#include <cstring>
#include <new>

namespace mobrix::render {

namespace {

constexpr std::array<std::uint8_t, 8> kPngSignature{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

PictureError Error(std::string message)
{
    return {std::move(message)};
}

bool SideFits(std::int64_t side)
{
    return side > 0 && side <= kMaxPictureSide;
}

// --- BMP --------------------------------------------------------------------

constexpr std::int64_t kBmpFileHeader = 14;
constexpr std::int64_t kBmpInfoHeader = 40;
constexpr std::uint32_t kBmpRgb = 0;
constexpr std::uint32_t kBmpBitFields = 3;

struct BmpLayout {
    std::int64_t pixels = 0;
    std::int64_t width = 0;
    std::int64_t height = 0;
    bool topDown = false;
    int bits = 0;
    std::int64_t rowBytes = 0;
    std::vector<std::array<std::uint8_t, 3>> palette; // red, green, blue
};

std::variant<BmpLayout, PictureError> ReadBmpLayout(std::span<const std::uint8_t> bytes)
{
    le::ByteReader r(bytes);
    if (bytes.size() < kBmpFileHeader + kBmpInfoHeader || bytes[0] != 'B' || bytes[1] != 'M')
        return Error("not a BMP file, or shorter than its header");
    BmpLayout b;
    r.Seek(10);
    b.pixels = r.U32();
    const std::int64_t infoSize = r.U32();
    b.width = r.I32();
    const std::int64_t height = r.I32();
    r.U16(); // planes
    b.bits = r.U16();
    const std::uint32_t compression = r.U32();
    r.Seek(46);
    const std::int64_t coloursUsed = r.U32();
    b.topDown = height < 0;
    b.height = height < 0 ? -height : height;
    if (!SideFits(b.width) || !SideFits(b.height))
        return Error("BMP size " + std::to_string(b.width) + " x " + std::to_string(height) + " is out of range");
    if (infoSize < kBmpInfoHeader)
        return Error("BMP info header of " + std::to_string(infoSize) + " bytes is not supported");
    const bool bitFields32 = compression == kBmpBitFields && b.bits == 32;
    if (compression != kBmpRgb && !bitFields32)
        return Error("compressed BMP files are not supported");
    if (b.bits != 8 && b.bits != 24 && b.bits != 32)
        return Error("BMP files of " + std::to_string(b.bits) + " bits per pixel are not supported");
    if (bitFields32) {
        // Only the usual byte order (blue, green, red, alpha) is read.
        r.Seek(kBmpFileHeader + kBmpInfoHeader);
        const std::uint32_t red = r.U32(), green = r.U32(), blue = r.U32();
        if (r.failed() || red != 0x00FF0000u || green != 0x0000FF00u || blue != 0x000000FFu)
            return Error("BMP colour masks other than 8-bit BGRA are not supported");
    }
    if (b.bits == 8) {
        const std::int64_t entries = coloursUsed == 0 ? 256 : coloursUsed;
        const std::int64_t start = kBmpFileHeader + infoSize;
        if (entries > 256 || !r.Fits(start, entries * 4))
            return Error("the BMP palette does not fit in the file");
        for (std::int64_t i = 0; i < entries; ++i) {
            const auto* e = bytes.data() + start + i * 4;
            b.palette.push_back({e[2], e[1], e[0]});
        }
    }
    b.rowBytes = (b.width * b.bits + 31) / 32 * 4;
    if (!r.Fits(b.pixels, b.rowBytes * b.height))
        return Error("the BMP pixels do not fit in the file");
    return b;
}

// --- PNG --------------------------------------------------------------------

struct PngHeader {
    std::int64_t width = 0;
    std::int64_t height = 0;
    int depth = 8; // bits per channel: 8, or 1, 2 or 4 for grey and palette
    int colourType = 0;
    int channels = 0;
    std::size_t RowBytes() const { return static_cast<std::size_t>((width * channels * depth + 7) / 8); }
    std::size_t PixelBytes() const { return static_cast<std::size_t>(std::max(1, channels * depth / 8)); }
};

struct PngChunks {
    PngHeader header;
    std::vector<std::array<std::uint8_t, 4>> palette; // red, green, blue, alpha
    std::vector<std::uint8_t> data;                   // the IDAT chunks, joined
};

std::uint32_t BigEndian32(const std::uint8_t* p)
{
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3];
}

void PutBigEndian32(std::vector<std::uint8_t>& out, std::uint32_t v)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<std::uint8_t>(v >> shift));
}

int ChannelsOf(int colourType)
{
    switch (colourType) {
    case 0: return 1; // grey
    case 2: return 3; // RGB
    case 3: return 1; // palette index
    case 4: return 2; // grey, alpha
    case 6: return 4; // RGBA
    default: return 0;
    }
}

std::variant<PngHeader, PictureError> ReadPngHeader(std::span<const std::uint8_t> chunk)
{
    if (chunk.size() != 13)
        return Error("the PNG header chunk has the wrong length");
    PngHeader h;
    h.width = BigEndian32(chunk.data());
    h.height = BigEndian32(chunk.data() + 4);
    h.depth = chunk[8];
    h.colourType = chunk[9];
    h.channels = ChannelsOf(h.colourType);
    if (!SideFits(h.width) || !SideFits(h.height))
        return Error("PNG size " + std::to_string(h.width) + " x " + std::to_string(h.height) + " is out of range");
    const bool packed = (h.colourType == 0 || h.colourType == 3) && (h.depth == 1 || h.depth == 2 || h.depth == 4);
    if ((h.depth != 8 && !packed) || h.channels == 0)
        return Error("only PNG files of 8 bits per channel (or fewer, for grey and palette) are supported");
    if (chunk[10] != 0 || chunk[11] != 0)
        return Error("the PNG compression or filter method is unknown");
    if (chunk[12] != 0)
        return Error("interlaced PNG files are not supported");
    return h;
}

std::variant<PngChunks, PictureError> ReadPngChunks(std::span<const std::uint8_t> bytes)
{
    if (bytes.size() < kPngSignature.size() || !std::equal(kPngSignature.begin(), kPngSignature.end(), bytes.begin()))
        return Error("not a PNG file");
    PngChunks out;
    bool haveHeader = false;
    std::size_t pos = kPngSignature.size();
    while (true) {
        if (bytes.size() - pos < 12)
            return Error("the PNG file ends inside a chunk");
        const std::uint32_t length = BigEndian32(bytes.data() + pos);
        const std::string type(reinterpret_cast<const char*>(bytes.data() + pos + 4), 4);
        if (length > bytes.size() - pos - 12)
            return Error("the PNG chunk " + type + " runs past the end of the file");
        const auto body = bytes.subspan(pos + 8, length);
        pos += 12 + std::size_t{length};
        if (!haveHeader && type != "IHDR")
            return Error("the PNG file does not start with its header chunk");
        if (type == "IHDR") {
            auto header = ReadPngHeader(body);
            if (auto* e = std::get_if<PictureError>(&header))
                return *e;
            out.header = std::get<PngHeader>(header);
            haveHeader = true;
        } else if (type == "PLTE") {
            if (length % 3 != 0 || length > 256 * 3)
                return Error("the PNG palette has the wrong length");
            for (std::size_t i = 0; i < length; i += 3)
                out.palette.push_back({body[i], body[i + 1], body[i + 2], 255});
        } else if (type == "tRNS" && out.header.colourType == 3) {
            for (std::size_t i = 0; i < length && i < out.palette.size(); ++i)
                out.palette[i][3] = body[i];
        } else if (type == "IDAT") {
            out.data.insert(out.data.end(), body.begin(), body.end());
        } else if (type == "IEND") {
            return out;
        }
    }
}

int Paeth(int a, int b, int c)
{
    const int p = a + b - c;
    const int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
    if (pa <= pb && pa <= pc)
        return a;
    return pb <= pc ? b : c;
}

// Undoes the per-row filters in place; false for an unknown filter type.
bool Unfilter(std::vector<std::uint8_t>& raw, std::size_t rows, std::size_t rowBytes, std::size_t pixelBytes)
{
    std::vector<std::uint8_t> zero(rowBytes, 0);
    for (std::size_t y = 0; y < rows; ++y) {
        std::uint8_t* row = raw.data() + y * (rowBytes + 1);
        const std::uint8_t filter = row[0];
        std::uint8_t* cur = row + 1;
        const std::uint8_t* prev = y == 0 ? zero.data() : cur - (rowBytes + 1);
        for (std::size_t i = 0; i < rowBytes; ++i) {
            const int a = i >= pixelBytes ? cur[i - pixelBytes] : 0;
            const int b = prev[i];
            const int c = i >= pixelBytes ? prev[i - pixelBytes] : 0;
            int add = 0;
            switch (filter) {
            case 0: break;
            case 1: add = a; break;
            case 2: add = b; break;
            case 3: add = (a + b) / 2; break;
            case 4: add = Paeth(a, b, c); break;
            default: return false;
            }
            cur[i] = static_cast<std::uint8_t>(cur[i] + add);
        }
    }
    return true;
}

// Pixel x of an unfiltered row.
std::array<std::uint8_t, 4> PngPixel(const PngChunks& png, const std::uint8_t* row, std::int64_t x)
{
    const PngHeader& h = png.header;
    if (h.depth < 8) {
        // Packed grey or palette: several pixels share a byte, so the
        // pixel's bits are all there is to read; the row holds no byte per pixel.
        const std::int64_t bit = x * h.depth;
        const int mask = (1 << h.depth) - 1;
        std::uint8_t value = static_cast<std::uint8_t>((row[bit / 8] >> (8 - h.depth - bit % 8)) & mask);
        if (h.colourType == 0) {
            value = static_cast<std::uint8_t>(value * 255 / mask);
            return {value, value, value, 255};
        }
        return value < png.palette.size() ? png.palette[value] : std::array<std::uint8_t, 4>{0, 0, 0, 255};
    }
    const std::uint8_t* p = row + x * h.channels;
    const std::uint8_t value = p[0];
    switch (h.colourType) {
    case 0: return {value, value, value, 255};
    case 2: return {p[0], p[1], p[2], 255};
    case 3: return value < png.palette.size() ? png.palette[value] : std::array<std::uint8_t, 4>{0, 0, 0, 255};
    case 4: return {p[0], p[0], p[0], p[1]};
    default: return {p[0], p[1], p[2], p[3]};
    }
}

void AppendChunk(std::vector<std::uint8_t>& out, const char* type, std::span<const std::uint8_t> body)
{
    PutBigEndian32(out, static_cast<std::uint32_t>(body.size()));
    const std::size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), body.begin(), body.end());
    const uLong crc = crc32(0L, out.data() + start, static_cast<uInt>(out.size() - start));
    PutBigEndian32(out, static_cast<std::uint32_t>(crc));
}

} // namespace

PictureResult DecodeBmp(std::span<const std::uint8_t> bytes)
{
    auto layout = ReadBmpLayout(bytes);
    if (auto* e = std::get_if<PictureError>(&layout))
        return *e;
    const BmpLayout& b = std::get<BmpLayout>(layout);
    Picture picture(static_cast<int>(b.width), static_cast<int>(b.height));
    const int pixelBytes = b.bits / 8;
    for (std::int64_t row = 0; row < b.height; ++row) {
        const std::uint8_t* in = bytes.data() + b.pixels + row * b.rowBytes;
        const int y = static_cast<int>(b.topDown ? row : b.height - 1 - row);
        for (std::int64_t x = 0; x < b.width; ++x, in += pixelBytes) {
            std::uint8_t* out = picture.At(static_cast<int>(x), y);
            if (b.bits == 8) {
                const auto& entry = in[0] < b.palette.size() ? b.palette[in[0]] : std::array<std::uint8_t, 3>{};
                std::memcpy(out, entry.data(), 3);
            } else {
                out[0] = in[2];
                out[1] = in[1];
                out[2] = in[0];
            }
            // Textures are drawn opaque, as the editor's preview draws them.
            out[3] = 255;
        }
    }
    return picture;
}

PictureResult DecodePng(std::span<const std::uint8_t> bytes)
{
    auto chunks = ReadPngChunks(bytes);
    if (auto* e = std::get_if<PictureError>(&chunks))
        return *e;
    const PngChunks& png = std::get<PngChunks>(chunks);
    const PngHeader& h = png.header;
    if (h.colourType == 3 && png.palette.empty())
        return Error("the PNG file has no palette");
    const std::size_t rowBytes = h.RowBytes();
    const std::size_t expected = (rowBytes + 1) * static_cast<std::size_t>(h.height);
    std::vector<std::uint8_t> raw(expected + 1);
    uLongf size = static_cast<uLongf>(raw.size());
    const int inflated = uncompress(raw.data(), &size, png.data.data(), static_cast<uLong>(png.data.size()));
    if (inflated != Z_OK || size != expected)
        return Error("the PNG image data is damaged or of the wrong size");
    if (!Unfilter(raw, static_cast<std::size_t>(h.height), rowBytes, h.PixelBytes()))
        return Error("the PNG image data uses an unknown filter");
    Picture picture(static_cast<int>(h.width), static_cast<int>(h.height));
    for (int y = 0; y < picture.height; ++y) {
        const std::uint8_t* in = raw.data() + static_cast<std::size_t>(y) * (rowBytes + 1) + 1;
        for (int x = 0; x < picture.width; ++x) {
            const auto pixel = PngPixel(png, in, x);
            std::memcpy(picture.At(x, y), pixel.data(), 4);
        }
    }
    return picture;
}

PictureResult DecodeTga(std::span<const std::uint8_t> bytes)
{
    // The editor's own conversion, so a texture reads here as it does there.
    auto bmp = TgaToBmpBytes(bytes);
    if (const auto* failure = std::get_if<TgaFailure>(&bmp))
        return Error(TgaFailureMessage(*failure));
    return DecodeBmp(std::get<std::vector<std::uint8_t>>(bmp));
}

PictureResult DecodePicture(std::span<const std::uint8_t> bytes)
{
    if (bytes.size() >= kPngSignature.size() && std::equal(kPngSignature.begin(), kPngSignature.end(), bytes.begin()))
        return DecodePng(bytes);
    if (bytes.size() >= 2 && bytes[0] == 'B' && bytes[1] == 'M')
        return DecodeBmp(bytes);
    return DecodeTga(bytes);
}

PictureResult ReadPicture(const std::string& path)
{
    std::vector<std::uint8_t> bytes;
    if (const LoadStatus failure = ReadWholeFile(path, bytes, kMaxTextureFileSize))
        return Error(OneLineLoadFailureMessage(*failure));
    return DecodePicture(bytes);
}

std::vector<std::uint8_t> EncodePng(const Picture& picture)
{
    const auto rowBytes = static_cast<std::size_t>(picture.width) * 4;
    std::vector<std::uint8_t> raw;
    raw.reserve((rowBytes + 1) * static_cast<std::size_t>(picture.height));
    for (int y = 0; y < picture.height; ++y) {
        // Filter "sub": flat shading and the clear background then compress
        // to runs of zeros.
        raw.push_back(1);
        const std::uint8_t* row = picture.At(0, y);
        for (std::size_t i = 0; i < rowBytes; ++i)
            raw.push_back(static_cast<std::uint8_t>(row[i] - (i >= 4 ? row[i - 4] : 0)));
    }
    uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
    std::vector<std::uint8_t> packed(packedSize);
    // compress2 fails only when it runs out of memory.
    if (compress2(packed.data(), &packedSize, raw.data(), static_cast<uLong>(raw.size()), 6) != Z_OK)
        throw std::bad_alloc();
    packed.resize(packedSize);

    std::vector<std::uint8_t> out(kPngSignature.begin(), kPngSignature.end());
    std::vector<std::uint8_t> header;
    PutBigEndian32(header, static_cast<std::uint32_t>(picture.width));
    PutBigEndian32(header, static_cast<std::uint32_t>(picture.height));
    header.insert(header.end(), {8, 6, 0, 0, 0}); // 8 bits, RGBA, deflate, no interlace
    AppendChunk(out, "IHDR", header);
    AppendChunk(out, "IDAT", packed);
    AppendChunk(out, "IEND", {});
    return out;
}

SaveStatus WritePng(const Picture& picture, const std::string& path)
{
    // A picture is made again at will: it is written whole or not at all,
    // but without waiting for the disk, which would take most of a
    // thumbnail's time.
    return WriteFileAtomicallyUnflushed(path, EncodePng(picture));
}

} // namespace mobrix::render
