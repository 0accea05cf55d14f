#pragma once
// Parts and dummies: adding, removing and renaming the named parts of the
// mesh and the named marker points (dummies). The window asks the user and
// shows the boxes; these functions check the limits and change the model.
//
// Names the user types are stored with one NUL after them when they are
// shorter than the 64-character field (then blank fill), so that the games
// read them as ended strings; a name of exactly 64 characters is stored as
// it is.

#include "CarModel.h"
#include "FileErrors.h"
#include "MeshEdit.h"

#include <string>
#include <string_view>
#include <vector>

namespace mobrix {

// Parts the Add button and AddNamedPart allow in a model that is saved as
// NFSIII (and in every model for AddNamedPart); dummies allowed in any model.
inline constexpr int kMaxDummies = 15;

// An NFSIV model may hold more than 15 parts, but never more than the 64
// slots of the part tables.
inline constexpr const char* kNoFreePartSlotMessage = "No more parts allowed! (max. 64)";
inline constexpr const char* kPartNameTooLongMessage = "Part name is too long! (Max. 64 characters)";
inline constexpr const char* kTooManyDummiesMessage = "No more dummies allowed! (max. 15)";
inline constexpr const char* kDummyNameTooLongMessage = "Dummy name is too long! (Max. 64 characters)";
inline constexpr const char* kNoPartsMessage = "No parts to delete!";
inline constexpr const char* kNoDummiesMessage = "No dummies to delete!";

// The field a typed name is stored in: the name, one NUL when it is shorter
// than 64 characters, then blanks. Callers refuse longer names first; a
// longer text is cut to 64 characters.
Name64 StoredName(std::string_view typed);

// A name as the part and dummy lists show it: leading and trailing blanks
// removed and nothing from the first NUL on (the end mark of a typed name,
// or the NUL padding many files use).
std::string ListedName(const Name64& name);

// The list texts of the parts 0..NumParts-1 and dummies 0..NumDummies-1.
std::vector<std::string> PartListNames(const CarModel& model);
std::vector<std::string> DummyListNames(const CarModel& model);

enum class NameCheck { Accepted, Empty, TooLong };
NameCheck CheckTypedName(std::string_view typed);

// Why a part or dummy cannot be added at all, before any name is asked for.
enum class AddRefusal { None, TooManyParts, NoFreePartSlot, TooManyDummies };

// The Add button: at most 15 parts in a model from an NFSIII file or a new
// model, at most 64 (the table slots) in any model.
AddRefusal CanAddPartByButton(const CarModel& model);
// AddNamedPart: at most 15 parts in every model.
AddRefusal CanAddNamedPart(const CarModel& model);
AddRefusal CanAddDummy(const CarModel& model);

// Brings the next part slot into use with the name (NUL rule) and returns
// its index. The new part is empty: it starts at the end of the vertex and
// triangle tables, at position (0, 0, 0). Does nothing and returns -1 when
// no slot is left.
int AddPartSlot(CarModel& model, std::string_view name);

// Brings the next dummy slot into use with the name (NUL rule); its position
// is whatever the slot held. Returns the index, or -1 when no slot is left.
int AddDummySlot(CarModel& model, std::string_view name);

inline constexpr const char* kPartOutsideModelMessage =
    "The part's vertex or triangle range lies outside the model, so the part cannot be removed.";

struct PartRemoval {
    bool removed = false;
    // "." marks the removal loop leaves in the status line: one for every
    // part-relative vertex index that is a multiple of 10.
    int progressDots = 0;
};

// Removes the part: its vertices and triangles leave the tables, the later
// parts move up one slot (all of them, also beyond slot 15) with their first
// indices lowered by the removed counts, NumParts drops by one, and the
// remaining names are stored back trimmed of blanks. CurrentPart becomes 0
// when parts are left and keeps its value otherwise. A part whose vertex or
// triangle range leaves the tables (or a model whose tables do not match
// its counts) is refused: nothing changes and `removed` is false.
PartRemoval RemovePart(CarModel& model, int part);

// The slot work of RemovePart alone, for a part that holds no vertices and
// no triangles any more: the later slots move up, NumParts drops by one,
// the names are stored back trimmed, CurrentPart becomes 0 when parts are
// left.
void RemoveEmptyPartSlot(CarModel& model, int part);

// Removes the dummy; the later dummies move down one slot. CurrentDummy is
// not changed (the window selects the first entry afterwards).
bool RemoveDummy(CarModel& model, int dummy);

// Renaming: the stored name is first trimmed of blanks and stored back; the
// returned text is what the input box offers and what "unchanged" means.
std::string PrepareRename(Name64& field);

// Stores `typed` (NUL rule) unless it is empty or equal to `offered`.
// Returns whether the name changed. Callers refuse names over 64 characters.
bool ApplyRename(Name64& field, std::string_view typed, std::string_view offered);

} // namespace mobrix
