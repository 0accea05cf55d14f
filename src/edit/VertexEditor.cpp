#include "VertexEditor.h"

#include "FileInfoReport.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

namespace mobrix {

namespace {

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// The part's vertex range when it lies inside the tables.
std::optional<IndexRange> FullVertexRange(const CarModel& m, int part)
{
    if (part < 0 || part >= UsablePartCount(m.Header))
        return std::nullopt;
    const IndexRange r = PartVertexRange(m, part);
    const auto p = static_cast<std::size_t>(part);
    if (r.begin != m.Header.PartFirstVertex[p] || r.size() != m.Header.PartNumVertices[p])
        return std::nullopt;
    return r;
}

std::optional<std::size_t> VertexIndex(const CarModel& m, int part, int vertex)
{
    const auto r = FullVertexRange(m, part);
    if (!r || vertex < 0 || vertex >= r->size())
        return std::nullopt;
    return static_cast<std::size_t>(r->begin + vertex);
}

std::optional<std::size_t> TriangleIndex(const CarModel& m, int part, int triangle)
{
    if (part < 0 || part >= UsablePartCount(m.Header))
        return std::nullopt;
    const IndexRange r = PartTriangleRange(m, part);
    if (triangle < 0 || triangle >= r.size())
        return std::nullopt;
    return static_cast<std::size_t>(r.begin + triangle);
}

bool CornerInPart(std::int32_t corner, std::int64_t partVertices)
{
    return corner >= 0 && corner < partVertices;
}

} // namespace

std::string CornerOutOfRangeMessage(int partVertexCount)
{
    if (partVertexCount <= 0)
        return "The corners must be vertices of this part, and it has no vertices.";
    return "Each corner must be the number of a vertex of this part, from 0 to " +
           std::to_string(partVertexCount - 1) + ".";
}

std::string FormatFixed6(float value)
{
    // A zero of either sign is shown as "0.000000".
    return FormatFixed(value == 0.0f ? 0.0 : double(value), 6);
}

bool CoordinateKeyAllowed(char32_t key)
{
    return IndexKeyAllowed(key) || key == U'-' || key == U'.';
}

bool IndexKeyAllowed(char32_t key)
{
    return (key >= U'0' && key <= U'9') || key == 8;
}

std::optional<float> ParseCoordinate(std::string_view text)
{
    std::size_t i = 0;
    if (i < text.size() && text[i] == '-')
        ++i;
    int digits = 0, points = 0;
    for (std::size_t k = i; k < text.size(); ++k) {
        if (IsDigit(text[k]))
            ++digits;
        else if (text[k] == '.')
            ++points;
        else
            return std::nullopt;
    }
    if (digits == 0 || points > 1)
        return std::nullopt;

    float value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error == std::errc::result_out_of_range) {
        // Too small for a float is zero; too large is no coordinate.
        double wide = 0;
        const auto wideResult = std::from_chars(text.data(), text.data() + text.size(), wide);
        if (wideResult.ec != std::errc() || std::fabs(wide) >= 1.0)
            return std::nullopt;
        return text[0] == '-' ? -0.0f : 0.0f;
    }
    if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<std::int32_t> ParseCorner(std::string_view text, int partVertexCount)
{
    if (text.empty() || !std::all_of(text.begin(), text.end(), IsDigit))
        return std::nullopt;
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value >= partVertexCount)
        return std::nullopt;
    return static_cast<std::int32_t>(value);
}

std::optional<Vec3> VertexOf(const CarModel& model, int part, int vertex)
{
    const auto i = VertexIndex(model, part, vertex);
    if (!i)
        return std::nullopt;
    return model.Vertices[*i];
}

bool SetVertex(CarModel& model, int part, int vertex, const Vec3& position)
{
    const auto i = VertexIndex(model, part, vertex);
    if (!i)
        return false;
    model.Vertices[*i] = position;
    return true;
}

bool SetVertexMark(CarModel& model, int part, int vertex, bool selected)
{
    const auto i = VertexIndex(model, part, vertex);
    if (!i || *i >= model.VertSelected.size())
        return false;
    model.VertSelected[*i] = selected ? -1 : 0;
    return true;
}

void SetVertexMarks(CarModel& model, const std::vector<int>& vertices, bool selected)
{
    for (const int i : vertices) {
        if (i >= 0 && static_cast<std::size_t>(i) < model.VertSelected.size())
            model.VertSelected[static_cast<std::size_t>(i)] = selected ? -1 : 0;
    }
}

std::optional<TriangleFields> TriangleFieldsOf(const CarModel& model, int part, int triangle)
{
    const auto t = TriangleIndex(model, part, triangle);
    if (!t)
        return std::nullopt;
    const Triangle& tri = model.Triangles[*t];
    return TriangleFields{{tri.I1, tri.I2, tri.I3}, {tri.U1, tri.U2, tri.U3}, {tri.V1, tri.V2, tri.V3}};
}

bool SetTriangleFields(CarModel& model, int part, int triangle, const TriangleFields& fields)
{
    const auto t = TriangleIndex(model, part, triangle);
    const auto verts = FullVertexRange(model, part);
    if (!t || !verts)
        return false;
    for (const std::int32_t c : fields.corners) {
        if (!CornerInPart(c, verts->size()))
            return false;
    }
    Triangle& tri = model.Triangles[*t];
    tri.I1 = fields.corners[0];
    tri.I2 = fields.corners[1];
    tri.I3 = fields.corners[2];
    tri.U1 = fields.u[0];
    tri.U2 = fields.u[1];
    tri.U3 = fields.u[2];
    tri.V1 = fields.v[0];
    tri.V2 = fields.v[1];
    tri.V3 = fields.v[2];
    return true;
}

MarkedCorners MarkedCornersOf(const CarModel& model, int part)
{
    MarkedCorners marked;
    const auto r = FullVertexRange(model, part);
    if (!r)
        return marked;
    for (std::int64_t i = r->begin; i < r->end && marked.count < 4; ++i) {
        const auto k = static_cast<std::size_t>(i);
        if (k >= model.VertSelected.size() || model.VertSelected[k] == 0)
            continue;
        if (marked.count < 3)
            marked.corners[static_cast<std::size_t>(marked.count)] = static_cast<int>(i - r->begin);
        ++marked.count;
    }
    return marked;
}

std::vector<int> MarkedVerticesOf(const CarModel& model, int part)
{
    std::vector<int> marked;
    const IndexRange r = PartVertexRange(model, part);
    for (std::int64_t i = r.begin; i < r.end; ++i) {
        const auto k = static_cast<std::size_t>(i);
        if (k < model.VertSelected.size() && model.VertSelected[k] != 0)
            marked.push_back(static_cast<int>(i - r.begin));
    }
    return marked;
}

void DeselectAll(CarModel& model)
{
    std::fill(model.VertSelected.begin(), model.VertSelected.end(), std::int16_t{0});
    for (TriStateRecord& t : model.TriState) {
        t.Selected = 0;
        t.Corner1Sel = 0;
        t.Corner2Sel = 0;
        t.Corner3Sel = 0;
    }
}

void ClearPartChoiceMarks(CarModel& model)
{
    for (TriStateRecord& t : model.TriState)
        t.Selected = 0;
    std::fill(model.VertSelected.begin(), model.VertSelected.end(), std::int16_t{0});
}

void InvertVertexMarks(CarModel& model)
{
    for (std::int16_t& mark : model.VertSelected)
        mark = static_cast<std::int16_t>(~mark);
}

bool MovePart(CarModel& model, int part, int axis, float delta)
{
    if (part < 0 || part >= UsablePartCount(model.Header) || axis < 0 || axis > 2)
        return false;
    Vec3& pos = model.Header.PartPos[static_cast<std::size_t>(part)];
    float* coordinate[] = {&pos.X, &pos.Y, &pos.Z};
    *coordinate[axis] += delta;
    return true;
}

void NudgeTexturePoints(CarModel& model, int part, float du, float dv)
{
    const IndexRange r = PartTriangleRange(model, part);
    for (std::int64_t t = r.begin; t < r.end; ++t) {
        const auto k = static_cast<std::size_t>(t);
        if (k >= model.TriState.size())
            break;
        const TriStateRecord& marks = model.TriState[k];
        Triangle& tri = model.Triangles[k];
        auto nudge = [&](std::int16_t mark, float& u, float& v) {
            if (mark != 0) {
                u += du;
                v += dv;
            }
        };
        nudge(marks.Corner1Sel, tri.U1, tri.V1);
        nudge(marks.Corner2Sel, tri.U2, tri.V2);
        nudge(marks.Corner3Sel, tri.U3, tri.V3);
    }
}

bool SwitchVertexSet(CarModel& model, VertexSet chosen)
{
    const auto n = static_cast<std::size_t>(std::max(0, model.Header.NumVertices));
    if (model.Vertices.size() != n || model.Normals.size() != n)
        return false;
    for (const VertexSet set : {VertexSet::Normal, VertexSet::Undamaged2, VertexSet::Damaged}) {
        if (SetVertices(model, set).size() != n || SetNormals(model, set).size() != n)
            return false;
    }
    const VertexSet active = model.ActiveVertexSet;
    SetVertices(model, active) = model.Vertices;
    SetNormals(model, active) = model.Normals;
    model.Vertices = SetVertices(model, chosen);
    model.Normals = SetNormals(model, chosen);
    model.ActiveVertexSet = chosen;
    return true;
}

} // namespace mobrix
