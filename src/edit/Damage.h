#pragma once
// "Create Damage" and "Reset Damage": scattering one part's damaged vertex
// positions by a small random amount, and putting its undamaged positions
// back. Both work on the NFSIV vertex sets and keep the working set in step
// when the damaged set is the one shown.
//
// Tables touched, all within the part's vertex range only:
//  - Vertices and Normals are read (and, when the damaged set is shown,
//    Vertices is written);
//  - the vertex and normal tables of the shown set (ActiveVertexSet) take
//    the working set's entries first, so that edits made in the views count;
//  - DamagedVerts is written.
// Nothing else of the model changes, and a refused call changes nothing.

#include "CarModel.h"

#include <cstdint>
#include <random>

namespace mobrix {

// Shown when the model has no damaged and undamaged sets to work on.
inline constexpr const char* kDamageNeedsNfs4Message =
    "Damage needs an NFSIV model. Save the model as an NFSIV FCE file first; that gives it a damaged vertex set.";

// Where a damage coordinate may move in one Create Damage: at least
// -1/16 and less than +1/16.
inline constexpr double kDamageReach = 1.0 / 16.0;

// A seedable source of uniform numbers in [0, 1). The program holds one,
// seeded once at start-up, so that repeated commands continue one sequence;
// the command-line tool seeds it from --seed for repeatable runs. The
// sequence for a seed is the same on every platform.
class DamageRandom {
public:
    explicit DamageRandom(std::uint64_t seed) : engine_(seed) {}
    // Seeded from the clock and the system's random device.
    static DamageRandom FromClock();

    // The next number, uniform in [0, 1): 53 random bits scaled down, so
    // 1 itself is never returned.
    double Next();

private:
    std::mt19937_64 engine_;
};

enum class DamageStatus {
    Done,
    NoNfs4Sets,      // the model did not come from (or was never saved as) an NFSIV file
    PartNotEditable, // no such part, or its range reaches past one of the tables it needs
};

// The message the window shows for a refusal (nullptr for Done).
const char* DamageRefusalText(DamageStatus status);

// True when the model carries the NFSIV vertex sets that damage works on.
bool HasDamageSets(const CarModel& model);

// One damaged coordinate moved by r / 8 - 1 / 16 as Create Damage does it
// (below), for a number r from [0, 1).
float ScatteredCoordinate(float coordinate, double r);

// Create Damage on `part`: for each of its vertices in index order, and for
// X, then Y, then Z, one number r is drawn and r / 8 - 1 / 16 is added to
// the damaged coordinate in extended precision; the sum is stored as a
// 32-bit float. Where that rounding would put the coordinate 1/16 or more
// above (or more than 1/16 below) where it was, the next float towards its
// old value is stored instead, so every move stays inside [-1/16, +1/16).
// Three numbers are drawn per vertex; none when the call is refused.
DamageStatus CreateDamage(CarModel& model, int part, DamageRandom& random);

// Reset Damage on `part`: each damaged vertex of the part takes its
// undamaged position. When the undamaged set is the one shown, the
// positions are those of the working set as the user has edited them.
DamageStatus ResetDamage(CarModel& model, int part);

} // namespace mobrix
