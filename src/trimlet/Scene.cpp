#include "Scene.h"

#include <limits>

namespace trimlet {

namespace {

Vec3d ToDouble(const Vec3& v)
{
    return {v.X, v.Y, v.Z};
}

bool FaceInside(const Triangle& t, std::size_t vertices)
{
    for (std::int32_t c : {t.I1, t.I2, t.I3}) {
        if (c < 0 || static_cast<std::size_t>(c) >= vertices)
            return false;
    }
    return true;
}

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
    ++revision_;
}

void Scene::ClearMeshes()
{
    meshes_.clear();
    ++revision_;
}

void Scene::AddMesh(int part, std::string fileName, PartFile data)
{
    SceneMesh mesh{part, std::move(fileName), std::move(data), {}, {}};
    Place(mesh);
    meshes_.push_back(std::move(mesh));
    ++revision_;
}

void Scene::ReplaceMeshData(int mesh, PartFile data)
{
    if (mesh < 0 || mesh >= static_cast<int>(meshes_.size()))
        return;
    SceneMesh& m = meshes_[static_cast<std::size_t>(mesh)];
    m.data = std::move(data);
    Place(m);
    ++revision_;
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
    const auto set = static_cast<std::size_t>(vertexSet_);
    const Vec3& at = mesh.data.Position;
    mesh.points.clear();
    mesh.points.reserve(mesh.data.VertexSets[set].size());
    for (const Vec3& v : mesh.data.VertexSets[set])
        mesh.points.push_back({v.X + at.X, v.Y + at.Y, v.Z + at.Z});
    mesh.normals = mesh.data.NormalSets[set];
    mesh.normals.resize(mesh.points.size());
}

void Scene::SetDistance(int distance)
{
    distance_ = distance;
    ++revision_;
}

void Scene::Turn(int x0, int y0, int x, int y)
{
    orientation_ = orientation_ * Mat3::RotationX((y0 - y) / 50.0);
    orientation_ = (orientation_ * Mat3::RotationY((x0 - x) / 50.0)).Orthonormalised();
    ++revision_;
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
            if (!FaceInside(t, mesh.points.size()))
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
    currentFile_ = meshes_[static_cast<std::size_t>(face.mesh)].fileName;
    currentFace_ = face.face;
    ++revision_;
}

void Scene::ForgetCurrentFace()
{
    currentFile_.clear();
    currentFace_ = -1;
    ++revision_;
}

FaceColour Scene::ColourOf(int mesh, int face) const
{
    const auto& triangles = meshes_[static_cast<std::size_t>(mesh)].data.Triangles;
    return FaceColourFor(triangles[static_cast<std::size_t>(face)].Flags, CurrentFace() == FaceRef{mesh, face});
}

void Scene::Advance(double delta)
{
    (void)delta; // nothing moves by itself
    ++frames_;
}

VertexStream BuildVertexStream(const Scene& scene)
{
    VertexStream stream;
    std::vector<float> transparent;
    const std::optional<FaceRef> current = scene.CurrentFace();
    for (std::size_t m = 0; m < scene.Meshes().size(); ++m) {
        const SceneMesh& mesh = scene.Meshes()[m];
        for (std::size_t f = 0; f < mesh.data.Triangles.size(); ++f) {
            const Triangle& t = mesh.data.Triangles[f];
            if (!FaceInside(t, mesh.points.size()))
                continue;
            const FaceRef ref{static_cast<int>(m), static_cast<int>(f)};
            const FaceColour colour = FaceColourFor(t.Flags, current == ref);
            std::vector<float>& out = colour.a < 1 ? transparent : stream.data;
            for (std::int32_t corner : {t.I1, t.I2, t.I3}) {
                const Vec3& p = mesh.points[static_cast<std::size_t>(corner)];
                const Vec3& n = mesh.normals[static_cast<std::size_t>(corner)];
                out.insert(out.end(), {p.X, p.Y, p.Z, n.X, n.Y, n.Z, colour.r, colour.g, colour.b, colour.a});
            }
        }
    }
    constexpr auto k = VertexStream::kFloatsPerVertex;
    stream.opaqueVertices = static_cast<int>(stream.data.size() / k);
    stream.transparentVertices = static_cast<int>(transparent.size() / k);
    stream.data.insert(stream.data.end(), transparent.begin(), transparent.end());
    return stream;
}

} // namespace trimlet
