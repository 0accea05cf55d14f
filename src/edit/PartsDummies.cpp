#include "PartsDummies.h"


namespace mobrix {

Name64 StoredName(std::string_view typed)
{
    Name64 field = MakeName(typed);
    if (typed.size() < field.size())
        field[typed.size()] = '\0';
    return field;
}

std::string ListedName(const Name64& name)
{
    std::string text = TrimmedName(name);
    if (const auto nul = text.find('\0'); nul != std::string::npos)
        text.resize(nul);
    return TrimmedName(text);
}

std::vector<std::string> PartListNames(const CarModel& model)
{
    std::vector<std::string> names;
    const int parts = UsablePartCount(model.Header);
    for (int p = 0; p < parts; ++p) {
        const auto slot = static_cast<std::size_t>(p);
        names.push_back(slot < model.Header.PartNames.size() ? ListedName(model.Header.PartNames[slot]) : std::string());
    }
    return names;
}

std::vector<std::string> DummyListNames(const CarModel& model)
{
    std::vector<std::string> names;
    const int dummies = UsableDummyCount(model.Header);
    for (int d = 0; d < dummies; ++d)
        names.push_back(ListedName(model.Header.DummyNames[static_cast<std::size_t>(d)]));
    return names;
}

NameCheck CheckTypedName(std::string_view typed)
{
    if (typed.size() > static_cast<std::size_t>(kNameLength))
        return NameCheck::TooLong;
    return typed.empty() ? NameCheck::Empty : NameCheck::Accepted;
}

AddRefusal CanAddPartByButton(const CarModel& model)
{
    const int parts = model.Header.NumParts;
    if (parts >= kPartLimit && model.FileFormat == ModelOrigin::Nfs3)
        return AddRefusal::TooManyParts;
    if (parts >= kPartSlots)
        return AddRefusal::NoFreePartSlot;
    return AddRefusal::None;
}

AddRefusal CanAddNamedPart(const CarModel& model)
{
    return model.Header.NumParts >= kPartLimit ? AddRefusal::TooManyParts : AddRefusal::None;
}

AddRefusal CanAddDummy(const CarModel& model)
{
    return model.Header.NumDummies >= kMaxDummies ? AddRefusal::TooManyDummies : AddRefusal::None;
}

int AddPartSlot(CarModel& model, std::string_view name)
{
    ModelHeader& h = model.Header;
    if (h.NumParts < 0 || h.NumParts >= kPartSlots)
        return -1;
    const int part = h.NumParts;
    const auto slot = static_cast<std::size_t>(part);
    ++h.NumParts;
    if (h.PartNames.size() <= slot)
        h.PartNames.resize(slot + 1, MakeName(""));
    h.PartNames[slot] = StoredName(name);
    // An empty part at the end of both tables keeps the parts tiling them.
    h.PartPos[slot] = Vec3{};
    h.PartFirstVertex[slot] = static_cast<std::int32_t>(model.Vertices.size());
    h.PartNumVertices[slot] = 0;
    h.PartFirstTriangle[slot] = static_cast<std::int32_t>(model.Triangles.size());
    h.PartNumTriangles[slot] = 0;
    return part;
}

int AddDummySlot(CarModel& model, std::string_view name)
{
    ModelHeader& h = model.Header;
    if (h.NumDummies < 0 || h.NumDummies >= kDummySlots)
        return -1;
    const int dummy = h.NumDummies++;
    h.DummyNames[static_cast<std::size_t>(dummy)] = StoredName(name);
    return dummy;
}

namespace {

void CopyPartSlot(ModelHeader& h, std::size_t to, std::size_t from)
{
    if (from < h.PartNames.size() && to < h.PartNames.size())
        h.PartNames[to] = h.PartNames[from];
    h.PartPos[to] = h.PartPos[from];
    h.PartFirstVertex[to] = h.PartFirstVertex[from];
    h.PartNumVertices[to] = h.PartNumVertices[from];
    h.PartFirstTriangle[to] = h.PartFirstTriangle[from];
    h.PartNumTriangles[to] = h.PartNumTriangles[from];
}

int DotsForVertexLoop(std::int64_t vertices)
{
    return vertices <= 0 ? 0 : static_cast<int>((vertices - 1) / 10 + 1);
}

} // namespace

PartRemoval RemovePart(CarModel& model, int part)
{
    ModelHeader& h = model.Header;
    const int parts = UsablePartCount(h);
    if (part < 0 || part >= parts)
        return {};

    const int dots = DotsForVertexLoop(PartVertexRange(model, part).size());
    // A part whose ranges leave the tables cannot give back its vertices and
    // triangles; dropping its slot alone would leave them to the parts after
    // it, so such a part stays as it is.
    if (RemovePartVertices(model, part) != MeshEditStatus::Done)
        return {};
    RemoveEmptyPartSlot(model, part);
    PartRemoval result;
    result.removed = true;
    result.progressDots = dots;
    return result;
}

void RemoveEmptyPartSlot(CarModel& model, int part)
{
    ModelHeader& h = model.Header;
    const int parts = UsablePartCount(h);
    if (part < 0 || part >= parts)
        return;
    // Every later slot moves up. Below slot 15 the slot after the last part
    // moves along too, so the unused slots hold what they always held there;
    // beyond, only the parts in use move.
    for (int k = part; k < parts; ++k) {
        const bool inUse = k + 1 < parts;
        if (k + 1 < kPartSlots && (k < kPartLimit || inUse))
            CopyPartSlot(h, static_cast<std::size_t>(k), static_cast<std::size_t>(k + 1));
    }
    h.NumParts = parts - 1;

    for (int p = 0; p < h.NumParts; ++p) {
        const auto slot = static_cast<std::size_t>(p);
        if (slot < h.PartNames.size())
            h.PartNames[slot] = MakeName(TrimmedName(h.PartNames[slot]));
    }
    if (h.NumParts > 0)
        model.CurrentPart = 0;
}

bool RemoveDummy(CarModel& model, int dummy)
{
    ModelHeader& h = model.Header;
    const int dummies = UsableDummyCount(h);
    if (dummy < 0 || dummy >= dummies)
        return false;
    // As for parts: below slot 14 the unused slot after the last dummy moves
    // along; a full table of 16 (which files may hold) moves every dummy.
    for (int k = dummy; k < dummies; ++k) {
        const bool inUse = k + 1 < dummies;
        if (k + 1 < kDummySlots && (k < kMaxDummies - 1 || inUse)) {
            h.DummyNames[static_cast<std::size_t>(k)] = h.DummyNames[static_cast<std::size_t>(k + 1)];
            h.DummyPos[static_cast<std::size_t>(k)] = h.DummyPos[static_cast<std::size_t>(k + 1)];
        }
    }
    h.NumDummies = dummies - 1;
    return true;
}

std::string PrepareRename(Name64& field)
{
    field = MakeName(TrimmedName(field));
    return ListedName(field);
}

bool ApplyRename(Name64& field, std::string_view typed, std::string_view offered)
{
    if (typed.empty() || typed == offered || typed.size() > field.size())
        return false;
    field = StoredName(typed);
    return true;
}

} // namespace mobrix
