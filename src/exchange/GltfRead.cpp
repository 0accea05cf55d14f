// The glTF reader: nodes, meshes and extras back into a model (see Gltf.h).

#include "ExchangeCommon.h"
#include "Gltf.h"
#include "GltfCommon.h"
#include "GltfTiny.h"
#include "LittleEndian.h"
#include "ThreeDs.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <limits>
#include <set>

namespace mobrix {

using namespace gltf;
using exchange::Failed;

namespace {

// More elements than this in one accessor are refused before anything is
// allocated for them (a 2 GiB file holds fewer floats).
constexpr std::size_t kMaxElements = std::size_t{1} << 29;
constexpr int kMaxDepth = 64;

ExchangeFailure Malformed(std::string detail)
{
    return Failed(ExchangeErrorCode::InvalidFileFormat, std::move(detail));
}

// --- Files a .gltf names ---------------------------------------------------

struct FileGuard {
    std::string folder; // canonical; empty refuses every file
    std::string refusal;
};

// The part of `path` below the guard's folder when it names a file inside
// it; empty otherwise.
std::string RelativeInside(const FileGuard& guard, const std::string& path)
{
    if (guard.folder.empty() || path.size() <= guard.folder.size() + 1 ||
        path.compare(0, guard.folder.size(), guard.folder) != 0 || path[guard.folder.size()] != '/')
        return {};
    const std::string relative = path.substr(guard.folder.size() + 1);
    if (relative.front() == '/' || relative.find('\\') != std::string::npos)
        return {};
    const std::size_t colon = relative.find(':');
    if (colon != std::string::npos && colon < relative.find('/'))
        return {}; // a scheme ("http:") or drive letter, not a file of the folder
    std::size_t begin = 0;
    while (begin <= relative.size()) {
        const std::size_t end = std::min(relative.find('/', begin), relative.size());
        if (relative.compare(begin, end - begin, "..") == 0 && end - begin == 2)
            return {};
        begin = end + 1;
    }
    std::error_code ec;
    const std::string resolved = std::filesystem::weakly_canonical(path, ec).string();
    if (ec || resolved.compare(0, guard.folder.size() + 1, guard.folder + "/") != 0)
        return {}; // a link leading out of the folder
    return relative;
}

bool GuardedExists(const std::string& path, void* user)
{
    auto& guard = *static_cast<FileGuard*>(user);
    if (RelativeInside(guard, path).empty()) {
        guard.refusal = "only files inside the glTF file's folder are read";
        return false;
    }
    std::error_code ec;
    return std::filesystem::is_regular_file(path, ec);
}

std::string UnexpandedPath(const std::string& path, void*)
{
    return path; // no "~" or shell expansion of names a file gives
}

bool GuardedRead(std::vector<unsigned char>* out, std::string* err, const std::string& path, void* user)
{
    auto& guard = *static_cast<FileGuard*>(user);
    if (RelativeInside(guard, path).empty()) {
        guard.refusal = "only files inside the glTF file's folder are read";
        return false;
    }
    std::vector<std::uint8_t> bytes;
    if (auto failure = exchange::ReadInputFile(path, bytes, kMaxGltfFileSize)) {
        guard.refusal = std::filesystem::path(path).filename().string() + " cannot be read";
        if (err)
            *err = guard.refusal;
        return false;
    }
    out->assign(bytes.begin(), bytes.end());
    return true;
}

bool RefuseWrite(std::string*, const std::string&, const std::vector<unsigned char>&, void*)
{
    return false;
}

bool IgnoreImage(tinygltf::Image*, const int, std::string*, std::string*, int, int, const unsigned char*, int, void*)
{
    return true; // textures are not taken from glTF files
}

std::string FirstLine(const std::string& text)
{
    std::string line = text.substr(0, text.find('\n'));
    while (!line.empty() && (line.back() == '\r' || line.back() == ' '))
        line.pop_back();
    return line;
}

ExchangeStatus Parse(std::span<const std::uint8_t> file, const std::string& folder, tinygltf::Model& g)
{
    if (file.size() > static_cast<std::size_t>(kMaxGltfFileSize))
        return Failed(ErrorCode::Overflow, "the file is larger than 2 GiB");
    FileGuard guard{folder, {}};
    tinygltf::TinyGLTF loader;
    loader.SetFsCallbacks({GuardedExists, UnexpandedPath, GuardedRead, RefuseWrite, &guard});
    loader.SetImageLoader(IgnoreImage, nullptr);
    std::string err, warn;
    const bool binary = file.size() >= 4 && std::memcmp(file.data(), "glTF", 4) == 0;
    const auto length = static_cast<unsigned int>(file.size());
    const bool loaded =
        binary ? loader.LoadBinaryFromMemory(&g, &err, &warn, file.data(), length, folder)
               : loader.LoadASCIIFromString(&g, &err, &warn, reinterpret_cast<const char*>(file.data()), length, folder);
    if (loaded)
        return std::nullopt;
    if (!guard.refusal.empty())
        return Malformed(guard.refusal);
    const std::string line = FirstLine(err);
    return Malformed(line.empty() ? "not a glTF file" : line);
}

// --- Checked access to accessors -------------------------------------------

std::size_t ComponentSize(int componentType)
{
    switch (componentType) {
    case kByte:
    case kUnsignedByte: return 1;
    case kShort:
    case kUnsignedShort: return 2;
    case kUnsignedInt:
    case kFloat: return 4;
    default: return 0;
    }
}

double Component(const std::uint8_t* p, int componentType, bool normalized)
{
    switch (componentType) {
    case kByte: {
        const double v = static_cast<std::int8_t>(*p);
        return normalized ? std::max(v / 127.0, -1.0) : v;
    }
    case kUnsignedByte: return normalized ? *p / 255.0 : *p;
    case kShort: {
        const double v = le::Load<std::int16_t>(p);
        return normalized ? std::max(v / 32767.0, -1.0) : v;
    }
    case kUnsignedShort: {
        const double v = le::Load<std::uint16_t>(p);
        return normalized ? v / 65535.0 : v;
    }
    case kUnsignedInt: return le::Load<std::uint32_t>(p);
    default: return le::Load<float>(p);
    }
}

class Accessors {
public:
    explicit Accessors(const tinygltf::Model& g) : g_(g) {}

    // The bytes of a buffer view, checked against its buffer.
    ExchangeStatus ViewBytes(int index, std::span<const std::uint8_t>& out, const std::string& what) const
    {
        if (index < 0 || static_cast<std::size_t>(index) >= g_.bufferViews.size())
            return Malformed(what + ": buffer view " + std::to_string(index) + " does not exist");
        const tinygltf::BufferView& view = g_.bufferViews[static_cast<std::size_t>(index)];
        if (view.buffer < 0 || static_cast<std::size_t>(view.buffer) >= g_.buffers.size())
            return Malformed(what + ": buffer " + std::to_string(view.buffer) + " does not exist");
        const auto& data = g_.buffers[static_cast<std::size_t>(view.buffer)].data;
        if (view.byteOffset > data.size() || view.byteLength > data.size() - view.byteOffset)
            return Malformed(what + ": buffer view " + std::to_string(index) + " reaches past its buffer");
        out = {data.data() + view.byteOffset, view.byteLength};
        return std::nullopt;
    }

    // Every element of the accessor as numbers, `components` to an element.
    ExchangeStatus Numbers(int index, int type, std::vector<double>& out, const std::string& what) const
    {
        const tinygltf::Accessor* a = nullptr;
        if (auto failure = Find(index, type, a, what))
            return failure;
        const std::size_t components = Components(type);
        out.assign(a->count * components, 0.0);
        if (a->bufferView >= 0) {
            if (auto failure = ReadElements(a->bufferView, a->byteOffset, a->componentType, a->normalized, a->count,
                                            components, out.data(), what))
                return failure;
        }
        if (a->sparse.isSparse)
            return ApplySparse(*a, components, out, what);
        return std::nullopt;
    }

    ExchangeStatus Floats(int index, int type, std::vector<float>& out, const std::string& what) const
    {
        const tinygltf::Accessor* a = nullptr;
        if (auto failure = Find(index, type, a, what))
            return failure;
        const std::size_t components = Components(type);
        if (a->componentType == kFloat && !a->sparse.isSparse && a->bufferView >= 0) {
            // Plain floats are copied as they are, bit for bit.
            std::span<const std::uint8_t> bytes;
            std::size_t stride = 0;
            if (auto failure = ElementRange(a->bufferView, a->byteOffset, 4 * components, a->count, bytes, stride,
                                            what))
                return failure;
            out.resize(a->count * components);
            if (stride == 4 * components && std::endian::native == std::endian::little) {
                if (!out.empty())
                    std::memcpy(out.data(), bytes.data(), out.size() * 4);
                return std::nullopt;
            }
            for (std::size_t i = 0; i < a->count; ++i) {
                for (std::size_t c = 0; c < components; ++c)
                    out[i * components + c] = le::Load<float>(bytes.data() + i * stride + 4 * c);
            }
            return std::nullopt;
        }
        std::vector<double> numbers;
        if (auto failure = Numbers(index, type, numbers, what))
            return failure;
        out.assign(numbers.begin(), numbers.end());
        return std::nullopt;
    }

    // Unsigned integers of a scalar accessor (indices, vertex numbers).
    ExchangeStatus Uints(int index, std::vector<std::uint32_t>& out, const std::string& what) const
    {
        const tinygltf::Accessor* a = nullptr;
        if (auto failure = Find(index, TINYGLTF_TYPE_SCALAR, a, what))
            return failure;
        if (a->componentType != kUnsignedByte && a->componentType != kUnsignedShort &&
            a->componentType != kUnsignedInt)
            return Malformed(what + ": accessor " + std::to_string(index) + " does not hold unsigned integers");
        if (a->componentType == kUnsignedInt && !a->sparse.isSparse && a->bufferView >= 0) {
            std::span<const std::uint8_t> bytes;
            std::size_t stride = 0;
            if (auto failure = ElementRange(a->bufferView, a->byteOffset, 4, a->count, bytes, stride, what))
                return failure;
            out.resize(a->count);
            if (stride == 4 && std::endian::native == std::endian::little) {
                if (!out.empty())
                    std::memcpy(out.data(), bytes.data(), out.size() * 4);
                return std::nullopt;
            }
            for (std::size_t i = 0; i < a->count; ++i)
                out[i] = le::Load<std::uint32_t>(bytes.data() + i * stride);
            return std::nullopt;
        }
        std::vector<double> numbers;
        if (auto failure = Numbers(index, TINYGLTF_TYPE_SCALAR, numbers, what))
            return failure;
        out.resize(numbers.size());
        for (std::size_t i = 0; i < numbers.size(); ++i)
            out[i] = static_cast<std::uint32_t>(numbers[i]);
        return std::nullopt;
    }

    std::size_t Count(int index) const
    {
        return index >= 0 && static_cast<std::size_t>(index) < g_.accessors.size()
                   ? g_.accessors[static_cast<std::size_t>(index)].count
                   : 0;
    }

private:
    static std::size_t Components(int type)
    {
        switch (type) {
        case TINYGLTF_TYPE_SCALAR: return 1;
        case TINYGLTF_TYPE_VEC2: return 2;
        case TINYGLTF_TYPE_VEC3: return 3;
        case TINYGLTF_TYPE_VEC4: return 4;
        default: return 0;
        }
    }

    ExchangeStatus Find(int index, int type, const tinygltf::Accessor*& out, const std::string& what) const
    {
        if (index < 0 || static_cast<std::size_t>(index) >= g_.accessors.size())
            return Malformed(what + ": accessor " + std::to_string(index) + " does not exist");
        const tinygltf::Accessor& a = g_.accessors[static_cast<std::size_t>(index)];
        const std::string name = what + ": accessor " + std::to_string(index);
        if (a.type != type)
            return Malformed(name + " has the wrong element type");
        if (ComponentSize(a.componentType) == 0)
            return Malformed(name + " has an unknown component type");
        if (a.count > kMaxElements)
            return Malformed(name + " has too many elements");
        out = &a;
        return std::nullopt;
    }

    // The bytes from the first element's start to the last one's end.
    ExchangeStatus ElementRange(int view, std::size_t byteOffset, std::size_t elementSize, std::size_t count,
                                std::span<const std::uint8_t>& out, std::size_t& stride, const std::string& what) const
    {
        std::span<const std::uint8_t> bytes;
        if (auto failure = ViewBytes(view, bytes, what))
            return failure;
        const auto& v = g_.bufferViews[static_cast<std::size_t>(view)];
        stride = v.byteStride != 0 ? v.byteStride : elementSize;
        if (stride < elementSize)
            return Malformed(what + ": the stride of buffer view " + std::to_string(view) + " is too short");
        if (count == 0) {
            out = {};
            return std::nullopt;
        }
        const std::size_t needed = stride * (count - 1) + elementSize; // count and stride are bounded
        if (byteOffset > bytes.size() || needed > bytes.size() - byteOffset)
            return Malformed(what + ": the accessor reaches past buffer view " + std::to_string(view));
        out = bytes.subspan(byteOffset, needed);
        return std::nullopt;
    }

    ExchangeStatus ReadElements(int view, std::size_t byteOffset, int componentType, bool normalized,
                                std::size_t count, std::size_t components, double* out, const std::string& what) const
    {
        const std::size_t size = ComponentSize(componentType);
        if (size == 0)
            return Malformed(what + ": unknown component type " + std::to_string(componentType));
        std::span<const std::uint8_t> bytes;
        std::size_t stride = 0;
        if (auto failure = ElementRange(view, byteOffset, size * components, count, bytes, stride, what))
            return failure;
        for (std::size_t i = 0; i < count; ++i) {
            for (std::size_t c = 0; c < components; ++c)
                out[i * components + c] = Component(bytes.data() + i * stride + c * size, componentType, normalized);
        }
        return std::nullopt;
    }

    ExchangeStatus ApplySparse(const tinygltf::Accessor& a, std::size_t components, std::vector<double>& out,
                               const std::string& what) const
    {
        const auto count = static_cast<std::size_t>(std::max(0, a.sparse.count));
        if (count > a.count)
            return Malformed(what + ": more sparse values than elements");
        const int indexType = a.sparse.indices.componentType;
        if (indexType != kUnsignedByte && indexType != kUnsignedShort && indexType != kUnsignedInt)
            return Malformed(what + ": sparse indices are not unsigned integers");
        std::vector<double> indices(count);
        std::vector<double> values(count * components);
        if (auto failure = ReadElements(a.sparse.indices.bufferView, a.sparse.indices.byteOffset, indexType, false,
                                        count, 1, indices.data(), what))
            return failure;
        if (auto failure = ReadElements(a.sparse.values.bufferView, a.sparse.values.byteOffset, a.componentType,
                                        a.normalized, count, components, values.data(), what))
            return failure;
        for (std::size_t i = 0; i < count; ++i) {
            const auto at = static_cast<std::size_t>(indices[i]);
            if (at >= a.count)
                return Malformed(what + ": a sparse index lies outside the accessor");
            std::copy_n(values.begin() + static_cast<std::ptrdiff_t>(i * components), components,
                        out.begin() + static_cast<std::ptrdiff_t>(at * components));
        }
        return std::nullopt;
    }

    const tinygltf::Model& g_;
};

// --- Transforms --------------------------------------------------------------

using Matrix = std::array<double, 16>; // column-major, as glTF writes it

constexpr Matrix kIdentity{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

Matrix Multiply(const Matrix& a, const Matrix& b)
{
    Matrix m{};
    for (int col = 0; col < 4; ++col) {
        for (int row = 0; row < 4; ++row) {
            double sum = 0;
            for (int k = 0; k < 4; ++k)
                sum += a[static_cast<std::size_t>(k * 4 + row)] * b[static_cast<std::size_t>(col * 4 + k)];
            m[static_cast<std::size_t>(col * 4 + row)] = sum;
        }
    }
    return m;
}

ExchangeStatus LocalMatrix(const tinygltf::Node& node, int index, Matrix& out)
{
    const std::string name = "node " + std::to_string(index);
    if (!node.matrix.empty()) {
        if (node.matrix.size() != 16)
            return Malformed(name + ": a matrix needs 16 numbers");
        std::copy(node.matrix.begin(), node.matrix.end(), out.begin());
        return std::nullopt;
    }
    if ((!node.translation.empty() && node.translation.size() != 3) ||
        (!node.rotation.empty() && node.rotation.size() != 4) || (!node.scale.empty() && node.scale.size() != 3))
        return Malformed(name + ": a translation, rotation or scale of the wrong length");
    const double x = node.rotation.empty() ? 0 : node.rotation[0];
    const double y = node.rotation.empty() ? 0 : node.rotation[1];
    const double z = node.rotation.empty() ? 0 : node.rotation[2];
    const double w = node.rotation.empty() ? 1 : node.rotation[3];
    const double sx = node.scale.empty() ? 1 : node.scale[0];
    const double sy = node.scale.empty() ? 1 : node.scale[1];
    const double sz = node.scale.empty() ? 1 : node.scale[2];
    out = {(1 - 2 * (y * y + z * z)) * sx, 2 * (x * y + z * w) * sx, 2 * (x * z - y * w) * sx, 0,
           2 * (x * y - z * w) * sy, (1 - 2 * (x * x + z * z)) * sy, 2 * (y * z + x * w) * sy, 0,
           2 * (x * z + y * w) * sz, 2 * (y * z - x * w) * sz, (1 - 2 * (x * x + y * y)) * sz, 0,
           node.translation.empty() ? 0 : node.translation[0], node.translation.empty() ? 0 : node.translation[1],
           node.translation.empty() ? 0 : node.translation[2], 1};
    return std::nullopt;
}

bool LinearIsIdentity(const Matrix& m)
{
    for (std::size_t col = 0; col < 3; ++col) {
        for (std::size_t row = 0; row < 4; ++row) {
            if (m[col * 4 + row] != (col == row ? 1.0 : 0.0))
                return false;
        }
    }
    return m[15] == 1.0;
}

double Determinant3(const Matrix& m)
{
    return m[0] * (m[5] * m[10] - m[9] * m[6]) - m[4] * (m[1] * m[10] - m[9] * m[2]) +
           m[8] * (m[1] * m[6] - m[5] * m[2]);
}

// The inverse transpose of the linear part, for normals.
Matrix NormalMatrix(const Matrix& m)
{
    const double det = Determinant3(m);
    Matrix n = kIdentity;
    if (det == 0 || !std::isfinite(det))
        return n;
    const auto at = [&m](int row, int col) { return m[static_cast<std::size_t>(col * 4 + row)]; };
    for (int row = 0; row < 3; ++row) {
        for (int col = 0; col < 3; ++col) {
            const int r1 = (row + 1) % 3, r2 = (row + 2) % 3, c1 = (col + 1) % 3, c2 = (col + 2) % 3;
            // cofactor(row, col) / det is the inverse's (col, row): the inverse transpose's (row, col)
            n[static_cast<std::size_t>(col * 4 + row)] =
                (at(r1, c1) * at(r2, c2) - at(r1, c2) * at(r2, c1)) / det;
        }
    }
    return n;
}

// --- The scene ---------------------------------------------------------------

struct PlacedNode {
    int node;
    Matrix world;
};

struct SceneNodes {
    std::vector<PlacedNode> parts;
    std::vector<PlacedNode> dummies;
};

ExchangeStatus CollectNodes(const tinygltf::Model& g, SceneNodes& out)
{
    std::vector<int> roots;
    if (!g.scenes.empty()) {
        const std::size_t scene =
            g.defaultScene >= 0 && static_cast<std::size_t>(g.defaultScene) < g.scenes.size() ? g.defaultScene : 0;
        roots = g.scenes[scene].nodes;
    } else {
        std::vector<bool> child(g.nodes.size(), false);
        for (const auto& node : g.nodes) {
            for (int c : node.children) {
                if (c >= 0 && static_cast<std::size_t>(c) < child.size())
                    child[static_cast<std::size_t>(c)] = true;
            }
        }
        for (std::size_t i = 0; i < g.nodes.size(); ++i) {
            if (!child[i])
                roots.push_back(static_cast<int>(i));
        }
    }
    std::vector<bool> seen(g.nodes.size(), false);
    struct Pending {
        int node;
        Matrix parent;
        bool parentIdentity;
        int depth;
    };
    std::vector<Pending> stack;
    for (auto it = roots.rbegin(); it != roots.rend(); ++it)
        stack.push_back({*it, kIdentity, true, 0});
    while (!stack.empty()) {
        const Pending p = stack.back();
        stack.pop_back();
        if (p.node < 0 || static_cast<std::size_t>(p.node) >= g.nodes.size())
            return Malformed("node " + std::to_string(p.node) + " does not exist");
        if (seen[static_cast<std::size_t>(p.node)])
            return Malformed("node " + std::to_string(p.node) + " is reached twice");
        if (p.depth > kMaxDepth)
            return Malformed("the node tree is deeper than " + std::to_string(kMaxDepth));
        seen[static_cast<std::size_t>(p.node)] = true;
        const tinygltf::Node& node = g.nodes[static_cast<std::size_t>(p.node)];
        Matrix local{};
        if (auto failure = LocalMatrix(node, p.node, local))
            return failure;
        // Under an untransformed parent the node's own numbers are used as
        // they are, so a translation of -0 stays -0.
        const Matrix world = p.parentIdentity ? local : Multiply(p.parent, local);
        if (node.mesh >= 0)
            out.parts.push_back({p.node, world});
        else if (node.children.empty() && node.camera < 0 && node.extensions.empty())
            out.dummies.push_back({p.node, world});
        const bool identity = world == kIdentity;
        for (auto c = node.children.rbegin(); c != node.children.rend(); ++c)
            stack.push_back({*c, world, identity, p.depth + 1});
    }
    return std::nullopt;
}

// --- Extras ------------------------------------------------------------------

const tinygltf::Value* Member(const tinygltf::Value& object, const char* key)
{
    if (!object.IsObject() || !object.Has(key))
        return nullptr;
    return &object.Get(key);
}

std::optional<int> IntMember(const tinygltf::Value& object, const char* key)
{
    const tinygltf::Value* v = Member(object, key);
    if (!v || !v->IsNumber())
        return std::nullopt;
    const double d = v->GetNumberAsDouble();
    if (d < std::numeric_limits<std::int32_t>::min() || d > std::numeric_limits<std::int32_t>::max() ||
        d != std::floor(d))
        return std::nullopt;
    return static_cast<int>(d);
}

// The scene extras "fce": what the header holds beyond nodes and meshes.
struct HeaderExtras {
    std::optional<ModelOrigin> variant;
    VertexSet activeSet = VertexSet::Normal;
    std::optional<std::array<char, 4>> tag;
    std::optional<int> numArts, numPriColours, numSecColours;
    std::optional<std::array<float, 3>> halfSizes;
    std::optional<std::array<std::int32_t, 6>> offsets;
    std::optional<std::array<Vec3, kPartSlots>> partPositions;
    std::optional<std::array<Vec3, kDummySlots>> dummyPositions;
    std::optional<std::vector<Name64>> partNames;
    std::optional<std::array<Name64, kDummySlots>> dummyNames;
    std::optional<std::array<Colour, kColourSlots>> colours[4];
    std::optional<std::array<std::uint8_t, 256>> headerTail;
    std::optional<std::array<std::uint8_t, kNfs4HeaderSize>> fce4Header;
};

class ExtrasReader {
public:
    explicit ExtrasReader(const tinygltf::Value& fce) : fce_(fce) {}

    std::optional<std::vector<std::uint8_t>> Raw(const char* key, std::size_t unit, std::size_t most)
    {
        const tinygltf::Value* v = Member(fce_, key);
        if (!v)
            return std::nullopt;
        auto bytes = v->IsString() ? FromBase64(v->Get<std::string>()) : std::nullopt;
        if (!bytes || bytes->empty() || bytes->size() % unit != 0 || bytes->size() > most) {
            Bad(key);
            return std::nullopt;
        }
        return bytes;
    }

    template <std::size_t N>
    std::optional<std::array<std::uint8_t, N>> Fixed(const char* key)
    {
        auto bytes = Raw(key, N, N);
        if (!bytes)
            return std::nullopt;
        std::array<std::uint8_t, N> out{};
        std::copy(bytes->begin(), bytes->end(), out.begin());
        return out;
    }

    template <std::size_t N>
    std::optional<std::array<Vec3, N>> Positions(const char* key)
    {
        auto bytes = Fixed<N * 12>(key);
        if (!bytes)
            return std::nullopt;
        std::array<Vec3, N> out{};
        for (std::size_t i = 0; i < N; ++i)
            out[i] = {le::Load<float>(bytes->data() + 12 * i), le::Load<float>(bytes->data() + 12 * i + 4),
                      le::Load<float>(bytes->data() + 12 * i + 8)};
        return out;
    }

    std::optional<std::array<Colour, kColourSlots>> Colours(const char* key)
    {
        const tinygltf::Value* v = Member(fce_, key);
        if (!v)
            return std::nullopt;
        std::array<Colour, kColourSlots> out{};
        if (!v->IsArray() || v->ArrayLen() != kColourSlots) {
            Bad(key);
            return std::nullopt;
        }
        for (std::size_t i = 0; i < kColourSlots; ++i) {
            const tinygltf::Value& entry = v->Get(static_cast<int>(i));
            std::int32_t c[4] = {};
            if (!entry.IsArray() || entry.ArrayLen() != 4) {
                Bad(key);
                return std::nullopt;
            }
            for (int k = 0; k < 4; ++k) {
                const tinygltf::Value& n = entry.Get(k);
                if (!n.IsNumber() || std::fabs(n.GetNumberAsDouble()) > 1e9) {
                    Bad(key);
                    return std::nullopt;
                }
                c[k] = static_cast<std::int32_t>(n.GetNumberAsDouble());
            }
            out[i] = {c[0], c[1], c[2], c[3]};
        }
        return out;
    }

    std::optional<int> Int(const char* key)
    {
        if (!Member(fce_, key))
            return std::nullopt;
        auto v = IntMember(fce_, key);
        if (!v)
            Bad(key);
        return v;
    }

    const std::string& bad() const { return bad_; }

private:
    void Bad(const char* key)
    {
        if (bad_.empty())
            bad_ = key;
    }

    const tinygltf::Value& fce_;
    std::string bad_;
};

ExchangeStatus ReadHeaderExtras(const tinygltf::Model& g, std::optional<HeaderExtras>& out)
{
    if (g.scenes.empty())
        return std::nullopt;
    const std::size_t scene =
        g.defaultScene >= 0 && static_cast<std::size_t>(g.defaultScene) < g.scenes.size() ? g.defaultScene : 0;
    const tinygltf::Value* fce = Member(g.scenes[scene].extras, kSceneKey);
    if (!fce)
        return std::nullopt;
    if (!fce->IsObject())
        return Malformed("the scene extras 'fce' are not an object");
    ExtrasReader r(*fce);
    HeaderExtras h;
    if (const tinygltf::Value* v = Member(*fce, "variant"); v && v->IsString()) {
        const std::string name = v->Get<std::string>();
        h.variant = name == "nfs4" ? ModelOrigin::Nfs4 : name == "3ds" ? ModelOrigin::From3ds : ModelOrigin::Nfs3;
    }
    if (auto set = r.Int("activeVertexSet"); set && *set >= 0 && *set <= 2)
        h.activeSet = static_cast<VertexSet>(*set);
    if (auto tag = r.Fixed<4>("headerTag"))
        h.tag = std::array<char, 4>{char((*tag)[0]), char((*tag)[1]), char((*tag)[2]), char((*tag)[3])};
    h.numArts = r.Int("numArts");
    h.numPriColours = r.Int("numPriColours");
    h.numSecColours = r.Int("numSecColours");
    if (auto half = r.Fixed<12>("halfSizes"))
        h.halfSizes = std::array<float, 3>{le::Load<float>(half->data()), le::Load<float>(half->data() + 4),
                                           le::Load<float>(half->data() + 8)};
    if (auto offsets = r.Fixed<24>("offsets")) {
        std::array<std::int32_t, 6> o{};
        for (std::size_t i = 0; i < 6; ++i)
            o[i] = le::Load<std::int32_t>(offsets->data() + 4 * i);
        h.offsets = o;
    }
    h.partPositions = r.Positions<kPartSlots>("partPositions");
    h.dummyPositions = r.Positions<kDummySlots>("dummyPositions");
    if (auto names = r.Raw("partNames", kNameLength, kNameLength * kPartSlots)) {
        std::vector<Name64> slots(names->size() / kNameLength);
        std::memcpy(slots.data(), names->data(), names->size());
        h.partNames = std::move(slots);
    }
    if (auto names = r.Fixed<kNameLength * kDummySlots>("dummyNames")) {
        std::array<Name64, kDummySlots> slots{};
        std::memcpy(slots.data(), names->data(), names->size());
        h.dummyNames = slots;
    }
    const char* colourKeys[4] = {"priColours", "secColours", "intColours", "hairColours"};
    for (std::size_t i = 0; i < 4; ++i)
        h.colours[i] = r.Colours(colourKeys[i]);
    h.headerTail = r.Fixed<256>("headerTail");
    h.fce4Header = r.Fixed<kNfs4HeaderSize>("fce4Header");
    if (!r.bad().empty())
        return Malformed("the scene extras 'fce' hold a malformed '" + r.bad() + "'");
    out = std::move(h);
    return std::nullopt;
}

// --- Parts ---------------------------------------------------------------------

// One mesh's vertices as glTF holds them (x not yet negated) and its
// triangles as glTF corners.
struct MeshData {
    std::vector<float> positions, normals, uv;
    std::vector<std::uint32_t> source; // _FCE_VIDX, when every primitive has it
    bool allSourced = true;
    std::vector<float> damage, damageNormals, second, secondNormals; // target deltas
    bool hasDamage = false, hasSecond = false;
    std::vector<std::array<std::uint32_t, 3>> corners;
    std::vector<std::int32_t> pages, flags;
    std::vector<std::uint32_t> order; // each triangle's place in the part, when every primitive says
    bool allOrdered = true;
};

// Appends `from`, taking its memory when `to` is still empty (the usual
// case: one set of attributes a mesh).
template <class T>
void MoveAppend(std::vector<T>& to, std::vector<T>&& from)
{
    if (to.empty())
        to = std::move(from);
    else
        to.insert(to.end(), from.begin(), from.end());
}

int TargetIndex(const tinygltf::Mesh& mesh, const char* name)
{
    const tinygltf::Value* names = Member(mesh.extras, "targetNames");
    if (!names || !names->IsArray())
        return -1;
    for (int i = 0; i < static_cast<int>(names->ArrayLen()); ++i) {
        const tinygltf::Value& n = names->Get(i);
        if (n.IsString() && n.Get<std::string>() == name)
            return i;
    }
    return -1;
}

int AttributeOf(const std::map<std::string, int>& attributes, const char* name)
{
    const auto found = attributes.find(name);
    return found == attributes.end() ? -1 : found->second;
}

class MeshReader {
public:
    MeshReader(const tinygltf::Model& g, bool trusted) : g_(g), acc_(g), trusted_(trusted) {}

    ExchangeStatus Read(const tinygltf::Mesh& mesh, const std::string& name, MeshData& out)
    {
        const int damage = TargetIndex(mesh, kDamageTarget);
        const int second = TargetIndex(mesh, kUndamaged2Target);
        out.hasDamage = damage >= 0;
        out.hasSecond = second >= 0;
        std::map<std::vector<int>, std::uint32_t> bases; // primitives sharing attributes share vertices
        for (std::size_t p = 0; p < mesh.primitives.size(); ++p) {
            const tinygltf::Primitive& prim = mesh.primitives[p];
            const std::string what = "mesh '" + name + "' primitive " + std::to_string(p);
            if (prim.mode >= 0 && prim.mode <= 3)
                return Malformed(what + " holds points or lines, which a model cannot hold");
            if (prim.mode != TINYGLTF_MODE_TRIANGLES && prim.mode != TINYGLTF_MODE_TRIANGLE_STRIP &&
                prim.mode != TINYGLTF_MODE_TRIANGLE_FAN)
                return Malformed(what + " has an unknown mode");
            const int position = AttributeOf(prim.attributes, "POSITION");
            if (position < 0)
                return Malformed(what + " has no POSITION");
            std::vector<int> key{position, AttributeOf(prim.attributes, "NORMAL"),
                                 AttributeOf(prim.attributes, kRawNormalAttribute),
                                 AttributeOf(prim.attributes, "TEXCOORD_0"),
                                 AttributeOf(prim.attributes, kVertexIndexAttribute)};
            for (const auto& target : prim.targets) {
                key.push_back(AttributeOf(target, "POSITION"));
                key.push_back(AttributeOf(target, "NORMAL"));
            }
            auto [at, added] = bases.try_emplace(key, static_cast<std::uint32_t>(out.positions.size() / 3));
            if (added) {
                if (auto failure = AppendVertices(prim, damage, second, what, out))
                    return failure;
            }
            const std::uint32_t base = at->second;
            const std::size_t count = acc_.Count(position);
            if (auto failure = AppendTriangles(prim, base, count, what, out))
                return failure;
        }
        return std::nullopt;
    }

private:
    ExchangeStatus Vec3Or(int accessor, std::size_t count, std::vector<float>& out, const std::string& what)
    {
        if (accessor < 0) {
            out.assign(count * 3, 0.0f);
            return std::nullopt;
        }
        if (auto failure = acc_.Floats(accessor, TINYGLTF_TYPE_VEC3, out, what))
            return failure;
        if (out.size() != count * 3)
            return Malformed(what + ": an attribute has another count than POSITION");
        return std::nullopt;
    }

    ExchangeStatus AppendVertices(const tinygltf::Primitive& prim, int damage, int second, const std::string& what,
                                  MeshData& out)
    {
        std::vector<float> positions;
        if (auto failure = acc_.Floats(AttributeOf(prim.attributes, "POSITION"), TINYGLTF_TYPE_VEC3, positions, what))
            return failure;
        const std::size_t count = positions.size() / 3;
        if (out.positions.size() / 3 + count > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()))
            return exchange::Overflow(what + ": too many vertices");
        int normal = AttributeOf(prim.attributes, "NORMAL");
        if (normal < 0)
            normal = AttributeOf(prim.attributes, kRawNormalAttribute);
        std::vector<float> normals, uv;
        if (auto failure = Vec3Or(normal, count, normals, what))
            return failure;
        const int texcoord = AttributeOf(prim.attributes, "TEXCOORD_0");
        if (texcoord >= 0) {
            if (auto failure = acc_.Floats(texcoord, TINYGLTF_TYPE_VEC2, uv, what))
                return failure;
            if (uv.size() != count * 2)
                return Malformed(what + ": TEXCOORD_0 has another count than POSITION");
        } else {
            // glTF V 1 is FCE's V 0: missing coordinates give zeros.
            uv.assign(count * 2, 0.0f);
            for (std::size_t i = 1; i < uv.size(); i += 2)
                uv[i] = 1.0f;
        }
        const int vidx = AttributeOf(prim.attributes, kVertexIndexAttribute);
        std::vector<std::uint32_t> source;
        if (vidx >= 0) {
            std::vector<float> numbers;
            if (auto failure = acc_.Floats(vidx, TINYGLTF_TYPE_SCALAR, numbers, what))
                return failure;
            if (numbers.size() != count)
                return Malformed(what + ": " + kVertexIndexAttribute + " has another count than POSITION");
            source.reserve(count);
            for (float f : numbers) {
                if (!(f >= 0 && f < 16777216.0f) || f != std::floor(f))
                    return Malformed(what + ": " + kVertexIndexAttribute + " holds something other than vertex numbers");
                source.push_back(static_cast<std::uint32_t>(f));
            }
        } else {
            out.allSourced = false;
        }
        MoveAppend(out.positions, std::move(positions));
        MoveAppend(out.normals, std::move(normals));
        MoveAppend(out.uv, std::move(uv));
        MoveAppend(out.source, std::move(source));
        if (auto failure = AppendTarget(prim, damage, count, out.damage, out.damageNormals, what))
            return failure;
        return AppendTarget(prim, second, count, out.second, out.secondNormals, what);
    }

    ExchangeStatus AppendTarget(const tinygltf::Primitive& prim, int target, std::size_t count,
                                std::vector<float>& positions, std::vector<float>& normals, const std::string& what)
    {
        if (target < 0)
            return std::nullopt;
        std::vector<float> p, n;
        int pa = -1, na = -1;
        if (static_cast<std::size_t>(target) < prim.targets.size()) {
            pa = AttributeOf(prim.targets[static_cast<std::size_t>(target)], "POSITION");
            na = AttributeOf(prim.targets[static_cast<std::size_t>(target)], "NORMAL");
        }
        if (auto failure = Vec3Or(pa, count, p, what))
            return failure;
        if (auto failure = Vec3Or(na, count, n, what))
            return failure;
        MoveAppend(positions, std::move(p));
        MoveAppend(normals, std::move(n));
        return std::nullopt;
    }

    ExchangeStatus AppendTriangles(const tinygltf::Primitive& prim, std::uint32_t base,
                                   std::size_t count, const std::string& what, MeshData& out)
    {
        std::vector<std::uint32_t> indices;
        if (prim.indices >= 0) {
            if (auto failure = acc_.Uints(prim.indices, indices, what))
                return failure;
            for (std::uint32_t i : indices) {
                if (i >= count)
                    return Malformed(what + ": index " + std::to_string(i) + " names no vertex");
            }
        } else {
            indices.resize(count);
            for (std::size_t i = 0; i < count; ++i)
                indices[i] = static_cast<std::uint32_t>(i);
        }
        std::vector<std::array<std::uint32_t, 3>> triangles;
        if (prim.mode == TINYGLTF_MODE_TRIANGLES) {
            if (indices.size() % 3 != 0)
                return Malformed(what + ": the corner count is not a multiple of three");
            for (std::size_t i = 0; i + 2 < indices.size(); i += 3)
                triangles.push_back({indices[i], indices[i + 1], indices[i + 2]});
        } else if (prim.mode == TINYGLTF_MODE_TRIANGLE_STRIP) {
            for (std::size_t i = 0; i + 2 < indices.size(); ++i) {
                if (i % 2 == 0)
                    triangles.push_back({indices[i], indices[i + 1], indices[i + 2]});
                else
                    triangles.push_back({indices[i], indices[i + 2], indices[i + 1]});
            }
        } else {
            for (std::size_t i = 1; i + 1 < indices.size(); ++i)
                triangles.push_back({indices[0], indices[i], indices[i + 1]});
        }
        std::int32_t page = 0;
        if (prim.material >= 0 && static_cast<std::size_t>(prim.material) < g_.materials.size()) {
            if (auto p = IntMember(g_.materials[static_cast<std::size_t>(prim.material)].extras, "texPage"))
                page = *p;
        }
        if (auto p = IntMember(prim.extras, "texPage"))
            page = *p;
        const std::int32_t flags = IntMember(prim.extras, "flags").value_or(0);
        std::vector<std::uint32_t> order;
        const auto orderAccessor = IntMember(prim.extras, kTriangleOrderKey);
        if (trusted_ && orderAccessor && !acc_.Uints(*orderAccessor, order, what) && order.size() == triangles.size())
            out.order.insert(out.order.end(), order.begin(), order.end());
        else
            out.allOrdered = false;
        for (auto& t : triangles) {
            out.corners.push_back({t[0] + base, t[1] + base, t[2] + base});
            out.pages.push_back(page);
            out.flags.push_back(flags);
        }
        return std::nullopt;
    }

    const tinygltf::Model& g_;
    Accessors acc_;
    bool trusted_;
};

// The model tables of one part.
struct BuiltPart {
    Vec3 position{};
    std::vector<Vec3> vertices, normals, damaged, damagedNormals, second, secondNormals;
    std::vector<Triangle> triangles;
    bool hasDamage = false;
    std::vector<Reserved32> reserved1;
    std::vector<Reserved12> reserved2, reserved3, triReserved;
    std::vector<Reserved4> vertReservedA, vertFlags, vertReservedB;
    bool flagsGiven = false;
};

Vec3 ToFce(double x, double y, double z)
{
    return {static_cast<float>(-x), static_cast<float>(y), static_cast<float>(z)};
}

// The FCE vertex of every glTF vertex, or empty when the file's vertex
// numbers do not describe a whole vertex table.
std::vector<std::uint32_t> VertexMap(const MeshData& data, std::size_t& vertices)
{
    const std::size_t count = data.positions.size() / 3;
    std::vector<std::uint32_t> map;
    if (!data.allSourced || data.source.size() != count) {
        vertices = count;
        map.resize(count);
        for (std::size_t i = 0; i < count; ++i)
            map[i] = static_cast<std::uint32_t>(i);
        return map;
    }
    std::uint32_t most = 0;
    for (std::uint32_t s : data.source)
        most = std::max(most, s + 1);
    std::vector<bool> present(most, false);
    for (std::uint32_t s : data.source)
        present[s] = true;
    if (most > count || !std::all_of(present.begin(), present.end(), [](bool b) { return b; })) {
        vertices = count;
        map.resize(count);
        for (std::size_t i = 0; i < count; ++i)
            map[i] = static_cast<std::uint32_t>(i);
        return map;
    }
    vertices = most;
    return data.source;
}

class PartBuilder {
public:
    PartBuilder(const tinygltf::Model& g, bool trusted) : acc_(g), trusted_(trusted) {}

    ExchangeStatus Build(const MeshData& data, const tinygltf::Mesh& mesh, const Matrix& world, BuiltPart& part)
    {
        std::size_t vertices = 0;
        const std::vector<std::uint32_t> map = VertexMap(data, vertices);
        const bool identity = LinearIsIdentity(world);
        const Matrix normalMatrix = NormalMatrix(world);
        part.position = ToFce(world[12], world[13], world[14]);
        part.vertices.assign(vertices, Vec3{});
        part.normals.assign(vertices, Vec3{});
        part.hasDamage = data.hasDamage;
        if (data.hasDamage || data.hasSecond) {
            part.damaged.assign(vertices, Vec3{});
            part.damagedNormals.assign(vertices, Vec3{});
            part.second.assign(vertices, Vec3{});
            part.secondNormals.assign(vertices, Vec3{});
        }
        std::vector<bool> placed(vertices, false);
        for (std::size_t i = 0; i < map.size(); ++i) {
            const std::uint32_t k = map[i];
            if (placed[k])
                continue;
            placed[k] = true;
            part.vertices[k] = Place(data.positions, i, world, identity, false);
            part.normals[k] = Direction(data.normals, i, normalMatrix, identity);
            if (data.hasDamage || data.hasSecond) {
                const Vec3& p = part.vertices[k];
                const Vec3& n = part.normals[k];
                part.damaged[k] = data.hasDamage ? Add(p, Place(data.damage, i, world, identity, true)) : p;
                part.damagedNormals[k] =
                    data.hasDamage ? Add(n, Place(data.damageNormals, i, normalMatrix, identity, true)) : n;
                part.second[k] = data.hasSecond ? Add(p, Place(data.second, i, world, identity, true)) : p;
                part.secondNormals[k] =
                    data.hasSecond ? Add(n, Place(data.secondNormals, i, normalMatrix, identity, true)) : n;
            }
        }
        const bool mirrored = !identity && Determinant3(world) < 0;
        const std::size_t triangles = data.corners.size();
        std::vector<std::size_t> slot(triangles);
        const bool ordered = trusted_ && data.allOrdered && IsPermutation(data.order, triangles);
        for (std::size_t t = 0; t < triangles; ++t)
            slot[t] = ordered ? data.order[t] : t;
        part.triangles.resize(triangles);
        for (std::size_t t = 0; t < triangles; ++t) {
            const auto& c = data.corners[t];
            // glTF's (a, b, c) were written from FCE's first, third, second.
            std::array<std::uint32_t, 3> g{c[0], c[2], c[1]};
            if (mirrored)
                std::swap(g[1], g[2]);
            Triangle& tri = part.triangles[slot[t]];
            tri.TexPage = data.pages[t];
            tri.Flags = data.flags[t];
            tri.I1 = static_cast<std::int32_t>(map[g[0]]);
            tri.I2 = static_cast<std::int32_t>(map[g[1]]);
            tri.I3 = static_cast<std::int32_t>(map[g[2]]);
            float* u[3] = {&tri.U1, &tri.U2, &tri.U3};
            float* v[3] = {&tri.V1, &tri.V2, &tri.V3};
            for (std::size_t k = 0; k < 3; ++k) {
                *u[k] = data.uv[2 * g[k]];
                tri.StoredV[k] = data.uv[2 * g[k] + 1];
                *v[k] = 1.0f - tri.StoredV[k];
            }
        }
        if (trusted_)
            ApplyBlocks(mesh, part);
        return std::nullopt;
    }

private:
    static bool IsPermutation(const std::vector<std::uint32_t>& order, std::size_t count)
    {
        if (order.size() != count)
            return false;
        std::vector<bool> seen(count, false);
        for (std::uint32_t o : order) {
            if (o >= count || seen[o])
                return false;
            seen[o] = true;
        }
        return true;
    }

    static Vec3 Add(const Vec3& a, const Vec3& b)
    {
        return {a.X + b.X, a.Y + b.Y, a.Z + b.Z};
    }

    // A point (or, `direction`, a difference) of glTF vertex i in FCE's frame.
    static Vec3 Place(const std::vector<float>& xyz, std::size_t i, const Matrix& m, bool identity, bool direction)
    {
        const float x = xyz[3 * i], y = xyz[3 * i + 1], z = xyz[3 * i + 2];
        if (identity)
            return {-x, y, z};
        (void)direction; // the translation is the part position, never added to the vertices
        return ToFce(m[0] * x + m[4] * y + m[8] * z, m[1] * x + m[5] * y + m[9] * z, m[2] * x + m[6] * y + m[10] * z);
    }

    static Vec3 Direction(const std::vector<float>& xyz, std::size_t i, const Matrix& n, bool identity)
    {
        const float x = xyz[3 * i], y = xyz[3 * i + 1], z = xyz[3 * i + 2];
        if (identity)
            return {-x, y, z};
        const double tx = n[0] * x + n[4] * y + n[8] * z;
        const double ty = n[1] * x + n[5] * y + n[9] * z;
        const double tz = n[2] * x + n[6] * y + n[10] * z;
        const double length = std::sqrt(tx * tx + ty * ty + tz * tz);
        if (!(length > 0) || !std::isfinite(length))
            return ToFce(tx, ty, tz);
        return ToFce(tx / length, ty / length, tz / length);
    }

    // The bytes of a block the mesh extras name, when it has the size the
    // part needs.
    std::span<const std::uint8_t> Block(const tinygltf::Mesh& mesh, const PartBlockInfo& info, std::size_t count)
    {
        const auto view = IntMember(mesh.extras, info.key);
        std::span<const std::uint8_t> bytes;
        if (!view || acc_.ViewBytes(*view, bytes, "block") || bytes.size() != count * info.bytes)
            return {};
        return bytes;
    }

    template <std::size_t K>
    static void Opaque(std::span<const std::uint8_t> bytes, std::vector<std::array<std::uint8_t, K>>& table,
                       std::size_t count)
    {
        table.assign(count, {});
        if (!bytes.empty())
            std::memcpy(table.data(), bytes.data(), bytes.size());
    }

    static void Vec3s(std::span<const std::uint8_t> bytes, std::vector<Vec3>& table)
    {
        for (std::size_t k = 0; k < table.size() && !bytes.empty(); ++k)
            table[k] = {le::Load<float>(bytes.data() + 12 * k), le::Load<float>(bytes.data() + 12 * k + 4),
                        le::Load<float>(bytes.data() + 12 * k + 8)};
    }

    void ApplyBlocks(const tinygltf::Mesh& mesh, BuiltPart& part)
    {
        const std::size_t n = part.vertices.size();
        const std::size_t m = part.triangles.size();
        for (const PartBlockInfo& info : PartBlocks()) {
            const auto bytes = Block(mesh, info, info.perTriangle ? m : n);
            switch (info.block) {
            case PartBlock::Reserved1: Opaque(bytes, part.reserved1, n); break;
            case PartBlock::Reserved2: Opaque(bytes, part.reserved2, n); break;
            case PartBlock::Reserved3: Opaque(bytes, part.reserved3, n); break;
            case PartBlock::VertReservedA: Opaque(bytes, part.vertReservedA, n); break;
            case PartBlock::VertFlags:
                Opaque(bytes, part.vertFlags, n);
                part.flagsGiven = true;
                break;
            case PartBlock::VertReservedB: Opaque(bytes, part.vertReservedB, n); break;
            case PartBlock::TriReserved: Opaque(bytes, part.triReserved, m); break;
            case PartBlock::TriFill:
                for (std::size_t t = 0; t < m && !bytes.empty(); ++t) {
                    for (std::size_t k = 0; k < 6; ++k)
                        part.triangles[t].TriFill[k] = le::Load<std::uint16_t>(bytes.data() + 12 * t + 2 * k);
                }
                break;
            case PartBlock::ExactV:
                for (std::size_t t = 0; t < m && !bytes.empty(); ++t) {
                    part.triangles[t].V1 = le::Load<float>(bytes.data() + 12 * t);
                    part.triangles[t].V2 = le::Load<float>(bytes.data() + 12 * t + 4);
                    part.triangles[t].V3 = le::Load<float>(bytes.data() + 12 * t + 8);
                }
                break;
            case PartBlock::DamagedVerts: Vec3s(bytes, part.damaged); break;
            case PartBlock::DamagedNorms: Vec3s(bytes, part.damagedNormals); break;
            case PartBlock::Undamaged2Verts: Vec3s(bytes, part.second); break;
            case PartBlock::Undamaged2Norms: Vec3s(bytes, part.secondNormals); break;
            }
        }
    }

    Accessors acc_;
    bool trusted_;
};

std::string NodeName(const tinygltf::Model& g, const tinygltf::Node& node)
{
    if (!node.name.empty())
        return Latin1Text(node.name);
    if (node.mesh >= 0 && static_cast<std::size_t>(node.mesh) < g.meshes.size())
        return Latin1Text(g.meshes[static_cast<std::size_t>(node.mesh)].name);
    return {};
}

// `name`, or it with " 2", " 3", ... when another part has it already.
std::string UniqueName(const std::string& name, std::set<std::string>& taken)
{
    const std::string base = name.substr(0, kNameLength - 8);
    std::string candidate = name.substr(0, kNameLength - 1);
    for (int n = 2; taken.count(candidate); ++n)
        candidate = base + " " + std::to_string(n);
    taken.insert(candidate);
    return candidate;
}

// The raw slot when it still shows as `shown`, else the name stored as the
// part commands store one.
Name64 SlotName(const std::optional<Name64>& raw, const std::string& shown)
{
    if (raw && Latin1Text(DisplayName(*raw)) == shown)
        return *raw;
    return exchange::TerminatedName(shown);
}

template <class Table, class T>
void AppendTable(Table& to, const std::vector<T>& from, std::size_t count)
{
    if (from.size() == count)
        to.insert(to.end(), from.begin(), from.end());
    else
        to.resize(to.size() + count, T{});
}

ExchangeStatus BuildModel(const tinygltf::Model& g, CarModel& model)
{
    std::optional<HeaderExtras> extras;
    if (auto failure = ReadHeaderExtras(g, extras))
        return failure;
    const bool trusted = extras && g.asset.generator == kGltfGenerator;
    SceneNodes nodes;
    if (auto failure = CollectNodes(g, nodes))
        return failure;
    if (nodes.parts.size() > static_cast<std::size_t>(kPartSlots))
        return exchange::Overflow("the file has " + std::to_string(nodes.parts.size()) +
                                  " nodes with meshes; a model holds at most " + std::to_string(kPartSlots) + " parts");
    if (nodes.dummies.size() > static_cast<std::size_t>(kDummySlots))
        return exchange::Overflow("the file has " + std::to_string(nodes.dummies.size()) +
                                  " empty nodes; a model holds at most " + std::to_string(kDummySlots) + " dummies");

    CarModel out;
    out.Header = model.Header;
    out.Fce4Header = model.Fce4Header;
    out.TextureFileName = model.TextureFileName;
    NewFCE(out);
    ModelHeader& h = out.Header;
    if (extras) {
        if (extras->tag)
            h.HeaderTag = *extras->tag;
        h.NumArts = extras->numArts.value_or(h.NumArts);
        h.NumPriColours = extras->numPriColours.value_or(h.NumPriColours);
        h.NumSecColours = extras->numSecColours.value_or(h.NumSecColours);
        if (extras->halfSizes) {
            h.XHalfSize = (*extras->halfSizes)[0];
            h.YHalfSize = (*extras->halfSizes)[1];
            h.ZHalfSize = (*extras->halfSizes)[2];
        }
        if (extras->offsets) {
            const auto& o = *extras->offsets;
            h.VerticesOffset = o[0];
            h.NormalsOffset = o[1];
            h.TrianglesOffset = o[2];
            h.Reserved1Offset = o[3];
            h.Reserved2Offset = o[4];
            h.Reserved3Offset = o[5];
        }
        if (extras->partPositions)
            h.PartPos = *extras->partPositions;
        if (extras->dummyPositions)
            h.DummyPos = *extras->dummyPositions;
        if (extras->partNames)
            h.PartNames = *extras->partNames;
        if (extras->dummyNames)
            h.DummyNames = *extras->dummyNames;
        std::array<Colour, kColourSlots>* tables[4] = {&h.PriColours, &h.SecColours, &h.IntColours, &h.HairColours};
        for (std::size_t i = 0; i < 4; ++i) {
            if (extras->colours[i])
                *tables[i] = *extras->colours[i];
        }
        if (extras->headerTail)
            h.HeaderTail = *extras->headerTail;
        if (extras->fce4Header)
            out.Fce4Header = *extras->fce4Header;
    }
    if (h.PartNames.size() < nodes.parts.size())
        h.PartNames.resize(nodes.parts.size());

    // A damage target anywhere makes an NFSIV model of a file from elsewhere.
    bool anyDamage = false;
    for (const PlacedNode& placed : nodes.parts) {
        const int mesh = g.nodes[static_cast<std::size_t>(placed.node)].mesh;
        if (static_cast<std::size_t>(mesh) >= g.meshes.size())
            return Malformed("node " + std::to_string(placed.node) + ": mesh " + std::to_string(mesh) +
                             " does not exist");
        anyDamage = anyDamage || TargetIndex(g.meshes[static_cast<std::size_t>(mesh)], kDamageTarget) >= 0;
    }
    const ModelOrigin origin = extras && extras->variant ? *extras->variant
                               : anyDamage               ? ModelOrigin::Nfs4
                                                         : ModelOrigin::From3ds;
    const bool nfs4 = origin == ModelOrigin::Nfs4;

    // One part at a time, each appended and let go before the next, so the
    // memory of one part's reading serves the next.
    MeshReader meshes(g, trusted);
    PartBuilder builder(g, trusted);
    std::set<std::string> taken;
    for (std::size_t p = 0; p < nodes.parts.size(); ++p) {
        const tinygltf::Node& node = g.nodes[static_cast<std::size_t>(nodes.parts[p].node)];
        const tinygltf::Mesh& mesh = g.meshes[static_cast<std::size_t>(node.mesh)];
        const std::string name = NodeName(g, node);
        BuiltPart part;
        {
            MeshData data;
            if (auto failure = meshes.Read(mesh, name, data))
                return failure;
            if (auto failure = builder.Build(data, mesh, nodes.parts[p].world, part))
                return failure;
        }
        const std::size_t pn = part.vertices.size();
        const std::size_t pm = part.triangles.size();
        if (out.Vertices.size() + pn > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()) ||
            out.Triangles.size() + pm > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()))
            return exchange::Overflow("too many vertices or triangles for a model");
        const std::optional<Name64> raw =
            extras && extras->partNames && p < extras->partNames->size() ? std::optional((*extras->partNames)[p])
                                                                         : std::nullopt;
        if (raw && Latin1Text(DisplayName(*raw)) == name) {
            h.PartNames[p] = *raw;
            taken.insert(name.substr(0, kNameLength - 1));
        } else {
            h.PartNames[p] = exchange::TerminatedName(UniqueName(name.empty() ? "Part" + std::to_string(p + 1) : name, taken));
        }
        h.PartFirstVertex[p] = static_cast<std::int32_t>(out.Vertices.size());
        h.PartNumVertices[p] = static_cast<std::int32_t>(pn);
        h.PartFirstTriangle[p] = static_cast<std::int32_t>(out.Triangles.size());
        h.PartNumTriangles[p] = static_cast<std::int32_t>(pm);
        h.PartPos[p] = part.position;
        AppendTable(out.Vertices, part.vertices, pn);
        AppendTable(out.Normals, part.normals, pn);
        AppendTable(out.Triangles, part.triangles, pm);
        AppendTable(out.Reserved1, part.reserved1, pn);
        AppendTable(out.Reserved2, part.reserved2, pn);
        AppendTable(out.Reserved3, part.reserved3, pn);
        if (!nfs4)
            continue;
        AppendTable(out.DamagedVerts, part.damaged.empty() ? part.vertices : part.damaged, pn);
        AppendTable(out.DamagedNorms, part.damagedNormals.empty() ? part.normals : part.damagedNormals, pn);
        AppendTable(out.Undamaged2Verts, part.second.empty() ? part.vertices : part.second, pn);
        AppendTable(out.Undamaged2Norms, part.secondNormals.empty() ? part.normals : part.secondNormals, pn);
        AppendTable(out.VertReservedA, part.vertReservedA, pn);
        AppendTable(out.VertReservedB, part.vertReservedB, pn);
        AppendTable(out.TriReserved, part.triReserved, pm);
        if (part.flagsGiven) {
            AppendTable(out.VertFlags, part.vertFlags, pn);
        } else {
            // What an NFSIV save gives vertices of a model from elsewhere.
            out.VertFlags.resize(out.VertFlags.size() + pn, Reserved4{static_cast<std::uint8_t>(trusted ? 0 : 4)});
        }
    }
    if (nfs4) {
        out.NormalVerts = out.Vertices;
        out.NormalNorms = out.Normals;
    }
    const std::size_t n = out.Vertices.size();
    const std::size_t m = out.Triangles.size();
    h.NumParts = static_cast<std::int32_t>(nodes.parts.size());
    h.NumVertices = static_cast<std::int32_t>(n);
    h.NumTriangles = static_cast<std::int32_t>(m);
    h.NumDummies = static_cast<std::int32_t>(nodes.dummies.size());
    for (std::size_t d = 0; d < nodes.dummies.size(); ++d) {
        const Matrix& w = nodes.dummies[d].world;
        h.DummyPos[d] = ToFce(w[12], w[13], w[14]);
        const std::string name = NodeName(g, g.nodes[static_cast<std::size_t>(nodes.dummies[d].node)]);
        const std::optional<Name64> raw = extras && extras->dummyNames ? std::optional(h.DummyNames[d]) : std::nullopt;
        h.DummyNames[d] = SlotName(raw, name);
    }

    if (!extras) {
        Finish3DSConversion(out);
    } else {
        out.FileName.clear();
        out.CurrentPart = 0;
        out.CurrentDummy = 0;
        ResetSelection(out);
    }
    out.FileFormat = origin;
    if (nfs4) {
        out.ActiveVertexSet = extras ? extras->activeSet : VertexSet::Normal;
        out.Vertices = SetVertices(out, out.ActiveVertexSet);
        out.Normals = SetNormals(out, out.ActiveVertexSet);
    }
    const std::vector<std::string> problems = CheckModel(out);
    if (!problems.empty())
        return Malformed("the model read is not sound: " + problems.front());
    model = std::move(out);
    return std::nullopt;
}

} // namespace

ExchangeStatus ReadGltf(CarModel& model, std::span<const std::uint8_t> file, const std::string& folder)
{
    try {
        tinygltf::Model g;
        if (auto failure = Parse(file, folder, g))
            return failure;
        return BuildModel(g, model);
    } catch (const std::bad_alloc&) {
        return exchange::NoMemory();
    } catch (const std::exception& e) {
        return Malformed(std::string("the file cannot be read: ") + e.what());
    }
}

ExchangeStatus ConvertGltf(CarModel& model, const std::string& path)
{
    exchange::InputFile file;
    if (auto failure = file.Open(path, kMaxGltfFileSize))
        return failure;
    const std::span<const std::uint8_t> bytes = file.bytes();
    std::error_code ec;
    std::filesystem::path folder = std::filesystem::absolute(path, ec).parent_path();
    folder = std::filesystem::weakly_canonical(folder, ec);
    return ReadGltf(model, bytes, ec ? std::string() : folder.string());
}

} // namespace mobrix
