#include "Scene.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <unordered_set>

namespace trimlet {

namespace {

Vec3d ToDouble(const Vec3& v)
{
    return {v.X, v.Y, v.Z};
}

// A little room around a fitted model.
constexpr double kFitMargin = 1.05;

} // namespace

FaceColour FaceColourFor(std::int32_t flags, bool current)
{
    const bool semi = (flags & kSemiTransparent) != 0;
    if (current)
        return {1, 0, 0, semi ? 0.5f : 1.0f};
    if (semi)
        return {0.6f, 0.6f, 1.0f, 0.5f};
    return {1, 1, 1, 1};
}

void Scene::SetVertexSet(int set)
{
    vertexSet_ = set < 0 || set >= kVertexSets ? 0 : set;
    for (SceneMesh& mesh : meshes_)
        Place(mesh);
    MeasureShownMeshes();
    ++geometryRevision_;
}

void Scene::ClearMeshes()
{
    meshes_.clear();
    shownRadius_ = 0;
    ++geometryRevision_;
}

void Scene::AddMesh(std::string fileName, PartFile data)
{
    SceneMesh mesh{std::move(fileName), std::move(data), {}, {}};
    Place(mesh);
    meshes_.push_back(std::move(mesh));
    MeasureShownMeshes();
    ++geometryRevision_;
}

void Scene::ReplaceMeshData(int mesh, PartFile data)
{
    if (mesh < 0 || mesh >= static_cast<int>(meshes_.size()))
        return;
    SceneMesh& m = meshes_[static_cast<std::size_t>(mesh)];
    m.data = std::move(data);
    Place(m);
    MeasureShownMeshes();
    ++geometryRevision_;
}

int Scene::MeshOfFile(const std::string& fileName) const
{
    for (std::size_t i = 0; i < meshes_.size(); ++i) {
        if (meshes_[i].fileName == fileName)
            return static_cast<int>(i);
    }
    return -1;
}

void Scene::Place(SceneMesh& mesh) const
{
    mesh.points = PlacedVertices(mesh.data, vertexSet_);
    mesh.normals = mesh.data.NormalSets[static_cast<std::size_t>(vertexSet_)];
    mesh.normals.resize(mesh.points.size());
}

void Scene::MeasureShownMeshes()
{
    shownRadius_ = 0;
    for (const SceneMesh& mesh : meshes_)
        shownRadius_ = std::max(shownRadius_, FarthestFromOrigin(mesh.points));
    distance_ = std::max(distance_, NearestDistance());
}

int Scene::NearestDistance() const
{
    return static_cast<int>(std::ceil(shownRadius_ + lens_.front));
}

void Scene::SetDistance(int distance)
{
    distance_ = std::max(distance, NearestDistance());
}

void Scene::FitCamera(double modelRadius)
{
    const double radius = std::max(modelRadius, shownRadius_);
    // A sphere of radius r at distance d looks as large as the lens shows
    // at d when r / sqrt(d^2 - r^2) = field.
    const double fitting = radius * std::sqrt(1 + 1 / (lens_.field * lens_.field)) * kFitMargin;
    startDistance_ = radius > 0 ? std::max(static_cast<int>(std::ceil(fitting)), NearestDistance()) : kStartDistance;
    ResetCamera();
}

void Scene::ResetCamera()
{
    orientation_ = Mat3{};
    SetDistance(startDistance_);
}

Lens Scene::CameraLens() const
{
    Lens lens = lens_;
    lens.back = std::max(lens_.back, 2 * (distance_ + shownRadius_));
    return lens;
}

void Scene::Turn(int x0, int y0, int x, int y)
{
    orientation_ = orientation_ * Mat3::RotationX((y0 - y) / 50.0);
    orientation_ = (orientation_ * Mat3::RotationY((x0 - x) / 50.0)).Orthonormalised();
}

Mat4 Scene::ModelMatrix() const
{
    return Mat4::FromRotationAndTranslation(orientation_, {0, 0, static_cast<double>(distance_)});
}

std::optional<FaceRef> Scene::Pick(double px, double py, int width, int height) const
{
    // Into the model frame: the inverse of the frame's turn and placement.
    const Mat3 inverse = orientation_.Transposed();
    const Vec3d origin = inverse * Vec3d{0, 0, -static_cast<double>(distance_)};
    const Vec3d direction = inverse * RayThroughPixel(lens_, width, height, px, py);

    std::optional<FaceRef> best;
    double nearest = std::numeric_limits<double>::infinity();
    for (std::size_t m = 0; m < meshes_.size(); ++m) {
        const SceneMesh& mesh = meshes_[m];
        for (std::size_t f = 0; f < mesh.data.Triangles.size(); ++f) {
            const Triangle& t = mesh.data.Triangles[f];
            if (!CornersInside(t, static_cast<std::int64_t>(mesh.points.size())))
                continue;
            const double hit = RayHitsTriangle(origin, direction, ToDouble(mesh.points[static_cast<std::size_t>(t.I1)]),
                                               ToDouble(mesh.points[static_cast<std::size_t>(t.I2)]),
                                               ToDouble(mesh.points[static_cast<std::size_t>(t.I3)]));
            // The direction has depth 1 in camera space, so `hit` is the
            // depth of the hit; faces before the front plane are not seen.
            if (hit >= lens_.front && hit < nearest) {
                nearest = hit;
                best = FaceRef{static_cast<int>(m), static_cast<int>(f)};
            }
        }
    }
    return best;
}

std::optional<FaceRef> Scene::CurrentFace() const
{
    if (currentFace_ < 0)
        return std::nullopt;
    const int mesh = MeshOfFile(currentFile_);
    if (mesh < 0 || currentFace_ >= static_cast<int>(meshes_[static_cast<std::size_t>(mesh)].data.Triangles.size()))
        return std::nullopt;
    return FaceRef{mesh, currentFace_};
}

void Scene::SetCurrentFace(const FaceRef& face)
{
    if (face.mesh < 0 || face.mesh >= static_cast<int>(meshes_.size()))
        return;
    const std::string& file = meshes_[static_cast<std::size_t>(face.mesh)].fileName;
    if (file == currentFile_ && face.face == currentFace_)
        return;
    currentFile_ = file;
    currentFace_ = face.face;
    ++geometryRevision_;
}

void Scene::ForgetCurrentFace()
{
    if (currentFace_ < 0)
        return;
    currentFile_.clear();
    currentFace_ = -1;
    ++geometryRevision_;
}

void Scene::Advance(double delta)
{
    (void)delta; // nothing moves by itself
    ++frames_;
}

VertexStream BuildVertexStream(const Scene& scene)
{
    struct Placed {
        std::size_t mesh, face;
        FaceColour colour;
    };
    std::vector<Placed> opaque;
    std::vector<Placed> transparent;
    const std::optional<FaceRef> current = scene.CurrentFace();
    const auto& meshes = scene.Meshes();
    for (std::size_t m = 0; m < meshes.size(); ++m) {
        const SceneMesh& mesh = meshes[m];
        for (std::size_t f = 0; f < mesh.data.Triangles.size(); ++f) {
            const Triangle& t = mesh.data.Triangles[f];
            if (!CornersInside(t, static_cast<std::int64_t>(mesh.points.size())))
                continue;
            const FaceRef ref{static_cast<int>(m), static_cast<int>(f)};
            const FaceColour colour = FaceColourFor(t.Flags, current == ref);
            (colour.a < 1 ? transparent : opaque).push_back({m, f, colour});
        }
    }

    VertexStream stream;
    stream.opaqueVertices = static_cast<int>(3 * opaque.size());
    stream.transparentVertices = static_cast<int>(3 * transparent.size());
    stream.data.reserve(static_cast<std::size_t>(stream.opaqueVertices + stream.transparentVertices) *
                        VertexStream::kFloatsPerVertex);
    // Where each face's first corner lands in the stream, by mesh and face.
    std::vector<std::vector<std::uint32_t>> firstVertex(meshes.size());
    for (std::size_t m = 0; m < meshes.size(); ++m)
        firstVertex[m].assign(meshes[m].data.Triangles.size(), ~std::uint32_t{0});
    std::uint32_t next = 0;
    for (const auto* list : {&opaque, &transparent}) {
        for (const Placed& p : *list) {
            const SceneMesh& mesh = meshes[p.mesh];
            const Triangle& t = mesh.data.Triangles[p.face];
            firstVertex[p.mesh][p.face] = next;
            next += 3;
            for (std::int32_t corner : {t.I1, t.I2, t.I3}) {
                const Vec3& v = mesh.points[static_cast<std::size_t>(corner)];
                const Vec3& n = mesh.normals[static_cast<std::size_t>(corner)];
                stream.data.insert(stream.data.end(),
                                   {v.X, v.Y, v.Z, n.X, n.Y, n.Z, p.colour.r, p.colour.g, p.colour.b, p.colour.a});
            }
        }
    }

    // Edges shared by two faces are drawn once.
    for (std::size_t m = 0; m < meshes.size(); ++m) {
        const auto& triangles = meshes[m].data.Triangles;
        std::unordered_set<std::uint64_t> seen;
        seen.reserve(triangles.size() * 2);
        for (std::size_t f = 0; f < triangles.size(); ++f) {
            const std::uint32_t base = firstVertex[m][f];
            if (base == ~std::uint32_t{0})
                continue;
            const Triangle& t = triangles[f];
            const std::array<std::uint32_t, 3> corners{static_cast<std::uint32_t>(t.I1),
                                                       static_cast<std::uint32_t>(t.I2),
                                                       static_cast<std::uint32_t>(t.I3)};
            for (std::uint32_t k = 0; k < 3; ++k) {
                const std::uint32_t a = corners[k];
                const std::uint32_t b = corners[(k + 1) % 3];
                const std::uint64_t key = (std::uint64_t{std::min(a, b)} << 32) | std::max(a, b);
                if (seen.insert(key).second)
                    stream.edges.insert(stream.edges.end(), {base + k, base + (k + 1) % 3});
            }
        }
    }
    return stream;
}

} // namespace trimlet
