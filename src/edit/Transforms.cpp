#include "Transforms.h"

#include "FileInfoReport.h"
#include "MeshTables.h"

#include <algorithm>
#include <utility>

namespace mobrix {

namespace {

// The entries 0..count-1 of a table, fewer when the table is shorter: a
// whole-model pass follows the counts and never reads past a table.
template <class Table>
auto Counted(Table& table, std::int64_t count)
{
    const auto n = static_cast<std::size_t>(std::clamp<std::int64_t>(count, 0, static_cast<std::int64_t>(table.size())));
    return std::span(table.data(), n);
}

float& Coordinate(Vec3& v, Axis axis)
{
    switch (axis) {
    case Axis::Y: return v.Y;
    case Axis::Z: return v.Z;
    case Axis::X: break;
    }
    return v.X;
}

std::pair<Axis, Axis> AxesOf(AxisPair pair)
{
    switch (pair) {
    case AxisPair::XZ: return {Axis::X, Axis::Z};
    case AxisPair::YZ: return {Axis::Y, Axis::Z};
    case AxisPair::XY: break;
    }
    return {Axis::X, Axis::Y};
}

template <class Points>
void SwapComponents(Points&& points, AxisPair pair)
{
    const auto [a, b] = AxesOf(pair);
    for (Vec3& v : points)
        std::swap(Coordinate(v, a), Coordinate(v, b));
}

// The entries [first, first + count) of a table that is at least that long.
std::span<Vec3> PartEntries(std::vector<Vec3>& table, const PartSpan& span)
{
    return std::span(table).subspan(span.firstVertex, span.vertices);
}

// One rescale factor: the bar's value divided by 100, in extended precision.
long double Factor(int percent)
{
    return static_cast<long double>(percent) / 100.0L;
}

float Scaled(float value, long double factor)
{
    return static_cast<float>(static_cast<long double>(value) * factor);
}

void Scale(Vec3& v, const std::array<long double, 3>& factors)
{
    v.X = Scaled(v.X, factors[0]);
    v.Y = Scaled(v.Y, factors[1]);
    v.Z = Scaled(v.Z, factors[2]);
}

// The bounding box starts at the first vertex and grows with strict
// comparisons, so a NaN coordinate after the first never widens it.
void Widen(float value, float& high, float& low)
{
    if (value > high)
        high = value;
    if (value < low)
        low = value;
}

CentreResult Centre(std::span<const Vec3> scope)
{
    CentreResult result;
    Vec3 high = scope.front();
    Vec3 low = scope.front();
    for (const Vec3& v : scope) {
        Widen(v.X, high.X, low.X);
        Widen(v.Y, high.Y, low.Y);
        Widen(v.Z, high.Z, low.Z);
    }
    result.high = high;
    result.low = low;
    // In 32-bit floating point, as stored.
    result.centre = {(low.X + high.X) / 2.0f, (low.Y + high.Y) / 2.0f, (low.Z + high.Z) / 2.0f};
    const Vec3& c = result.centre;
    result.messageLines = {
        "HiX: " + FormatFloat(high.X) + " LoX: " + FormatFloat(low.X),
        "HiY: " + FormatFloat(high.Y) + " LoY: " + FormatFloat(low.Y),
        "HiZ: " + FormatFloat(high.Z) + " LoZ: " + FormatFloat(low.Z),
        " cx: " + FormatFloat(c.X) + " cy: " + FormatFloat(c.Y) + " cz: " + FormatFloat(c.Z),
    };
    result.vertices = static_cast<std::int64_t>(scope.size());
    return result;
}

void Subtract(std::span<Vec3> points, const Vec3& c)
{
    for (Vec3& v : points) {
        v.X = v.X - c.X;
        v.Y = v.Y - c.Y;
        v.Z = v.Z - c.Z;
    }
}

void ExchangeFirstAndThird(Triangle& t, TriStateRecord* state)
{
    std::swap(t.I1, t.I3);
    std::swap(t.U1, t.U3);
    std::swap(t.V1, t.V3);
    std::swap(t.StoredV[0], t.StoredV[2]);
    if (state)
        std::swap(state->Corner1Sel, state->Corner3Sel);
}

// Triangles [first, first + count) of a model whose tables keep their
// counts (see EditablePart), with their texture-point marks.
void ExchangeFirstAndThirdCorners(CarModel& model, std::size_t first, std::size_t count)
{
    for (std::size_t t = first; t < first + count; ++t)
        ExchangeFirstAndThird(model.Triangles[t], &model.TriState[t]);
}

} // namespace

std::int64_t ExchangeFirstAndThirdCorners(CarModel& model)
{
    const std::span<Triangle> triangles = Counted(model.Triangles, model.Header.NumTriangles);
    for (Triangle& t : triangles)
        ExchangeFirstAndThird(t, nullptr);
    for (TriStateRecord& state : Counted(model.TriState, model.Header.NumTriangles))
        std::swap(state.Corner1Sel, state.Corner3Sel);
    return static_cast<std::int64_t>(triangles.size());
}

TransformResult SwapAxes(CarModel& model, AxisPair pair)
{
    ModelHeader& h = model.Header;
    TransformResult result;
    result.vertices = static_cast<std::int64_t>(Counted(model.Vertices, h.NumVertices).size());
    ForEachVertexSet(model, [&](std::vector<Vec3>& set) { SwapComponents(Counted(set, h.NumVertices), pair); });
    ForEachNormalSet(model, [&](std::vector<Vec3>& set) { SwapComponents(Counted(set, h.NumVertices), pair); });
    SwapComponents(std::span(h.PartPos).first(static_cast<std::size_t>(UsablePartCount(h))), pair);
    SwapComponents(std::span(h.DummyPos).first(static_cast<std::size_t>(UsableDummyCount(h))), pair);
    result.triangles = ExchangeFirstAndThirdCorners(model);
    return result;
}

TransformResult RotateMesh(CarModel& model)
{
    return SwapAxes(model, AxisPair::YZ);
}

TransformResult MirrorPart(CarModel& model, int part, Axis axis)
{
    const auto span = EditablePart(model, part);
    if (!span)
        return {.status = MeshToolStatus::NoSuchPart};
    if (span->vertices == 0)
        return {.status = MeshToolStatus::EmptyScope};
    auto negate = [&](std::vector<Vec3>& set) {
        for (Vec3& v : PartEntries(set, *span))
            Coordinate(v, axis) = -Coordinate(v, axis);
    };
    ForEachVertexSet(model, negate);
    ForEachNormalSet(model, negate);
    // A mirror image turns each triangle's corners the other way round; the
    // corners are put back in order so that the part still faces out.
    ExchangeFirstAndThirdCorners(model, span->firstTriangle, span->triangles);
    return {.status = MeshToolStatus::Done,
            .vertices = static_cast<std::int64_t>(span->vertices),
            .triangles = static_cast<std::int64_t>(span->triangles)};
}

TransformResult RescaleParts(CarModel& model, std::span<const int> parts, const RescalePercent& percent)
{
    std::vector<int> chosen(parts.begin(), parts.end());
    std::sort(chosen.begin(), chosen.end());
    chosen.erase(std::unique(chosen.begin(), chosen.end()), chosen.end());
    std::vector<PartSpan> spans;
    for (int part : chosen) {
        const auto span = EditablePart(model, part);
        if (!span)
            return {.status = MeshToolStatus::NoSuchPart};
        spans.push_back(*span);
    }
    if (chosen.empty())
        return {.status = MeshToolStatus::EmptyScope};

    const std::array<long double, 3> factors{Factor(percent.x), Factor(percent.y), Factor(percent.z)};
    TransformResult result;
    for (std::size_t k = 0; k < chosen.size(); ++k) {
        ForEachVertexSet(model, [&](std::vector<Vec3>& set) {
            for (Vec3& v : PartEntries(set, spans[k]))
                Scale(v, factors);
        });
        Scale(model.Header.PartPos[static_cast<std::size_t>(chosen[k])], factors);
        result.vertices += static_cast<std::int64_t>(spans[k].vertices);
    }
    return result;
}

CentreResult CentrePart(CarModel& model, int part)
{
    const auto span = EditablePart(model, part);
    if (!span)
        return {.status = MeshToolStatus::NoSuchPart};
    if (span->vertices == 0)
        return {.status = MeshToolStatus::EmptyScope};
    CentreResult result = Centre(PartEntries(model.Vertices, *span));
    ForEachVertexSet(model, [&](std::vector<Vec3>& set) { Subtract(PartEntries(set, *span), result.centre); });
    return result;
}

CentreResult CentreAllParts(CarModel& model)
{
    const std::int64_t count = model.Header.NumVertices;
    const std::span<Vec3> scope = Counted(model.Vertices, count);
    if (scope.empty())
        return {.status = MeshToolStatus::EmptyScope};
    CentreResult result = Centre(scope);
    ForEachVertexSet(model, [&](std::vector<Vec3>& set) { Subtract(Counted(set, count), result.centre); });
    return result;
}

std::string MessageBoxText(const std::vector<std::string>& lines)
{
    std::string text;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i > 0)
            text += '\r';
        text += lines[i];
    }
    return text;
}

} // namespace mobrix
