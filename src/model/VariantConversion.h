#pragma once
// Conversions of a model between the three FCE variants, and the part names
// each variant gives the parts of a car.

#include "CarModel.h"
#include "FceFiles.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace mobrix {

// The variant a model holds the tables of: FCE4M, NFSIV, or NFSIII (a model
// from NFSIII or 3DS).
FceVariant VariantOfModel(const CarModel& model);

// Whether the model holds FCE4M bytes that are not zero: what an NFSIV or
// NFSIII file cannot keep of an FCE4M model.
bool HoldsFce4mOnlyData(const CarModel& model);

// Makes the model hold what a file of `to` keeps, as saving it in that
// variant and reading the file back would give; nothing when it already is
// a model of `to`.
//  - To NFSIII: the working set stays; the NFSIV vertex sets, flags and
//    reserved blocks and the FCE4M bytes are dropped. A model converted from
//    3DS first loses what an NFSIII save drops (see PrepareForSave).
//  - To NFSIV or FCE4M from NFSIII or 3DS: the working set becomes all three
//    vertex sets, with flags 4 and zeroed reserved blocks (as PrepareForSave).
//  - To FCE4M from NFSIV: the extra per-vertex bytes are created as zeros.
//  - From FCE4M to NFSIV or NFSIII: the extra bytes are dropped.
// Everything else travels as it is: the colour count, which means nothing
// in FCE4M, the triangle flags (FCE4M uses 0x1000 as well) and the texture
// pages (which name damage textures in FCE4M), so that NFSIV -> FCE4M ->
// NFSIV gives the same file. The undo history is the caller's: this is one
// step.
void ConvertToVariant(CarModel& model, FceVariant to);

// What a part is on the car, by the naming conventions of the variants.
enum class PartRole {
    HighBody,
    LeftFrontWheel,
    RightFrontWheel,
    LeftRearWheel,
    RightRearWheel,
    MediumBody,
    MediumRightFrontWheel,
    MediumLeftFrontWheel,
    MediumRightRearWheel,
    MediumLeftRearWheel,
    SmallBody,
    TinyBody,
    Headlights,
    ConvertibleTop,
    Spoiler,
    LeftBrakeLight,
    RightBrakeLight,
    LeftMirror,
    RightMirror,
    Interior,
    DashboardLight,
    Driver,
};

// The role of part `part` (0-based) of a model of `variant`: by position in
// NFSIII, by name (blanks and what follows a NUL ignored, letters in any
// case) in the other two. None when the part has no known role.
std::optional<PartRole> RoleOfPart(const CarModel& model, int part, FceVariant variant);

// The first part of the model with that role, if any.
std::optional<int> FindPartWithRole(const CarModel& model, PartRole role, FceVariant variant);

// The name `variant` gives a role; empty when it has none (NFSIII names
// parts by position only).
std::string_view PartNameOf(PartRole role, FceVariant variant);

// The new names RenamePartsForVariant would give, part by part (0-based),
// without touching the model: only the names that change.
struct PartRename {
    int part = 0;
    Name64 name{};
};
std::vector<PartRename> PartRenamesForVariant(const CarModel& model, FceVariant from, FceVariant to);

// Renames every part whose role, read by the conventions of `from`, has a
// name in `to`; the others keep their names. Returns how many names changed.
int RenamePartsForVariant(CarModel& model, FceVariant from, FceVariant to);

} // namespace mobrix
