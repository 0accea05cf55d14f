#pragma once
// What the vertex and triangle editors and the selection keys do to the
// model, apart from the widgets: the text of the editor fields and the
// checks on what is typed into them, the corners "Add Poly" takes, the
// selection commands, moving a part, nudging texture points, and switching
// between the three NFSIV vertex sets.
//
// Indices are part-relative unless a name says otherwise. Every function
// that is given a part or an index the model does not have changes nothing.

#include "CarModel.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace mobrix {

inline constexpr const char* kSelectThreeMessage = "You must select three vertices";
inline constexpr const char* kNoTrianglesMessage = "No triangles to delete!";
// Refusals of text that is not what the field needs. Nothing is stored then.
inline constexpr const char* kCoordinateNotNumberMessage =
    "The coordinates must be numbers, for example -1.25 or 0.5";
inline constexpr const char* kTextureNotNumberMessage =
    "The texture coordinates must be numbers, for example 0.25";
inline constexpr const char* kPartNotEditableMessage =
    "The current part cannot be edited: there is no such part, or its vertex or triangle range does not fit "
    "the model.";
// The corner indices must name vertices of the part (0 to count - 1).
std::string CornerOutOfRangeMessage(int partVertexCount);

// A coordinate as the fields show it: at least one integer digit, exactly
// six decimals, "-" for negative values ("0.000000").
std::string FormatFixed6(float value);

// The keys the fields let through: digits and backspace everywhere, "-" and
// "." in the coordinate fields as well.
bool CoordinateKeyAllowed(char32_t key);
bool IndexKeyAllowed(char32_t key);

// The number in a coordinate field: an optional leading "-", digits with at
// most one ".", at least one digit, and a value a 32-bit float can hold.
std::optional<float> ParseCoordinate(std::string_view text);
// The corner index in a triangle field: digits naming a vertex of a part
// with `partVertexCount` vertices.
std::optional<std::int32_t> ParseCorner(std::string_view text, int partVertexCount);

// A vertex of a part, by its part-relative index.
std::optional<Vec3> VertexOf(const CarModel& model, int part, int vertex);
bool SetVertex(CarModel& model, int part, int vertex, const Vec3& position);
bool SetVertexMark(CarModel& model, int part, int vertex, bool selected);
// Sets or clears the marks of vertices given by their index into Vertices;
// indices outside the table are skipped.
void SetVertexMarks(CarModel& model, const std::vector<int>& vertices, bool selected);

// The nine fields of the triangle editor.
struct TriangleFields {
    std::array<std::int32_t, 3> corners{};
    std::array<float, 3> u{};
    std::array<float, 3> v{};
};
std::optional<TriangleFields> TriangleFieldsOf(const CarModel& model, int part, int triangle);
// Stores the fields when every corner names a vertex of the part.
bool SetTriangleFields(CarModel& model, int part, int triangle, const TriangleFields& fields);

// The part's marked vertices in index order, as "Add Poly" takes them:
// counting stops at four, and the first three are the corners.
struct MarkedCorners {
    int count = 0;
    std::array<int, 3> corners{};
};
MarkedCorners MarkedCornersOf(const CarModel& model, int part);

// The part-relative indices of the part's marked vertices ("List Selected").
std::vector<int> MarkedVerticesOf(const CarModel& model, int part);

// "D": every vertex mark and every triangle's selection and texture-point
// marks cleared (the remap sections stay).
void DeselectAll(CarModel& model);
// A new part choice: every vertex mark and every triangle's selection
// cleared; texture-point marks and the remap sections stay.
void ClearPartChoiceMarks(CarModel& model);
// "S": every vertex mark of the model replaced by its bitwise complement.
void InvertVertexMarks(CarModel& model);

// Adds `delta` to one coordinate (0 X, 1 Y, 2 Z) of the part's position.
bool MovePart(CarModel& model, int part, int axis, float delta);

// Moves every selected texture point (corner mark) of the part's triangles.
void NudgeTexturePoints(CarModel& model, int part, float du, float dv);

// Switches the working vertices and normals to another NFSIV set: the
// working arrays go back into the active set, then the chosen set's
// vertices and normals become the working arrays. The normals come along so
// that a later save, which writes the working normals into the active set,
// cannot give one set another set's normals. Refused (false) when the set
// tables do not have the model's vertex count.
bool SwitchVertexSet(CarModel& model, VertexSet chosen);

} // namespace mobrix
