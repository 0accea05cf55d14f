// The one place tinygltf's implementation is compiled. Its own file access
// and image coders stay out: the reader hands it guarded file callbacks and
// never decodes images, the writer passes PNG bytes through as they are.
#define TINYGLTF_IMPLEMENTATION
#define TINYGLTF_NO_STB_IMAGE
#define TINYGLTF_NO_STB_IMAGE_WRITE
#define TINYGLTF_NO_EXTERNAL_IMAGE
#define TINYGLTF_NO_FS
#define TINYGLTF_USE_CPP14
#include "GltfTiny.h"

#include "GltfCommon.h"

#include <array>
#include <bit>

namespace mobrix::gltf {

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int Sextet(char c)
{
    if (c >= 'A' && c <= 'Z')
        return c - 'A';
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 26;
    if (c >= '0' && c <= '9')
        return c - '0' + 52;
    if (c == '+')
        return 62;
    if (c == '/')
        return 63;
    return -1;
}

void AppendUtf8(std::string& out, unsigned char c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
        return;
    }
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
}

} // namespace

std::span<const PartBlockInfo> PartBlocks()
{
    static constexpr std::array<PartBlockInfo, 13> blocks{{
        {PartBlock::Reserved1, "reserved1", false, 32},
        {PartBlock::Reserved2, "reserved2", false, 12},
        {PartBlock::Reserved3, "reserved3", false, 12},
        {PartBlock::VertReservedA, "vertReservedA", false, 4},
        {PartBlock::VertFlags, "vertFlags", false, 4},
        {PartBlock::VertReservedB, "vertReservedB", false, 4},
        {PartBlock::TriFill, "triFill", true, 12},
        {PartBlock::TriReserved, "triReserved", true, 12},
        {PartBlock::ExactV, "exactV", true, 12},
        {PartBlock::DamagedVerts, "damagedVertices", false, 12},
        {PartBlock::DamagedNorms, "damagedNormals", false, 12},
        {PartBlock::Undamaged2Verts, "undamaged2Vertices", false, 12},
        {PartBlock::Undamaged2Norms, "undamaged2Normals", false, 12},
    }};
    return blocks;
}

std::string Base64(std::span<const std::uint8_t> bytes)
{
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    std::size_t i = 0;
    for (; i + 3 <= bytes.size(); i += 3) {
        const std::uint32_t v = (std::uint32_t{bytes[i]} << 16) | (std::uint32_t{bytes[i + 1]} << 8) | bytes[i + 2];
        for (int shift : {18, 12, 6, 0})
            out += kAlphabet[(v >> shift) & 63];
    }
    const std::size_t rest = bytes.size() - i;
    if (rest > 0) {
        std::uint32_t v = std::uint32_t{bytes[i]} << 16;
        if (rest == 2)
            v |= std::uint32_t{bytes[i + 1]} << 8;
        out += kAlphabet[(v >> 18) & 63];
        out += kAlphabet[(v >> 12) & 63];
        out += rest == 2 ? kAlphabet[(v >> 6) & 63] : '=';
        out += '=';
    }
    return out;
}

std::optional<std::vector<std::uint8_t>> FromBase64(std::string_view text)
{
    if (text.size() % 4 != 0)
        return std::nullopt;
    std::vector<std::uint8_t> out;
    out.reserve(text.size() / 4 * 3);
    for (std::size_t i = 0; i < text.size(); i += 4) {
        const bool last = i + 4 == text.size();
        int s[4];
        int pad = 0;
        for (int k = 0; k < 4; ++k) {
            const char c = text[i + static_cast<std::size_t>(k)];
            if (c == '=' && last && k >= 2) {
                s[k] = 0;
                ++pad;
                continue;
            }
            s[k] = pad > 0 ? -1 : Sextet(c);
            if (s[k] < 0)
                return std::nullopt;
        }
        const std::uint32_t v = (std::uint32_t(s[0]) << 18) | (std::uint32_t(s[1]) << 12) |
                                (std::uint32_t(s[2]) << 6) | std::uint32_t(s[3]);
        out.push_back(static_cast<std::uint8_t>(v >> 16));
        if (pad < 2)
            out.push_back(static_cast<std::uint8_t>(v >> 8));
        if (pad < 1)
            out.push_back(static_cast<std::uint8_t>(v));
    }
    return out;
}

std::string DisplayName(const Name64& name)
{
    std::size_t end = 0;
    while (end < name.size() && name[end] != '\0')
        ++end;
    std::size_t begin = 0;
    while (begin < end && (name[begin] == ' ' || name[begin] == '\t'))
        ++begin;
    while (end > begin && (name[end - 1] == ' ' || name[end - 1] == '\t'))
        --end;
    std::string out;
    for (std::size_t i = begin; i < end; ++i) {
        const auto c = static_cast<unsigned char>(name[i]);
        AppendUtf8(out, c < 0x20 || c == 0x7F ? '_' : c);
    }
    return out;
}

std::string Latin1Text(std::string_view utf8)
{
    std::string out;
    for (std::size_t i = 0; i < utf8.size();) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        if (c < 0x80) {
            out += static_cast<char>(c);
            ++i;
            continue;
        }
        std::size_t length = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : 2;
        std::uint32_t code = c & (length == 2 ? 0x1F : length == 3 ? 0x0F : 0x07);
        std::size_t k = 1;
        for (; k < length && i + k < utf8.size(); ++k) {
            const auto next = static_cast<unsigned char>(utf8[i + k]);
            if ((next & 0xC0) != 0x80)
                break;
            code = (code << 6) | (next & 0x3F);
        }
        out += k == length && code <= 0xFF ? static_cast<char>(code) : '?';
        i += k;
    }
    return out;
}

float StoredVOf(float v, float storedBefore)
{
    const float fromFile = 1.0f - storedBefore;
    if (std::bit_cast<std::uint32_t>(fromFile) == std::bit_cast<std::uint32_t>(v))
        return storedBefore;
    return 1.0f - v;
}

} // namespace mobrix::gltf
