#include "Damage.h"

#include "VertexEditor.h"

#include <chrono>
#include <cmath>
#include <optional>

namespace mobrix {

DamageRandom DamageRandom::FromClock()
{
    const auto ticks = static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    std::random_device device;
    return DamageRandom(ticks ^ (std::uint64_t{device()} << 32));
}

double DamageRandom::Next()
{
    return static_cast<double>(engine_() >> 11) * 0x1.0p-53;
}

const char* DamageRefusalText(DamageStatus status)
{
    switch (status) {
    case DamageStatus::NoNfs4Sets: return kDamageNeedsNfs4Message;
    case DamageStatus::PartNotEditable: return kPartNotEditableMessage;
    case DamageStatus::Done: break;
    }
    return nullptr;
}

bool HasDamageSets(const CarModel& model)
{
    return HoldsNfs4Tables(model);
}

namespace {

// The part's vertex range when every table the damage commands read or
// write reaches over it.
std::optional<IndexRange> DamageRange(CarModel& model, int part)
{
    const IndexRange range = PartVertexRange(model, part);
    if (range.size() == 0 && (part < 0 || part >= UsablePartCount(model.Header) ||
                              model.Header.PartNumVertices[static_cast<std::size_t>(part)] != 0))
        return std::nullopt;
    const auto reaches = [&](const std::vector<Vec3>& table) {
        return static_cast<std::int64_t>(table.size()) >= range.end;
    };
    if (!reaches(model.Normals) || !reaches(model.NormalVerts) || !reaches(model.DamagedVerts) ||
        !reaches(SetVertices(model, model.ActiveVertexSet)) || !reaches(SetNormals(model, model.ActiveVertexSet)))
        return std::nullopt;
    return range;
}

// The shown set takes the working set's entries, so that positions edited
// in the views are the ones the commands start from.
void SyncShownSet(CarModel& model, IndexRange range)
{
    std::vector<Vec3>& verts = SetVertices(model, model.ActiveVertexSet);
    std::vector<Vec3>& norms = SetNormals(model, model.ActiveVertexSet);
    for (std::int64_t i = range.begin; i < range.end; ++i) {
        const auto k = static_cast<std::size_t>(i);
        verts[k] = model.Vertices[k];
        norms[k] = model.Normals[k];
    }
}

void ShowDamagedWhenShown(CarModel& model, IndexRange range)
{
    if (model.ActiveVertexSet != VertexSet::Damaged)
        return;
    for (std::int64_t i = range.begin; i < range.end; ++i)
        model.Vertices[static_cast<std::size_t>(i)] = model.DamagedVerts[static_cast<std::size_t>(i)];
}

} // namespace

float ScatteredCoordinate(float coordinate, double r)
{
    const long double sum = static_cast<long double>(r) / 8.0L - 1.0L / 16.0L + static_cast<long double>(coordinate);
    float stored = static_cast<float>(sum);
    const auto moved = [&] { return static_cast<long double>(stored) - static_cast<long double>(coordinate); };
    while (moved() >= static_cast<long double>(kDamageReach))
        stored = std::nextafter(stored, coordinate);
    while (moved() < -static_cast<long double>(kDamageReach))
        stored = std::nextafter(stored, coordinate);
    return stored;
}

namespace {

template <class Change>
DamageStatus ChangeDamagedSet(CarModel& model, int part, Change&& change)
{
    if (!HasDamageSets(model))
        return DamageStatus::NoNfs4Sets;
    const std::optional<IndexRange> range = DamageRange(model, part);
    if (!range)
        return DamageStatus::PartNotEditable;
    SyncShownSet(model, *range);
    for (std::int64_t i = range->begin; i < range->end; ++i)
        change(static_cast<std::size_t>(i));
    ShowDamagedWhenShown(model, *range);
    return DamageStatus::Done;
}

} // namespace

DamageStatus CreateDamage(CarModel& model, int part, DamageRandom& random)
{
    return ChangeDamagedSet(model, part, [&](std::size_t i) {
        Vec3& v = model.DamagedVerts[i];
        v.X = ScatteredCoordinate(v.X, random.Next());
        v.Y = ScatteredCoordinate(v.Y, random.Next());
        v.Z = ScatteredCoordinate(v.Z, random.Next());
    });
}

DamageStatus ResetDamage(CarModel& model, int part)
{
    return ChangeDamagedSet(model, part, [&](std::size_t i) { model.DamagedVerts[i] = model.NormalVerts[i]; });
}

} // namespace mobrix
