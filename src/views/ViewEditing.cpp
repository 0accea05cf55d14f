#include "ViewEditing.h"

#include "FileInfoReport.h"

#include <algorithm>
#include <string>

namespace mobrix::views {

namespace {

// Calls f(absolute index, centroid) for every triangle of the part the
// Triangle Editor shows.
template <class F>
void ForEachPickableTriangle(const CarModel& m, const DisplayOptions& options, int part, F&& f)
{
    const IndexRange verts = PartVertexRange(m, part);
    const IndexRange tris = PartTriangleRange(m, part);
    const Vec3 pos = PartPosition(m, part);
    for (std::int64_t t = tris.begin; t < tris.end; ++t) {
        if (const auto section = SectionTriangleOf(m, options, static_cast<std::size_t>(t), verts, pos))
            f(static_cast<int>(t), section->centroid);
    }
}

std::string Fixed3(float value)
{
    return FormatFixed(double(value), 3);
}

} // namespace

Vec3 AbsoluteVertex(const CarModel& model, int part, std::int64_t vertex)
{
    const Vec3& v = model.Vertices[static_cast<std::size_t>(vertex)];
    const Vec3 pos = PartPosition(model, part);
    return {v.X + pos.X, v.Y + pos.Y, v.Z + pos.Z};
}

std::vector<int> VerticesUnder(const CarModel& model, int part, int view, ViewPoint at)
{
    std::vector<int> hit;
    const IndexRange r = PartVertexRange(model, part);
    for (std::int64_t i = r.begin; i < r.end; ++i) {
        if (Hits(Project(view, AbsoluteVertex(model, part, i)), at, kVertexTolerance, kVertexTolerance))
            hit.push_back(static_cast<int>(i));
    }
    return hit;
}

std::optional<int> FirstVertexUnder(const CarModel& model, int part, int view, ViewPoint at)
{
    const IndexRange r = PartVertexRange(model, part);
    for (std::int64_t i = r.begin; i < r.end; ++i) {
        if (Hits(Project(view, AbsoluteVertex(model, part, i)), at, kVertexTolerance, kVertexTolerance))
            return static_cast<int>(i);
    }
    return std::nullopt;
}

std::optional<int> DummyUnder(const CarModel& model, int view, ViewPoint at)
{
    const int dummies = UsableDummyCount(model.Header);
    for (int d = 0; d < dummies; ++d) {
        const Vec3& pos = model.Header.DummyPos[static_cast<std::size_t>(d)];
        if (Hits(Project(view, pos), at, kDummyToleranceAcross, kDummyToleranceUp))
            return d;
    }
    return std::nullopt;
}

std::vector<int> TrianglesUnder(const CarModel& model, const DisplayOptions& options, int part, int view,
                                ViewPoint at)
{
    std::vector<int> hit;
    ForEachPickableTriangle(model, options, part, [&](int t, const Vec3& centroid) {
        if (Hits(Project(view, centroid), at, kTriangleTolerance, kTriangleTolerance))
            hit.push_back(t);
    });
    return hit;
}

Band MakeBand(ViewPoint a, ViewPoint b)
{
    return {std::min(a.h, b.h), std::max(a.h, b.h), std::min(a.v, b.v), std::max(a.v, b.v)};
}

std::vector<int> VerticesInBand(const CarModel& model, int part, int view, const Band& band)
{
    std::vector<int> inside;
    const IndexRange r = PartVertexRange(model, part);
    for (std::int64_t i = r.begin; i < r.end; ++i) {
        if (band.StrictlyInside(Project(view, AbsoluteVertex(model, part, i))))
            inside.push_back(static_cast<int>(i));
    }
    return inside;
}

std::vector<int> TrianglesInBand(const CarModel& model, const DisplayOptions& options, int part, int view,
                                 const Band& band)
{
    std::vector<int> inside;
    ForEachPickableTriangle(model, options, part, [&](int t, const Vec3& centroid) {
        if (band.StrictlyInside(Project(view, centroid)))
            inside.push_back(t);
    });
    return inside;
}

void MoveInView(Vec3& p, int view, float dh, float dv)
{
    switch (view) {
    case ViewXY:
        p.X += dh;
        p.Y += dv;
        break;
    case ViewZX:
        p.Z += dh;
        p.X += dv;
        break;
    case ViewZY:
        p.Z += dh;
        p.Y += dv;
        break;
    default: break;
    }
}

std::vector<Vec3> MovedInView(const CarModel& model, const std::vector<int>& vertices, int view, float dh, float dv)
{
    std::vector<Vec3> moved;
    moved.reserve(vertices.size());
    for (const int i : vertices) {
        Vec3 p = i >= 0 && static_cast<std::size_t>(i) < model.Vertices.size() ? model.Vertices[static_cast<std::size_t>(i)]
                                                                                : Vec3{};
        MoveInView(p, view, dh, dv);
        moved.push_back(p);
    }
    return moved;
}

bool ZoomOut(ViewState& state)
{
    if (!(state.ViewZoom < kMaxZoom))
        return false;
    state.ViewZoom *= 2;
    return true;
}

bool ZoomIn(ViewState& state)
{
    if (!(state.ViewZoom > kMinZoom))
        return false;
    state.ViewZoom /= 2;
    return true;
}

void Pan(ViewState& state, int axis, int sign)
{
    float& pan = axis == 0 ? state.ViewPanX : state.ViewPanY;
    if (sign < 0)
        pan -= state.ViewZoom;
    else
        pan += state.ViewZoom;
}

int VirtualKeyCode(int qtKey, Qt::KeyboardModifiers modifiers, quint32 nativeScanCode)
{
    const bool keypad = modifiers.testFlag(Qt::KeypadModifier);
    if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z)
        return qtKey; // the upper-case letter
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9)
        return keypad ? 96 + (qtKey - Qt::Key_0) : qtKey;
    switch (qtKey) {
    case Qt::Key_PageUp: return vk::PageUp;
    case Qt::Key_PageDown: return vk::PageDown;
    case Qt::Key_End: return vk::End;
    case Qt::Key_Home: return vk::Home;
    case Qt::Key_Left: return vk::Left;
    case Qt::Key_Up: return vk::Up;
    case Qt::Key_Right: return vk::Right;
    case Qt::Key_Down: return vk::Down;
    case Qt::Key_Plus: return keypad ? vk::KeypadPlus : 0;
    case Qt::Key_Minus: return keypad ? vk::KeypadMinus : 0;
    default: break;
    }
    // The digit row of the main keyboard has X keycodes 10 ("1") to 19
    // ("0") whatever symbol the layout gives it with Shift.
    if (!keypad && nativeScanCode >= 10 && nativeScanCode <= 19)
        return '0' + static_cast<int>((nativeScanCode - 9) % 10);
    return 0;
}

int ShiftState(Qt::KeyboardModifiers modifiers)
{
    int shift = 0;
    if (modifiers.testFlag(Qt::ShiftModifier))
        shift |= kShift;
    if (modifiers.testFlag(Qt::ControlModifier))
        shift |= kCtrl;
    if (modifiers.testFlag(Qt::AltModifier))
        shift |= kAlt;
    return shift;
}

std::vector<KeyCommand> KeyCommands(int key, int shift, const EditModes& modes)
{
    using A = KeyCommand::Action;
    std::vector<KeyCommand> out;
    auto add = [&](KeyCommand c) { out.push_back(c); };

    switch (key) {
    case 'R': add({A::Redraw}); break;
    case vk::KeypadMinus: add({A::ZoomOut}); break;
    case vk::KeypadPlus: add({A::ZoomIn}); break;
    case vk::PageUp: add({.action = A::Pan, .axis = 0, .sign = -1}); break;
    case vk::PageDown: add({.action = A::Pan, .axis = 0, .sign = 1}); break;
    case vk::Home: add({.action = A::Pan, .axis = 1, .sign = -1}); break;
    case vk::End: add({.action = A::Pan, .axis = 1, .sign = 1}); break;
    default: break;
    }

    const int sign = shift != 0 ? -1 : 1;
    auto arrow = [&](A action) {
        switch (key) {
        case vk::Left: add({.action = action, .dh = -1}); break;
        case vk::Right: add({.action = action, .dh = 1}); break;
        case vk::Up: add({.action = action, .dv = 1}); break;
        case vk::Down: add({.action = action, .dv = -1}); break;
        default: break;
        }
    };
    auto singleViewKeys = [&] {
        if (key >= '0' && key <= '4')
            add({.action = A::ShowSingleView, .view = key - '0'});
    };

    if (modes.Part) {
        if (key == 'N')
            add({A::RenamePart});
        if (key >= '1' && key <= '3')
            add({.action = A::MovePart, .axis = key - '1', .sign = sign});
        if (key >= '4' && key <= '6')
            add({.action = A::MovePart, .axis = key - '4', .sign = sign, .scaled = true});
    }
    if (modes.Triangle)
        singleViewKeys();
    if (modes.Vertex) {
        if (key == 'D')
            add({A::DeselectAll});
        if (key == 'S')
            add({A::InvertSelection});
        singleViewKeys();
        arrow(A::NudgeVertices);
    }
    if (modes.Dummy) {
        if (key == 'N')
            add({A::RenameDummy});
        if (key >= '1' && key <= '3')
            add({.action = A::ShowOrthoView, .view = key - '1'});
        arrow(A::NudgeDummy);
    }
    return out;
}

void ShowOnlyOrthoView(ViewVisibility& visible, int view)
{
    for (int v = 0; v < kOrthoViewCount; ++v)
        visible[static_cast<std::size_t>(v)] = v == view;
}

std::string FormatUpTo3(float value)
{
    std::string text = Fixed3(value);
    const bool negative = !text.empty() && text[0] == '-';
    if (negative)
        text.erase(0, 1);
    // Drop the trailing zeros of the decimals and a leading zero; the point stays.
    while (!text.empty() && text.back() == '0')
        text.pop_back();
    if (text.size() >= 2 && text[0] == '0' && text[1] == '.')
        text.erase(0, 1);
    const bool zero = text == ".";
    return (negative && !zero ? "-" : "") + text;
}

std::string HoverText(const CarModel& model, int vertex)
{
    const Vec3& v = model.Vertices[static_cast<std::size_t>(vertex)];
    return "Vert. " + std::to_string(vertex + 1) + " X:" + FormatUpTo3(v.X) + " Y:" + FormatUpTo3(v.Y) +
           " Z:" + FormatUpTo3(v.Z);
}

} // namespace mobrix::views
