#include "VariantConversion.h"

#include "FceCodec.h"

#include <algorithm>
#include <cctype>

namespace mobrix {

FceVariant VariantOfModel(const CarModel& model)
{
    switch (model.FileFormat) {
    case ModelOrigin::Nfs4: return FceVariant::Nfs4;
    case ModelOrigin::Fce4m: return FceVariant::Fce4m;
    case ModelOrigin::Nfs3:
    case ModelOrigin::From3ds: break;
    }
    return FceVariant::Nfs3;
}

bool HoldsFce4mOnlyData(const CarModel& model)
{
    return HoldsFce4mTables(model) &&
           std::any_of(model.VertReservedC.begin(), model.VertReservedC.end(),
                       [](const ReservedByte& b) { return b != ReservedByte{}; });
}

void ConvertToVariant(CarModel& model, FceVariant to)
{
    const FceVariant from = VariantOfModel(model);
    if (from == to && model.FileFormat != ModelOrigin::From3ds)
        return;
    if (from == FceVariant::Fce4m)
        model.VertReservedC.clear();
    switch (to) {
    case FceVariant::Nfs3:
        codec::PrepareNfs3Save(model);
        ClearNfs4Tables(model);
        model.FileFormat = ModelOrigin::Nfs3;
        return;
    case FceVariant::Nfs4:
    case FceVariant::Fce4m:
        codec::PrepareNfs4Save(model, to);
        model.FileFormat = to == FceVariant::Fce4m ? ModelOrigin::Fce4m : ModelOrigin::Nfs4;
        return;
    }
}

namespace {

struct RoleNames {
    PartRole role;
    int nfs3Position; // 1-based; 0 when NFSIII has no such part
    std::string_view nfs4;
    std::string_view fce4m;
};

constexpr RoleNames kRoles[] = {
    {PartRole::HighBody, 1, ":HB", ":Hbody"},
    {PartRole::LeftFrontWheel, 2, ":HLFW", ":PPLFwheel"},
    {PartRole::RightFrontWheel, 3, ":HRFW", ":PPRFwheel"},
    {PartRole::LeftRearWheel, 4, ":HLRW", ":PPLRwheel"},
    {PartRole::RightRearWheel, 5, ":HRRW", ":PPRRwheel"},
    {PartRole::MediumBody, 6, ":MB", ""},
    {PartRole::MediumRightFrontWheel, 7, ":MRFW", ""},
    {PartRole::MediumLeftFrontWheel, 8, ":MLFW", ""},
    {PartRole::MediumRightRearWheel, 9, ":MRRW", ""},
    {PartRole::MediumLeftRearWheel, 10, ":MLRW", ""},
    {PartRole::SmallBody, 11, ":LB", ""},
    {PartRole::TinyBody, 12, ":TB", ""},
    {PartRole::Headlights, 13, ":OL", ":Hheadlight"},
    {PartRole::ConvertibleTop, 0, ":OT", ":Hconvertible"},
    {PartRole::Spoiler, 0, ":OS", ":PPspoiler"},
    {PartRole::LeftBrakeLight, 0, ":OLB", ":Hlbrake"},
    {PartRole::RightBrakeLight, 0, ":ORB", ":Hrbrake"},
    {PartRole::LeftMirror, 0, ":OLM", ":Hlmirror"},
    {PartRole::RightMirror, 0, ":ORM", ":Hrmirror"},
    {PartRole::Interior, 0, ":OC", ":Hinterior"},
    {PartRole::DashboardLight, 0, ":ODL", ":Hdashlight"},
    {PartRole::Driver, 0, ":OD", ":PPdriver"},
};

// The name as the games compare it: up to the first NUL, without blanks
// around it.
std::string ComparableName(const Name64& name)
{
    const auto end = std::find(name.begin(), name.end(), '\0');
    return TrimmedName(std::span<const char>(name.begin(), end));
}

bool SameLetters(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

std::string_view NameIn(const RoleNames& entry, FceVariant variant)
{
    switch (variant) {
    case FceVariant::Nfs4: return entry.nfs4;
    case FceVariant::Fce4m: return entry.fce4m;
    case FceVariant::Nfs3: break;
    }
    return {};
}

} // namespace

std::optional<PartRole> RoleOfPart(const CarModel& model, int part, FceVariant variant)
{
    if (part < 0 || part >= UsablePartCount(model.Header))
        return std::nullopt;
    if (variant == FceVariant::Nfs3) {
        for (const RoleNames& entry : kRoles) {
            if (entry.nfs3Position == part + 1)
                return entry.role;
        }
        return std::nullopt;
    }
    const auto slot = static_cast<std::size_t>(part);
    if (slot >= model.Header.PartNames.size())
        return std::nullopt;
    const std::string name = ComparableName(model.Header.PartNames[slot]);
    for (const RoleNames& entry : kRoles) {
        if (const std::string_view known = NameIn(entry, variant); !known.empty() && SameLetters(name, known))
            return entry.role;
    }
    return std::nullopt;
}

std::optional<int> FindPartWithRole(const CarModel& model, PartRole role, FceVariant variant)
{
    const int parts = UsablePartCount(model.Header);
    for (int p = 0; p < parts; ++p) {
        if (RoleOfPart(model, p, variant) == role)
            return p;
    }
    return std::nullopt;
}

std::string_view PartNameOf(PartRole role, FceVariant variant)
{
    for (const RoleNames& entry : kRoles) {
        if (entry.role == role)
            return NameIn(entry, variant);
    }
    return {};
}

std::vector<PartRename> PartRenamesForVariant(const CarModel& model, FceVariant from, FceVariant to)
{
    std::vector<PartRename> renames;
    const int parts = UsablePartCount(model.Header);
    for (int p = 0; p < parts; ++p) {
        const std::optional<PartRole> role = RoleOfPart(model, p, from);
        if (!role)
            continue;
        const std::string_view name = PartNameOf(*role, to);
        if (name.empty())
            continue;
        const Name64 renamedTo = MakeName(name);
        const auto slot = static_cast<std::size_t>(p);
        if (slot >= model.Header.PartNames.size() || model.Header.PartNames[slot] != renamedTo)
            renames.push_back({p, renamedTo});
    }
    return renames;
}

int RenamePartsForVariant(CarModel& model, FceVariant from, FceVariant to)
{
    const std::vector<PartRename> renames = PartRenamesForVariant(model, from, to);
    codec::EnsurePartNameSlots(model.Header, UsablePartCount(model.Header));
    for (const PartRename& r : renames)
        model.Header.PartNames[static_cast<std::size_t>(r.part)] = r.name;
    return static_cast<int>(renames.size());
}

} // namespace mobrix
