#pragma once
// What the mouse and the keys decide in the orthographic views, apart from
// drawing: which vertices, triangles and dummies lie under the pointer or
// inside a rubber band, how a movement in one view moves a point in every
// visible view, the zoom and pan steps, and the key table.
//
// Pick tolerances are in model units, so they shrink on screen as the user
// zooms out; every comparison is strict and done in 32-bit floats, so a
// point exactly one tolerance away is not hit.

#include "ViewGeometry.h"

#include <Qt>

#include <array>
#include <optional>
#include <vector>

namespace mobrix::views {

inline constexpr float kVertexTolerance = 0.02f;
inline constexpr float kTriangleTolerance = 0.02f;
inline constexpr float kDummyToleranceAcross = 0.1f;
inline constexpr float kDummyToleranceUp = 0.02f;

// True when `pick` lies strictly within the tolerances around `at`.
inline bool Hits(ViewPoint pick, ViewPoint at, float across, float up)
{
    return at.h - across < pick.h && pick.h < at.h + across && at.v - up < pick.v && pick.v < at.v + up;
}

// The absolute position of vertex `vertex` (an index into Vertices) drawn
// with the position of `part`.
Vec3 AbsoluteVertex(const CarModel& model, int part, std::int64_t vertex);

// The part's vertices (indices into Vertices) whose pick point is hit in
// the view, all of them, in index order; and the first one only.
std::vector<int> VerticesUnder(const CarModel& model, int part, int view, ViewPoint at);
std::optional<int> FirstVertexUnder(const CarModel& model, int part, int view, ViewPoint at);

// The first dummy hit (tolerance 0.1 across, 0.02 up).
std::optional<int> DummyUnder(const CarModel& model, int view, ViewPoint at);

// The part's triangles (indices into Triangles) whose centroid is hit, of
// the remap sections shown. Triangles with a corner outside the part are
// skipped.
std::vector<int> TrianglesUnder(const CarModel& model, const DisplayOptions& options, int part, int view,
                                ViewPoint at);

// A rubber band from one corner to the other, in either direction.
struct Band {
    float left = 0;
    float right = 0;
    float bottom = 0;
    float top = 0;
    bool StrictlyInside(ViewPoint p) const { return left < p.h && p.h < right && bottom < p.v && p.v < top; }
};
Band MakeBand(ViewPoint a, ViewPoint b);

std::vector<int> VerticesInBand(const CarModel& model, int part, int view, const Band& band);
std::vector<int> TrianglesInBand(const CarModel& model, const DisplayOptions& options, int part, int view,
                                 const Band& band);

// Which views are visible, by view index.
using ViewVisibility = std::array<bool, kViewCount>;

// Moves a point by a movement (dh, dv) of the pointer in the plane of one
// orthographic view, in that view's axes: view 0 adds dh to X and dv to Y,
// view 1 dh to Z and dv to X, view 2 dh to Z and dv to Y; other views move
// nothing. A point under the pointer stays under it.
void MoveInView(Vec3& p, int view, float dh, float dv);

// The working positions of `vertices` (indices into Vertices) after such a
// movement.
std::vector<Vec3> MovedInView(const CarModel& model, const std::vector<int>& vertices, int view, float dh, float dv);

// Zoom limits: the powers of two from 1/128 to 2^19 reachable from 1.
inline constexpr float kMinZoom = 0.0078125f;
inline constexpr float kMaxZoom = 524288.0f;
// Doubles (zooms out) or halves (zooms in) ViewZoom unless at the limit.
bool ZoomOut(ViewState& state);
bool ZoomIn(ViewState& state);
// Page Up/Down pan across and Home/End up and down by one ViewZoom.
void Pan(ViewState& state, int axis, int sign);
// The step of the zoom-dependent nudges: the same distance on screen at
// every zoom.
inline float NudgeStep(const ViewState& state)
{
    return state.ViewZoom * 0.01f;
}
inline constexpr float kPartStep = 0.1f;
inline constexpr float kDummyStep = 0.01f;
inline constexpr float kTexturePointStep = 0.005f;

// Key codes the key table speaks in: letters and digits of the main
// keyboard by their upper-case character, the rest by these codes.
namespace vk {
inline constexpr int PageUp = 33;
inline constexpr int PageDown = 34;
inline constexpr int End = 35;
inline constexpr int Home = 36;
inline constexpr int Left = 37;
inline constexpr int Up = 38;
inline constexpr int Right = 39;
inline constexpr int Down = 40;
inline constexpr int KeypadPlus = 107;
inline constexpr int KeypadMinus = 109;
} // namespace vk
// Shift state bits.
inline constexpr int kShift = 1;
inline constexpr int kCtrl = 2;
inline constexpr int kAlt = 4;

// The key code of a Qt key event: a digit key pressed with Shift still
// counts as its digit (its key on the main row is recognised by the X
// keycode when the layout turned it into a symbol); keypad digits are not
// the digits of the main keyboard. 0 for keys the table never uses.
int VirtualKeyCode(int qtKey, Qt::KeyboardModifiers modifiers, quint32 nativeScanCode = 0);
int ShiftState(Qt::KeyboardModifiers modifiers);

// One thing a key press does.
struct KeyCommand {
    enum class Action {
        Redraw,
        ZoomOut,
        ZoomIn,
        Pan,             // axis 0 across, 1 up; sign
        RenamePart,
        MovePart,        // axis; sign; scaled: the step is NudgeStep, else 0.1
        ShowSingleView,  // view: the view button the key stands for ("0" "3D", "1" "XY" ... "4" "UV")
        DeselectAll,
        InvertSelection,
        NudgeVertices,   // dh, dv: -1, 0 or 1
        RenameDummy,
        ShowOrthoView,   // view
        NudgeDummy,      // dh, dv
    };
    Action action;
    int axis = 0;
    int sign = 0;
    bool scaled = false;
    int view = 0;
    int dh = 0;
    int dv = 0;
    friend bool operator==(const KeyCommand&, const KeyCommand&) = default;
};

// The key table: what a key does in the modes switched on, in the order the
// groups are tested (always, Part, Triangle, Vertex, Dummy Editor). A key
// may match in several groups.
std::vector<KeyCommand> KeyCommands(int keyCode, int shift, const EditModes& modes);

// The Dummy Editor's "1" to "3": only that orthographic view of the three;
// the perspective and texture-map views keep their visibility.
void ShowOnlyOrthoView(ViewVisibility& visible, int view);

// The hover readout of a vertex: "Vert. " n " X:" x " Y:" y " Z:" z, with
// n counted from 1 in the whole model and the stored coordinates.
std::string HoverText(const CarModel& model, int vertex);
// A number with up to three decimals and no forced leading zero ("#.###"):
// 1.5 gives "1.5", 0.25 gives ".25", 2 gives "2.".
std::string FormatUpTo3(float value);

} // namespace mobrix::views
