// The glTF writer: the model as nodes, meshes and extras (see Gltf.h).

#include "ExchangeCommon.h"
#include "Gltf.h"
#include "GltfCommon.h"
#include "GltfTiny.h"
#include "LittleEndian.h"

#include <algorithm>
#include <bit>
#include <cctype>
#include <cmath>
#include <cstring>
#include <limits>
#include <streambuf>
#include <unordered_map>

namespace mobrix {

using namespace gltf;
using exchange::Failed;

namespace {

using Extras = tinygltf::Value::Object;

// The vertex and normal tables of one of the NFSIV sets; the working set
// stands for the set it was taken from, as a save would put it back.
struct SetTables {
    const std::vector<Vec3>* vertices;
    const std::vector<Vec3>* normals;
};

SetTables SetOf(const CarModel& model, VertexSet set)
{
    if (set == model.ActiveVertexSet)
        return {&model.Vertices, &model.Normals};
    switch (set) {
    case VertexSet::Undamaged2: return {&model.Undamaged2Verts, &model.Undamaged2Norms};
    case VertexSet::Damaged: return {&model.DamagedVerts, &model.DamagedNorms};
    case VertexSet::Normal: break;
    }
    return {&model.NormalVerts, &model.NormalNorms};
}

bool HoldsNfs4Sets(const CarModel& model)
{
    return HoldsNfs4Tables(model);
}

std::string VariantName(ModelOrigin origin)
{
    switch (origin) {
    case ModelOrigin::Nfs4: return "nfs4";
    case ModelOrigin::Fce4m: return "fce4m";
    case ModelOrigin::From3ds: return "3ds";
    case ModelOrigin::Nfs3: break;
    }
    return "nfs3";
}

bool SameBits(float a, float b)
{
    return std::bit_cast<std::uint32_t>(a) == std::bit_cast<std::uint32_t>(b);
}

bool SameBits(const Vec3& a, const Vec3& b)
{
    return SameBits(a.X, b.X) && SameBits(a.Y, b.Y) && SameBits(a.Z, b.Z);
}

// glTF's frame from FCE's: x negated (see Gltf.h).
Vec3 ToGltf(const Vec3& v)
{
    return {-v.X, v.Y, v.Z};
}

bool IsUnit(const Vec3& n)
{
    const double length2 = double(n.X) * n.X + double(n.Y) * n.Y + double(n.Z) * n.Z;
    return std::fabs(length2 - 1.0) < 1e-4;
}

template <class T>
std::span<const std::uint8_t> BytesOf(const std::vector<T>& table, std::size_t first, std::size_t count)
{
    return {reinterpret_cast<const std::uint8_t*>(table.data() + first), count * sizeof(T)};
}

bool AllZero(std::span<const std::uint8_t> bytes)
{
    return std::all_of(bytes.begin(), bytes.end(), [](std::uint8_t b) { return b == 0; });
}

std::vector<std::uint8_t> Vec3Bytes(std::span<const Vec3> values)
{
    std::vector<std::uint8_t> out(values.size() * 12);
    for (std::size_t i = 0; i < values.size(); ++i) {
        le::Store(out.data() + 12 * i, values[i].X);
        le::Store(out.data() + 12 * i + 4, values[i].Y);
        le::Store(out.data() + 12 * i + 8, values[i].Z);
    }
    return out;
}

// Appends to the file's one buffer and describes what was appended.
class BufferBuilder {
public:
    explicit BufferBuilder(tinygltf::Model& g) : g_(g)
    {
        g_.buffers.resize(1);
    }

    std::vector<unsigned char>& data() { return g_.buffers[0].data; }

    int View(std::span<const std::uint8_t> bytes, int target)
    {
        auto& bin = data();
        bin.resize((bin.size() + 3) & ~std::size_t{3});
        tinygltf::BufferView view;
        view.buffer = 0;
        view.byteOffset = bin.size();
        view.byteLength = bytes.size();
        view.target = target;
        bin.insert(bin.end(), bytes.begin(), bytes.end());
        g_.bufferViews.push_back(std::move(view));
        return static_cast<int>(g_.bufferViews.size() - 1);
    }

    int Accessor(std::span<const std::uint8_t> bytes, int target, int componentType, int type, std::size_t count,
                 std::vector<double> min = {}, std::vector<double> max = {})
    {
        tinygltf::Accessor a;
        a.bufferView = View(bytes, target);
        a.componentType = componentType;
        a.type = type;
        a.count = count;
        a.minValues = std::move(min);
        a.maxValues = std::move(max);
        g_.accessors.push_back(std::move(a));
        return static_cast<int>(g_.accessors.size() - 1);
    }

    // An accessor of `count` VEC3 floats written straight into the buffer:
    // `value(i)` gives element i in glTF's frame.
    template <class Value>
    int Vec3AccessorOf(std::size_t count, bool bounds, Value value)
    {
        auto& bin = data();
        bin.resize((bin.size() + 3) & ~std::size_t{3});
        const std::size_t at = bin.size();
        bin.resize(at + count * 12);
        std::uint8_t* out = bin.data() + at;
        double min[3] = {std::numeric_limits<double>::infinity(), std::numeric_limits<double>::infinity(),
                         std::numeric_limits<double>::infinity()};
        double max[3] = {-min[0], -min[0], -min[0]};
        for (std::size_t i = 0; i < count; ++i) {
            const Vec3 v = value(i);
            const float xyz[3] = {v.X, v.Y, v.Z};
            for (std::size_t k = 0; k < 3; ++k) {
                le::Store(out + 12 * i + 4 * k, xyz[k]);
                if (bounds && !std::isnan(xyz[k])) {
                    min[k] = std::min(min[k], double(xyz[k]));
                    max[k] = std::max(max[k], double(xyz[k]));
                }
            }
        }
        tinygltf::BufferView view;
        view.buffer = 0;
        view.byteOffset = at;
        view.byteLength = count * 12;
        view.target = kArrayBuffer;
        g_.bufferViews.push_back(std::move(view));
        tinygltf::Accessor a;
        a.bufferView = static_cast<int>(g_.bufferViews.size() - 1);
        a.componentType = kFloat;
        a.type = TINYGLTF_TYPE_VEC3;
        a.count = count;
        if (bounds) {
            for (std::size_t k = 0; k < 3; ++k) {
                if (min[k] > max[k])
                    min[k] = max[k] = 0;
            }
            a.minValues.assign(min, min + 3);
            a.maxValues.assign(max, max + 3);
        }
        g_.accessors.push_back(std::move(a));
        return static_cast<int>(g_.accessors.size() - 1);
    }

    int UintAccessor(const std::vector<std::uint32_t>& values, int target)
    {
        return Accessor(BytesOf(values, 0, values.size()), target, kUnsignedInt, TINYGLTF_TYPE_SCALAR,
                        values.size());
    }

private:
    tinygltf::Model& g_;
};

// One vertex of glTF per vertex of the part and distinct texture
// coordinates of its corners; the first copy of vertex k is glTF vertex k.
struct SplitVertices {
    std::vector<std::uint32_t> source; // the part's vertex of each glTF vertex
    std::vector<float> uv;             // U and glTF V of each glTF vertex
    std::vector<std::uint32_t> corner; // glTF vertex of each corner, 3 per triangle
};

SplitVertices Split(std::span<const Triangle> triangles, std::size_t vertices)
{
    SplitVertices s;
    s.source.resize(vertices);
    for (std::size_t k = 0; k < vertices; ++k)
        s.source[k] = static_cast<std::uint32_t>(k);
    s.uv.assign(vertices * 2, 0.0f);
    s.corner.resize(triangles.size() * 3);
    std::vector<std::int32_t> next(vertices, -1);
    std::vector<bool> used(vertices, false);
    for (std::size_t t = 0; t < triangles.size(); ++t) {
        const Triangle& tri = triangles[t];
        const std::int32_t index[3] = {tri.I1, tri.I2, tri.I3};
        const float u[3] = {tri.U1, tri.U2, tri.U3};
        const float v[3] = {tri.V1, tri.V2, tri.V3};
        for (std::size_t c = 0; c < 3; ++c) {
            const auto k = static_cast<std::size_t>(index[c]);
            const float g = StoredVOf(v[c], tri.StoredV[c]);
            std::size_t found = k;
            if (!used[k]) {
                used[k] = true;
                s.uv[2 * k] = u[c];
                s.uv[2 * k + 1] = g;
            } else {
                std::size_t at = k;
                while (!(SameBits(s.uv[2 * at], u[c]) && SameBits(s.uv[2 * at + 1], g))) {
                    if (next[at] < 0) {
                        next[at] = static_cast<std::int32_t>(s.source.size());
                        s.source.push_back(static_cast<std::uint32_t>(k));
                        s.uv.push_back(u[c]);
                        s.uv.push_back(g);
                        next.push_back(-1);
                    }
                    at = static_cast<std::size_t>(next[at]);
                }
                found = at;
            }
            s.corner[3 * t + c] = static_cast<std::uint32_t>(found);
        }
    }
    return s;
}

// Writes one glTF scene of the model.
class SceneWriter {
public:
    SceneWriter(const CarModel& model, GltfContainer container, std::span<const std::uint8_t> png,
                const std::string& imageUri)
        : model_(model), buffer_(g_)
    {
        g_.asset.version = "2.0";
        g_.asset.generator = kGltfGenerator;
        g_.scenes.resize(1);
        g_.defaultScene = 0;
        if (!png.empty())
            AddTexture(container, png, imageUri);
    }

    void Reserve(std::size_t bytes) { buffer_.data().reserve(bytes); }

    void AddPart(int part, const PartSpan& span)
    {
        std::vector<Triangle> copy;
        const std::span<const Triangle> triangles =
            ContiguousRows(model_.Triangles, span.firstTriangle, span.triangles, copy);
        const SplitVertices split = Split(triangles, span.vertices);

        tinygltf::Mesh mesh;
        mesh.name = DisplayName(exchange::PartName(model_, part));
        Extras extras;
        extras["fceVertices"] = tinygltf::Value(static_cast<int>(span.vertices));
        extras["fceTriangles"] = tinygltf::Value(static_cast<int>(span.triangles));

        const SetTables base = SetOf(model_, VertexSet::Normal);
        const std::span<const Vec3> baseVerts(base.vertices->data() + span.firstVertex, span.vertices);
        const std::span<const Vec3> baseNorms(base.normals->data() + span.firstVertex, span.vertices);
        const bool unitNormals = std::all_of(baseNorms.begin(), baseNorms.end(), IsUnit);

        std::map<std::string, int> attributes;
        attributes["POSITION"] = Spread(baseVerts, split, nullptr, true);
        attributes[unitNormals ? "NORMAL" : kRawNormalAttribute] = Spread(baseNorms, split, nullptr, false);
        attributes["TEXCOORD_0"] = buffer_.Accessor(BytesOf(split.uv, 0, split.uv.size()), kArrayBuffer, kFloat,
                                                    TINYGLTF_TYPE_VEC2, split.uv.size() / 2);
        // Vertex attributes cannot be 32-bit integers; floats hold every
        // vertex number of a part exactly (see CheckWritable).
        const std::vector<float> source(split.source.begin(), split.source.end());
        attributes[kVertexIndexAttribute] = buffer_.Accessor(BytesOf(source, 0, source.size()), kArrayBuffer, kFloat,
                                                            TINYGLTF_TYPE_SCALAR, source.size());

        std::vector<std::map<std::string, int>> targets;
        tinygltf::Value::Array targetNames;
        if (HoldsNfs4Sets(model_)) {
            AddTarget(VertexSet::Damaged, kDamageTarget, span, split, unitNormals, PartBlock::DamagedVerts,
                      PartBlock::DamagedNorms, targets, targetNames, extras);
            const SetTables second = SetOf(model_, VertexSet::Undamaged2);
            bool differs = false;
            for (std::size_t k = 0; k < span.vertices && !differs; ++k) {
                differs = !SameBits((*second.vertices)[span.firstVertex + k], baseVerts[k]) ||
                          !SameBits((*second.normals)[span.firstVertex + k], baseNorms[k]);
            }
            if (differs)
                AddTarget(VertexSet::Undamaged2, kUndamaged2Target, span, split, unitNormals,
                          PartBlock::Undamaged2Verts, PartBlock::Undamaged2Norms, targets, targetNames, extras);
        }
        if (!targetNames.empty()) {
            extras["targetNames"] = tinygltf::Value(targetNames);
            mesh.weights.assign(targetNames.size(), 0.0);
        }
        AddOpaqueBlocks(span, triangles, extras);
        AddPrimitives(triangles, split, attributes, targets, mesh);
        mesh.extras = tinygltf::Value(extras);
        g_.meshes.push_back(std::move(mesh));

        tinygltf::Node node;
        node.name = g_.meshes.back().name;
        node.mesh = static_cast<int>(g_.meshes.size() - 1);
        const Vec3 at = ToGltf(model_.Header.PartPos[static_cast<std::size_t>(part)]);
        node.translation = {at.X, at.Y, at.Z};
        AddRootNode(std::move(node));
    }

    void AddDummies()
    {
        const int dummies = UsableDummyCount(model_.Header);
        if (dummies == 0)
            return;
        tinygltf::Node group;
        group.name = kDummiesNode;
        for (int d = 0; d < dummies; ++d) {
            tinygltf::Node dummy;
            dummy.name = DisplayName(model_.Header.DummyNames[static_cast<std::size_t>(d)]);
            const Vec3 at = ToGltf(model_.Header.DummyPos[static_cast<std::size_t>(d)]);
            dummy.translation = {at.X, at.Y, at.Z};
            g_.nodes.push_back(std::move(dummy));
            group.children.push_back(static_cast<int>(g_.nodes.size() - 1));
        }
        AddRootNode(std::move(group));
    }

    void AddHeader()
    {
        const ModelHeader& h = model_.Header;
        Extras fce;
        fce["variant"] = tinygltf::Value(VariantName(model_.FileFormat));
        fce["activeVertexSet"] = tinygltf::Value(static_cast<int>(model_.ActiveVertexSet));
        fce["headerTag"] = Raw(std::span(reinterpret_cast<const std::uint8_t*>(h.HeaderTag.data()), 4));
        fce["numArts"] = tinygltf::Value(h.NumArts);
        fce["numPriColours"] = tinygltf::Value(h.NumPriColours);
        fce["numSecColours"] = tinygltf::Value(h.NumSecColours);
        const float half[3] = {h.XHalfSize, h.YHalfSize, h.ZHalfSize};
        fce["halfSizes"] = Raw(std::span(reinterpret_cast<const std::uint8_t*>(half), sizeof half));
        const std::int32_t offsets[6] = {h.VerticesOffset,  h.NormalsOffset,   h.TrianglesOffset,
                                         h.Reserved1Offset, h.Reserved2Offset, h.Reserved3Offset};
        fce["offsets"] = Raw(std::span(reinterpret_cast<const std::uint8_t*>(offsets), sizeof offsets));
        fce["partPositions"] = tinygltf::Value(Base64(Vec3Bytes(h.PartPos)));
        fce["dummyPositions"] = tinygltf::Value(Base64(Vec3Bytes(h.DummyPos)));
        fce["partNames"] = Raw(BytesOf(h.PartNames, 0, h.PartNames.size()));
        fce["dummyNames"] = Raw(std::span(reinterpret_cast<const std::uint8_t*>(h.DummyNames.data()),
                                          sizeof h.DummyNames));
        fce["priColours"] = Colours(h.PriColours);
        fce["secColours"] = Colours(h.SecColours);
        fce["intColours"] = Colours(h.IntColours);
        fce["hairColours"] = Colours(h.HairColours);
        if (!AllZero(h.HeaderTail))
            fce["headerTail"] = Raw(h.HeaderTail);
        if (!AllZero(model_.Fce4Header))
            fce["fce4Header"] = Raw(model_.Fce4Header);
        Extras scene;
        scene[kSceneKey] = tinygltf::Value(fce);
        g_.scenes[0].extras = tinygltf::Value(scene);
    }

    tinygltf::Model& Model() { return g_; }

private:
    static tinygltf::Value Raw(std::span<const std::uint8_t> bytes)
    {
        return tinygltf::Value(Base64(bytes));
    }

    static tinygltf::Value Colours(const std::array<Colour, kColourSlots>& table)
    {
        tinygltf::Value::Array out;
        for (const Colour& c : table) {
            out.push_back(tinygltf::Value(tinygltf::Value::Array{tinygltf::Value(c.Hue), tinygltf::Value(c.Saturation),
                                                                 tinygltf::Value(c.Brightness),
                                                                 tinygltf::Value(c.Tolerance)}));
        }
        return tinygltf::Value(out);
    }

    void AddRootNode(tinygltf::Node&& node)
    {
        g_.nodes.push_back(std::move(node));
        g_.scenes[0].nodes.push_back(static_cast<int>(g_.nodes.size() - 1));
    }

    void AddTexture(GltfContainer container, std::span<const std::uint8_t> png, const std::string& imageUri)
    {
        tinygltf::Image image;
        image.name = "texture";
        image.mimeType = "image/png";
        if (container == GltfContainer::Binary)
            image.bufferView = buffer_.View(png, 0);
        else
            image.uri = imageUri;
        g_.images.push_back(std::move(image));
        tinygltf::Sampler sampler;
        sampler.magFilter = TINYGLTF_TEXTURE_FILTER_LINEAR;
        sampler.minFilter = TINYGLTF_TEXTURE_FILTER_LINEAR;
        g_.samplers.push_back(sampler);
        tinygltf::Texture texture;
        texture.source = 0;
        texture.sampler = 0;
        g_.textures.push_back(texture);
    }

    int MaterialOf(std::int32_t page)
    {
        const auto found = materials_.find(page);
        if (found != materials_.end())
            return found->second;
        tinygltf::Material m;
        m.name = "page " + std::to_string(page);
        m.pbrMetallicRoughness.metallicFactor = 0.0;
        if (!g_.textures.empty())
            m.pbrMetallicRoughness.baseColorTexture.index = 0;
        m.extras = tinygltf::Value(Extras{{"texPage", tinygltf::Value(page)}});
        g_.materials.push_back(std::move(m));
        const int index = static_cast<int>(g_.materials.size() - 1);
        materials_.emplace(page, index);
        return index;
    }

    // The table's entries of the part, one per glTF vertex, in glTF's frame;
    // `delta` makes them differences to it.
    int Spread(std::span<const Vec3> values, const SplitVertices& split, const std::span<const Vec3>* delta,
               bool bounds)
    {
        return buffer_.Vec3AccessorOf(split.source.size(), bounds, [&](std::size_t i) {
            Vec3 v = values[split.source[i]];
            if (delta) {
                const Vec3& b = (*delta)[split.source[i]];
                v = {v.X - b.X, v.Y - b.Y, v.Z - b.Z};
            }
            return ToGltf(v);
        });
    }

    // Whether base + (target - base) gives every target value back.
    static bool DeltasExact(std::span<const Vec3> target, std::span<const Vec3> base)
    {
        for (std::size_t k = 0; k < target.size(); ++k) {
            const Vec3& t = target[k];
            const Vec3& b = base[k];
            const Vec3 back{b.X + (t.X - b.X), b.Y + (t.Y - b.Y), b.Z + (t.Z - b.Z)};
            if (!SameBits(back, t))
                return false;
        }
        return true;
    }

    int BlockView(std::span<const std::uint8_t> bytes)
    {
        return buffer_.View(bytes, 0);
    }

    void AddTarget(VertexSet set, const char* name, const PartSpan& span, const SplitVertices& split,
                   bool unitNormals, PartBlock exactVerts, PartBlock exactNorms,
                   std::vector<std::map<std::string, int>>& targets, tinygltf::Value::Array& names, Extras& extras)
    {
        const SetTables base = SetOf(model_, VertexSet::Normal);
        const SetTables tables = SetOf(model_, set);
        const std::span<const Vec3> baseVerts(base.vertices->data() + span.firstVertex, span.vertices);
        const std::span<const Vec3> baseNorms(base.normals->data() + span.firstVertex, span.vertices);
        const std::span<const Vec3> verts(tables.vertices->data() + span.firstVertex, span.vertices);
        const std::span<const Vec3> norms(tables.normals->data() + span.firstVertex, span.vertices);
        std::map<std::string, int> target;
        target["POSITION"] = Spread(verts, split, &baseVerts, true);
        if (!DeltasExact(verts, baseVerts))
            extras[BlockKey(exactVerts)] = tinygltf::Value(BlockView(Vec3Bytes(verts)));
        if (unitNormals)
            target["NORMAL"] = Spread(norms, split, &baseNorms, false);
        if (!unitNormals || !DeltasExact(norms, baseNorms))
            extras[BlockKey(exactNorms)] = tinygltf::Value(BlockView(Vec3Bytes(norms)));
        targets.push_back(std::move(target));
        names.push_back(tinygltf::Value(std::string(name)));
    }

    static std::string BlockKey(PartBlock block)
    {
        for (const PartBlockInfo& info : PartBlocks()) {
            if (info.block == block)
                return info.key;
        }
        return {};
    }

    template <class T>
    void AddTableBlock(PartBlock block, const T& table, std::size_t first, std::size_t count, Extras& extras)
    {
        if (table.size() < first + count)
            return;
        std::vector<typename T::value_type> copy;
        const auto rows = ContiguousRows(table, first, count, copy);
        const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(rows.data()),
                                                  rows.size_bytes());
        if (!AllZero(bytes))
            extras[BlockKey(block)] = tinygltf::Value(BlockView(bytes));
    }

    void AddOpaqueBlocks(const PartSpan& span, std::span<const Triangle> triangles, Extras& extras)
    {
        AddTableBlock(PartBlock::Reserved1, model_.Reserved1, span.firstVertex, span.vertices, extras);
        AddTableBlock(PartBlock::Reserved2, model_.Reserved2, span.firstVertex, span.vertices, extras);
        AddTableBlock(PartBlock::Reserved3, model_.Reserved3, span.firstVertex, span.vertices, extras);
        AddTableBlock(PartBlock::VertReservedA, model_.VertReservedA, span.firstVertex, span.vertices, extras);
        AddTableBlock(PartBlock::VertFlags, model_.VertFlags, span.firstVertex, span.vertices, extras);
        AddTableBlock(PartBlock::VertReservedB, model_.VertReservedB, span.firstVertex, span.vertices, extras);
        AddTableBlock(PartBlock::TriReserved, model_.TriReserved, span.firstTriangle, span.triangles, extras);

        std::vector<std::uint8_t> fill(triangles.size() * 12);
        std::vector<std::uint8_t> exactV(triangles.size() * 12);
        bool fillUsed = false;
        bool vInexact = false;
        for (std::size_t t = 0; t < triangles.size(); ++t) {
            const Triangle& tri = triangles[t];
            for (std::size_t k = 0; k < 6; ++k) {
                le::Store(fill.data() + 12 * t + 2 * k, tri.TriFill[k]);
                fillUsed = fillUsed || tri.TriFill[k] != 0;
            }
            const float v[3] = {tri.V1, tri.V2, tri.V3};
            for (std::size_t c = 0; c < 3; ++c) {
                le::Store(exactV.data() + 12 * t + 4 * c, v[c]);
                vInexact = vInexact || !SameBits(1.0f - StoredVOf(v[c], tri.StoredV[c]), v[c]);
            }
        }
        if (fillUsed)
            extras[BlockKey(PartBlock::TriFill)] = tinygltf::Value(BlockView(fill));
        if (vInexact)
            extras[BlockKey(PartBlock::ExactV)] = tinygltf::Value(BlockView(exactV));
    }

    void AddPrimitives(std::span<const Triangle> triangles, const SplitVertices& split,
                       const std::map<std::string, int>& attributes,
                       const std::vector<std::map<std::string, int>>& targets, tinygltf::Mesh& mesh)
    {
        struct Group {
            std::int32_t page;
            std::int32_t flags;
            std::vector<std::uint32_t> order;
        };
        std::vector<Group> groups;
        std::unordered_map<std::uint64_t, std::size_t> groupOf;
        for (std::size_t t = 0; t < triangles.size(); ++t) {
            const Triangle& tri = triangles[t];
            const std::uint64_t key = (std::uint64_t{std::bit_cast<std::uint32_t>(tri.TexPage)} << 32) |
                                      std::bit_cast<std::uint32_t>(tri.Flags);
            auto [at, added] = groupOf.try_emplace(key, groups.size());
            if (added)
                groups.push_back({tri.TexPage, tri.Flags, {}});
            groups[at->second].order.push_back(static_cast<std::uint32_t>(t));
        }
        for (const Group& group : groups) {
            std::vector<std::uint32_t> indices;
            indices.reserve(group.order.size() * 3);
            for (std::uint32_t t : group.order) {
                // First, third, second: FCE's clockwise front faces become
                // glTF's counter-clockwise ones in the mirrored frame.
                indices.push_back(split.corner[3 * t]);
                indices.push_back(split.corner[3 * t + 2]);
                indices.push_back(split.corner[3 * t + 1]);
            }
            tinygltf::Primitive p;
            p.mode = TINYGLTF_MODE_TRIANGLES;
            p.attributes = attributes;
            p.targets = targets;
            p.indices = buffer_.UintAccessor(indices, kElementArrayBuffer);
            p.material = MaterialOf(group.page);
            Extras extras;
            extras["texPage"] = tinygltf::Value(group.page);
            extras["flags"] = tinygltf::Value(group.flags);
            extras[kTriangleOrderKey] = tinygltf::Value(buffer_.UintAccessor(group.order, 0));
            p.extras = tinygltf::Value(extras);
            mesh.primitives.push_back(std::move(p));
        }
    }

    const CarModel& model_;
    tinygltf::Model g_;
    BufferBuilder buffer_;
    std::map<std::int32_t, int> materials_;
};

// Appends everything written to it to a byte vector, so the file is built
// without another copy of the buffer.
class VectorStreamBuf : public std::streambuf {
public:
    explicit VectorStreamBuf(std::vector<std::uint8_t>& out) : out_(out) {}

protected:
    int_type overflow(int_type c) override
    {
        if (c != traits_type::eof())
            out_.push_back(static_cast<std::uint8_t>(c));
        return traits_type::not_eof(c);
    }
    std::streamsize xsputn(const char* s, std::streamsize n) override
    {
        out_.insert(out_.end(), reinterpret_cast<const std::uint8_t*>(s), reinterpret_cast<const std::uint8_t*>(s) + n);
        return n;
    }

private:
    std::vector<std::uint8_t>& out_;
};

// A file name as a relative URI: everything but unreserved characters
// percent-encoded.
std::string UriOf(std::string_view name)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (const char ch : name) {
        const auto c = static_cast<unsigned char>(ch);
        if (std::isalnum(c) || c == '-' || c == '_' || c == '.' || c == '~') {
            out += ch;
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
    return out;
}

// Integers up to this are floats exactly.
constexpr std::size_t kMaxExactFloatInteger = std::size_t{1} << 24;

ExchangeStatus CheckWritable(const CarModel& model, std::vector<PartSpan>& spans)
{
    const std::vector<std::string> problems = CheckModel(model);
    if (!problems.empty())
        return Failed(ErrorCode::InternalError, "the model is not sound: " + problems.front());
    const int parts = UsablePartCount(model.Header);
    std::size_t vertices = 0;
    std::size_t triangles = 0;
    for (int p = 0; p < parts; ++p) {
        PartSpan span;
        if (auto failure = exchange::LocatePart(model, p, span))
            return failure;
        if (span.firstVertex != vertices || span.firstTriangle != triangles)
            return Failed(ErrorCode::InternalError,
                          "part " + std::to_string(p + 1) + " does not follow the part before it in the tables");
        if (span.vertices > kMaxExactFloatInteger)
            return exchange::Overflow("part " + std::to_string(p + 1) + " has more vertices than glTF can number");
        vertices += span.vertices;
        triangles += span.triangles;
        spans.push_back(span);
    }
    const auto finite = [](const Vec3& v) { return std::isfinite(v.X) && std::isfinite(v.Y) && std::isfinite(v.Z); };
    for (int p = 0; p < parts; ++p) {
        if (!finite(model.Header.PartPos[static_cast<std::size_t>(p)]))
            return Failed(ErrorCode::InternalError, "the position of part " + std::to_string(p + 1) +
                                                        " is not a finite number, which glTF cannot hold");
    }
    for (int d = 0; d < UsableDummyCount(model.Header); ++d) {
        if (!finite(model.Header.DummyPos[static_cast<std::size_t>(d)]))
            return Failed(ErrorCode::InternalError, "the position of dummy " + std::to_string(d + 1) +
                                                        " is not a finite number, which glTF cannot hold");
    }
    if (vertices != model.Vertices.size() || triangles != model.Triangles.size())
        return Failed(ErrorCode::InternalError, "the parts do not hold every vertex and triangle");
    if (vertices > std::numeric_limits<std::int32_t>::max())
        return exchange::Overflow("too many vertices for glTF's indices");
    return std::nullopt;
}

} // namespace

GltfContainer GltfContainerOf(const std::string& path)
{
    return exchange::HasExtension(path, ".GLB") ? GltfContainer::Binary : GltfContainer::Text;
}

ExchangeStatus EncodeGltf(const CarModel& model, GltfContainer container, std::span<const std::uint8_t> png,
                          const std::string& imageUri, std::vector<std::uint8_t>& out)
{
    try {
        std::vector<PartSpan> spans;
        if (auto failure = CheckWritable(model, spans))
            return failure;
        SceneWriter writer(model, container, png, imageUri);
        // More than any model needs (split vertices, NFSIV sets and every
        // block), so the buffer never moves; pages never written cost nothing.
        writer.Reserve(png.size() + model.Vertices.size() * 400 + model.Triangles.size() * 160 + 4096);
        for (std::size_t p = 0; p < spans.size(); ++p)
            writer.AddPart(static_cast<int>(p), spans[p]);
        writer.AddDummies();
        writer.AddHeader();
        // A model with no tables at all still gets a few bytes of buffer: a
        // binary file whose BIN chunk is empty is refused by readers,
        // this one included.
        if (writer.Model().buffers[0].data.empty())
            writer.Model().buffers[0].data.assign(4, 0);
        out.clear();
        const std::size_t bin = writer.Model().buffers[0].data.size();
        out.reserve((container == GltfContainer::Text ? bin / 3 * 4 + 4 : bin) + 1048576);
        VectorStreamBuf sink(out);
        std::ostream stream(&sink);
        tinygltf::TinyGLTF gltf;
        if (!gltf.WriteGltfSceneToStream(&writer.Model(), stream, false, container == GltfContainer::Binary))
            return Failed(ErrorCode::InternalError, "the glTF file could not be built");
        return std::nullopt;
    } catch (const std::bad_alloc&) {
        return exchange::NoMemory();
    } catch (const std::exception& e) {
        return Failed(ErrorCode::InternalError, std::string("the glTF file could not be built: ") + e.what());
    }
}

ExchangeStatus WriteGltf(const CarModel& model, const std::string& path, std::span<const std::uint8_t> png)
{
    const GltfContainer container = GltfContainerOf(path);
    std::string imagePath;
    std::string imageUri;
    if (container == GltfContainer::Text && !png.empty()) {
        const std::size_t slash = path.find_last_of('/');
        const std::size_t dot = path.find_last_of('.');
        imagePath = (dot != std::string::npos && (slash == std::string::npos || dot > slash) ? path.substr(0, dot)
                                                                                                : path) +
                    ".png";
        imageUri = UriOf(slash == std::string::npos ? imagePath : imagePath.substr(slash + 1));
    }
    std::vector<std::uint8_t> bytes;
    if (auto failure = EncodeGltf(model, container, png, imageUri, bytes))
        return failure;
    if (!imagePath.empty()) {
        if (auto failure = exchange::WriteOutputFile(imagePath, png))
            return failure;
    }
    return exchange::WriteOutputFile(path, bytes);
}

} // namespace mobrix
