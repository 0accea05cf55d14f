#include "ReferenceMeshEdit.h"

#include <algorithm>

namespace reference {

using namespace mobrix;

namespace {

bool Nfs4(const CarModel& m)
{
    return m.FileFormat == ModelOrigin::Nfs4;
}

std::size_t At(std::int32_t i)
{
    return static_cast<std::size_t>(i);
}

// Copies entry `from` to entry `to` in every per-vertex table but the marks.
void CopyVertexEntry(CarModel& m, std::size_t from, std::size_t to)
{
    m.Vertices[to] = m.Vertices[from];
    m.Normals[to] = m.Normals[from];
    m.Reserved1[to] = m.Reserved1[from];
    m.Reserved2[to] = m.Reserved2[from];
    m.Reserved3[to] = m.Reserved3[from];
    if (Nfs4(m)) {
        m.NormalVerts[to] = m.NormalVerts[from];
        m.NormalNorms[to] = m.NormalNorms[from];
        m.Undamaged2Verts[to] = m.Undamaged2Verts[from];
        m.Undamaged2Norms[to] = m.Undamaged2Norms[from];
        m.DamagedVerts[to] = m.DamagedVerts[from];
        m.DamagedNorms[to] = m.DamagedNorms[from];
        m.VertReservedA[to] = m.VertReservedA[from];
        m.VertReservedB[to] = m.VertReservedB[from];
        m.VertFlags[to] = m.VertFlags[from];
    }
}

void ResizeVertexTables(CarModel& m, std::size_t n)
{
    m.Vertices.resize(n);
    m.Normals.resize(n);
    m.Reserved1.resize(n);
    m.Reserved2.resize(n);
    m.Reserved3.resize(n);
    if (Nfs4(m)) {
        m.NormalVerts.resize(n);
        m.NormalNorms.resize(n);
        m.Undamaged2Verts.resize(n);
        m.Undamaged2Norms.resize(n);
        m.DamagedVerts.resize(n);
        m.DamagedNorms.resize(n);
        m.VertReservedA.resize(n);
        m.VertReservedB.resize(n);
        m.VertFlags.resize(n);
    }
}

} // namespace

void AddVertex(CarModel& m, int part, float x, float y, float z)
{
    ModelHeader& h = m.Header;
    const auto p = At(part);
    const std::size_t oldN = At(h.NumVertices);
    ResizeVertexTables(m, oldN + 1);
    m.VertSelected.assign(oldN + 1, 0);
    const std::size_t n = At(h.PartFirstVertex[p] + h.PartNumVertices[p]);
    for (std::size_t i = oldN; i >= n + 1; --i)
        CopyVertexEntry(m, i - 1, i);
    m.Vertices[n] = {x, y, z};
    m.Normals[n] = {};
    m.Reserved1[n] = {};
    m.Reserved2[n] = {};
    m.Reserved3[n] = {};
    if (Nfs4(m)) {
        m.NormalVerts[n] = m.Undamaged2Verts[n] = m.DamagedVerts[n] = {x, y, z};
        m.VertReservedA[n] = {};
        m.VertReservedB[n] = {};
        m.VertFlags[n][0] = 4;
    }
    ++h.NumVertices;
    ++h.PartNumVertices[p];
    for (int q = part + 1; q < h.NumParts; ++q)
        ++h.PartFirstVertex[At(q)];
    m.VertSelected[n] = -1;
}

void RemoveTriangle(CarModel& m, int part, int t)
{
    ModelHeader& h = m.Header;
    if (h.NumTriangles == 0)
        return;
    const auto p = At(part);
    for (std::size_t j = At(h.PartFirstTriangle[p] + t); j + 2 <= At(h.NumTriangles); ++j) {
        m.Triangles[j] = m.Triangles[j + 1];
        m.TriState[j] = m.TriState[j + 1];
        if (Nfs4(m))
            m.TriReserved[j] = m.TriReserved[j + 1];
    }
    --h.PartNumTriangles[p];
    for (int q = part + 1; q < h.NumParts; ++q)
        --h.PartFirstTriangle[At(q)];
    --h.NumTriangles;
    m.Triangles.resize(At(h.NumTriangles));
    m.TriState.resize(At(h.NumTriangles));
    if (Nfs4(m))
        m.TriReserved.resize(At(h.NumTriangles));
}

void RemoveVertex(CarModel& m, int part, int v)
{
    ModelHeader& h = m.Header;
    const auto p = At(part);
    bool found = true;
    while (found) {
        found = false;
        for (int k = 0; k < h.PartNumTriangles[p]; ++k) {
            const Triangle& t = m.Triangles[At(h.PartFirstTriangle[p] + k)];
            if (t.I1 == v || t.I2 == v || t.I3 == v) {
                RemoveTriangle(m, part, k);
                found = true;
                break;
            }
        }
    }
    for (int k = 0; k < h.PartNumTriangles[p]; ++k) {
        Triangle& t = m.Triangles[At(h.PartFirstTriangle[p] + k)];
        for (std::int32_t* corner : {&t.I1, &t.I2, &t.I3}) {
            if (*corner > v)
                --*corner;
        }
    }
    for (std::size_t j = At(h.PartFirstVertex[p] + v); j + 2 <= At(h.NumVertices); ++j) {
        CopyVertexEntry(m, j + 1, j);
        m.VertSelected[j] = m.VertSelected[j + 1];
    }
    --h.PartNumVertices[p];
    for (int q = part + 1; q < h.NumParts; ++q)
        --h.PartFirstVertex[At(q)];
    --h.NumVertices;
    ResizeVertexTables(m, At(h.NumVertices));
    m.VertSelected.resize(At(h.NumVertices));
}

void AddTriangle(CarModel& m, int part, int i1, int i2, int i3)
{
    ModelHeader& h = m.Header;
    const auto p = At(part);
    const std::size_t oldM = At(h.NumTriangles);
    m.Triangles.resize(oldM + 1);
    if (Nfs4(m))
        m.TriReserved.resize(oldM + 1);
    m.TriState.assign(oldM + 1, TriStateRecord{});
    const std::size_t n = At(h.PartFirstTriangle[p] + h.PartNumTriangles[p]);
    for (std::size_t j = oldM; j >= n + 1; --j) {
        m.Triangles[j] = m.Triangles[j - 1];
        if (Nfs4(m))
            m.TriReserved[j] = m.TriReserved[j - 1];
    }
    Triangle& t = m.Triangles[n];
    const auto fill = t.TriFill;
    t = Triangle{};
    t.TriFill = fill;
    t.I1 = i1;
    t.I2 = i2;
    t.I3 = i3;
    if (Nfs4(m))
        m.TriReserved[n] = {};
    ++h.NumTriangles;
    ++h.PartNumTriangles[p];
    for (int q = part + 1; q < h.NumParts; ++q)
        ++h.PartFirstTriangle[At(q)];
}

void RemoveMarkedVertices(CarModel& m, int part)
{
    const auto p = At(part);
    bool found = true;
    while (found) {
        found = false;
        for (int k = 0; k < m.Header.PartNumVertices[p]; ++k) {
            if (m.VertSelected[At(m.Header.PartFirstVertex[p] + k)] != 0) {
                RemoveVertex(m, part, k);
                found = true;
                break;
            }
        }
    }
}

void RemovePartVertices(CarModel& m, int part)
{
    for (int k = m.Header.PartNumVertices[At(part)] - 1; k >= 0; --k)
        RemoveVertex(m, part, k);
}

void RemoveTriangles(CarModel& m, int part, std::vector<int> triangles)
{
    std::sort(triangles.begin(), triangles.end());
    triangles.erase(std::unique(triangles.begin(), triangles.end()), triangles.end());
    for (auto t = triangles.rbegin(); t != triangles.rend(); ++t)
        RemoveTriangle(m, part, *t);
}

std::string RemoveDuplicatePolys(CarModel& m, int part)
{
    const auto p = At(part);
    const auto triangle = [&](int k) -> const Triangle& { return m.Triangles[At(m.Header.PartFirstTriangle[p] + k)]; };
    std::string status;
    for (bool removed = true; removed;) {
        removed = false;
        const int count = m.Header.PartNumTriangles[p];
        for (int i = 0; i < count && !removed; ++i) {
            for (int j = 0; j < count && !removed; ++j) {
                const Triangle& a = triangle(i);
                const Triangle& b = triangle(j);
                if (j != i && a.I1 == b.I1 && a.I2 == b.I2 && a.I3 == b.I3) {
                    RemoveTriangle(m, part, j);
                    removed = true;
                }
            }
            if (!removed)
                status = std::to_string(m.Header.PartFirstTriangle[p] + i);
        }
    }
    return status;
}

std::string RemoveUnnecessaryVerts(CarModel& m, int part)
{
    ModelHeader& h = m.Header;
    const auto p = At(part);
    const int n = h.PartNumVertices[p];
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < n; ++j) {
            const Vec3& a = m.Vertices[At(h.PartFirstVertex[p] + i)];
            const Vec3& b = m.Vertices[At(h.PartFirstVertex[p] + j)];
            if (j == i || a.X != b.X || a.Y != b.Y || a.Z != b.Z)
                continue;
            for (int k = 0; k < h.PartNumTriangles[p]; ++k) {
                Triangle& t = m.Triangles[At(h.PartFirstTriangle[p] + k)];
                for (std::int32_t* corner : {&t.I1, &t.I2, &t.I3}) {
                    if (*corner == j)
                        *corner = i;
                }
            }
        }
    }
    int removed = 0;
    for (int start = 0;;) {
        int v = start;
        for (; v < h.PartNumVertices[p]; ++v) {
            bool used = false;
            for (int k = 0; k < h.PartNumTriangles[p]; ++k) {
                const Triangle& t = m.Triangles[At(h.PartFirstTriangle[p] + k)];
                used = used || t.I1 == v || t.I2 == v || t.I3 == v;
            }
            if (!used)
                break;
        }
        if (v == h.PartNumVertices[p])
            break;
        RemoveVertex(m, part, v);
        ++removed;
        start = v;
    }
    return "Done. Removed a total of " + std::to_string(removed) + " unnecessary vertices.";
}

} // namespace reference
