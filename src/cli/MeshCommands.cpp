// mesh: Mobrix's mesh transforms, clean-up, part copying, fusing and damage.

#include "MeshCommands.h"

#include "CleanUp.h"
#include "CliCommon.h"
#include "Damage.h"
#include "Transforms.h"
#include "VertexEditor.h"

#include <array>
#include <cerrno>
#include <cstdint>
#include <cstdlib>

namespace mobrix::cli {

namespace {

const char* const kMeshHelp =
    "Usage: fcetool mesh [--nfs3|--nfs4|--fce4m] IN OUT OPERATION [ARGUMENTS] [--part P]...\n"
    "\n"
    "Reads the model IN, applies one of Mobrix's mesh commands and saves the\n"
    "result as OUT in the variant of IN. P is a 1-based part number or a part\n"
    "name as the part list shows it; --part may repeat (the selected parts, the\n"
    "first of them the current part). Without --part the first part is used.\n"
    "\n"
    "Operations:\n"
    "  swap-xy, swap-xz, swap-yz     exchange two axes of the whole model\n"
    "  rotate                        the same as swap-yz\n"
    "  mirror-x, mirror-y, mirror-z  negate one axis of the part\n"
    "  rescale X Y Z                 scale every --part by X, Y, Z percent (0 to 200)\n"
    "  centre                        centre the part on its origin; prints the box\n"
    "  centre-all                    centre all parts together; prints the box\n"
    "  reverse-winding               reverse the corner order of every triangle\n"
    "  remove-duplicate-polys        remove repeated triangles of the part\n"
    "  remove-unnecessary-verts      merge coincident vertices of the part and\n"
    "                                remove unused ones; prints the final status\n"
    "  copy-part FROM TO             copy the mesh of part FROM over part TO\n"
    "                                (parts of the same size only)\n"
    "  fuse                          fuse every --part after the first into the first\n"
    "  create-damage [--seed N]      scatter the part's damaged positions (NFSIV);\n"
    "                                N (0 to 2^64-1) repeats a run, else the clock\n"
    "  reset-damage                  put the part's undamaged positions back (NFSIV)\n"
    "\n"
    "Options:\n"
    "  --part P   a part to work on (may repeat)\n"
    "  --nfs3     read IN as an NFSIII model\n"
    "  --nfs4     read IN as an NFSIV model\n"
    "  --help     show this help\n";

// The parts an operation works on.
enum class PartUse {
    None, // the whole model (or parts named in its own arguments)
    One,  // the current part
    Many, // the selected parts
};

struct MeshRequest {
    std::vector<int> parts;              // resolved --part values, or the first part
    std::vector<std::string> arguments;  // the operation's own arguments
    std::map<std::string, std::string> options;
};

// What an operation ends with: lines for standard output, or a refusal
// (exit 1, nothing written; the command names the model), or bad arguments
// (exit 2).
using MeshOutcome = Result<std::vector<std::string>>;

MeshOutcome Printed(std::vector<std::string> lines = {})
{
    return lines;
}

MeshOutcome FromStatus(MeshToolStatus status, std::vector<std::string> lines = {})
{
    if (status == MeshToolStatus::NoSuchPart)
        return Refused(kPartNotEditableMessage);
    return Printed(std::move(lines));
}

struct MeshOperation {
    int arguments = 0;
    PartUse parts = PartUse::None;
    std::set<std::string> options; // valued options of its own
    std::function<MeshOutcome(CarModel&, const MeshRequest&)> run;
};

// A percentage as the rescale dialog's bars give it: a whole number 0..200.
std::optional<int> BarPercent(const std::string& text)
{
    if (text.empty() || text.size() > 3 || text.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    const int value = std::stoi(text);
    return value <= 200 ? std::optional<int>(value) : std::nullopt;
}

MeshOutcome RescaleOperation(CarModel& model, const MeshRequest& r)
{
    std::array<int, 3> percent{};
    for (std::size_t i = 0; i < 3; ++i) {
        const std::optional<int> value = BarPercent(r.arguments[i]);
        if (!value)
            return BadUsage("rescale takes whole percentages from 0 to 200, not '" + r.arguments[i] + "'");
        percent[i] = *value;
    }
    return FromStatus(RescaleParts(model, r.parts, {percent[0], percent[1], percent[2]}).status);
}

MeshOutcome CentreOutcome(const CentreResult& result)
{
    return FromStatus(result.status, result.messageLines);
}

MeshOutcome CopyPartOperation(CarModel& model, const MeshRequest& r)
{
    std::array<int, 2> parts{};
    for (std::size_t i = 0; i < 2; ++i) {
        const std::optional<int> part = FindPart(model, r.arguments[i]);
        if (!part)
            return BadUsage("the model has no part '" + r.arguments[i] + "'");
        parts[i] = *part;
    }
    const CopyPartResult result = CopyPart(model, parts[0], parts[1]);
    if (result.status == MeshToolStatus::SizeMismatch)
        return Refused(result.message);
    return FromStatus(result.status);
}

MeshOutcome DamageOutcome(DamageStatus status)
{
    if (const char* refusal = DamageRefusalText(status))
        return Refused(refusal);
    return Printed();
}

// A seed as a whole decimal number that fits in 64 bits.
std::optional<std::uint64_t> Seed(const std::string& text)
{
    if (text.empty() || text.size() > 20 || text.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    errno = 0;
    const unsigned long long value = std::strtoull(text.c_str(), nullptr, 10);
    if (errno == ERANGE)
        return std::nullopt;
    return static_cast<std::uint64_t>(value);
}

MeshOutcome CreateDamageOperation(CarModel& model, const MeshRequest& r)
{
    const auto seedOption = r.options.find("--seed");
    std::optional<DamageRandom> random;
    if (seedOption == r.options.end()) {
        random = DamageRandom::FromClock();
    } else if (const std::optional<std::uint64_t> seed = Seed(seedOption->second)) {
        random.emplace(*seed);
    } else {
        return BadUsage("--seed takes a whole number from 0 to 18446744073709551615, not '" + seedOption->second +
                        "'");
    }
    return DamageOutcome(CreateDamage(model, r.parts[0], *random));
}

const std::map<std::string, MeshOperation>& MeshOperations()
{
    using R = const MeshRequest&;
    auto swap = [](AxisPair pair) {
        return MeshOperation{0, PartUse::None, {}, [pair](CarModel& m, R) { return FromStatus(SwapAxes(m, pair).status); }};
    };
    auto mirror = [](Axis axis) {
        return MeshOperation{0, PartUse::One, {}, [axis](CarModel& m, R r) {
                                 return FromStatus(MirrorPart(m, r.parts[0], axis).status);
                             }};
    };
    static const std::map<std::string, MeshOperation> operations = {
        {"swap-xy", swap(AxisPair::XY)},
        {"swap-xz", swap(AxisPair::XZ)},
        {"swap-yz", swap(AxisPair::YZ)},
        {"rotate", {0, PartUse::None, {}, [](CarModel& m, R) { return FromStatus(RotateMesh(m).status); }}},
        {"mirror-x", mirror(Axis::X)},
        {"mirror-y", mirror(Axis::Y)},
        {"mirror-z", mirror(Axis::Z)},
        {"rescale", {3, PartUse::Many, {}, RescaleOperation}},
        {"centre", {0, PartUse::One, {}, [](CarModel& m, R r) { return CentreOutcome(CentrePart(m, r.parts[0])); }}},
        {"centre-all", {0, PartUse::None, {}, [](CarModel& m, R) { return CentreOutcome(CentreAllParts(m)); }}},
        {"reverse-winding",
         {0, PartUse::None, {}, [](CarModel& m, R) { return FromStatus(ReverseWindingOrder(m).status); }}},
        {"remove-duplicate-polys",
         {0, PartUse::One, {}, [](CarModel& m, R r) { return FromStatus(RemoveDuplicatePolys(m, r.parts[0]).status); }}},
        {"remove-unnecessary-verts", {0, PartUse::One, {}, [](CarModel& m, R r) {
                                          const CleanUpResult result = RemoveUnnecessaryVerts(m, r.parts[0]);
                                          return FromStatus(result.status, {result.statusText});
                                      }}},
        {"copy-part", {2, PartUse::None, {}, CopyPartOperation}},
        {"fuse", {0, PartUse::Many, {}, [](CarModel& m, R r) { return FromStatus(FuseParts(m, r.parts[0], r.parts).status); }}},
        {"create-damage", {0, PartUse::One, {"--seed"}, CreateDamageOperation}},
        {"reset-damage", {0, PartUse::One, {}, [](CarModel& m, R r) { return DamageOutcome(ResetDamage(m, r.parts[0])); }}},
    };
    return operations;
}

// The valued options of all operations.
std::set<std::string> OperationOptions()
{
    std::set<std::string> valued;
    for (const auto& [name, operation] : MeshOperations())
        valued.insert(operation.options.begin(), operation.options.end());
    return valued;
}

// Takes every `--part P` and `--part=P` out of the arguments (before a `--`).
Result<CommandArgs> TakePartOptions(const CommandArgs& args, std::vector<std::string>& parts)
{
    CommandArgs rest;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        optionsEnded = optionsEnded || arg == "--";
        if (optionsEnded || (arg != "--part" && arg.rfind("--part=", 0) != 0)) {
            rest.push_back(arg);
        } else if (arg != "--part") {
            parts.push_back(arg.substr(7));
        } else if (i + 1 < args.size()) {
            parts.push_back(args[++i]);
        } else {
            return BadUsage("option --part needs a value");
        }
    }
    return rest;
}

// The parts named by --part, or the first part when none is named.
Result<std::vector<int>> ResolveParts(const CarModel& model, const std::vector<std::string>& names,
                                      const std::string& operation, PartUse use)
{
    if (use == PartUse::None) {
        if (!names.empty())
            return BadUsage(operation + " takes no --part");
        return std::vector<int>{};
    }
    if (use == PartUse::One && names.size() > 1)
        return BadUsage(operation + " works on one part; give --part once");
    if (names.empty()) {
        if (UsablePartCount(model.Header) == 0)
            return Refused("the model has no parts");
        return std::vector<int>{0};
    }
    std::vector<int> parts;
    for (const std::string& name : names) {
        const std::optional<int> part = FindPart(model, name);
        if (!part)
            return BadUsage("the model has no part '" + name + "'");
        parts.push_back(*part);
    }
    return parts;
}

// The operation named after IN and OUT, checked against its arguments and
// options before the model is read.
Result<const MeshOperation*> ChosenOperation(const Arguments& a, const std::set<std::string>& valued)
{
    if (a.files.size() < 3)
        return BadUsage("mesh takes IN, OUT and an operation");
    const std::string& name = a.files[2];
    const auto found = MeshOperations().find(name);
    if (found == MeshOperations().end())
        return BadUsage("unknown mesh operation '" + name + "'");
    const MeshOperation& operation = found->second;
    if (a.files.size() != 3 + static_cast<std::size_t>(operation.arguments))
        return BadUsage(name + " takes " + std::to_string(operation.arguments) + " arguments");
    for (const auto& [option, value] : a.options) {
        if (valued.count(option) && !operation.options.count(option))
            return BadUsage(name + " takes no " + option);
    }
    return &operation;
}

// A refusal of an operation names the model it was refused on.
Failure OnModel(Failure failure, const std::string& path)
{
    if (failure.kind == Failure::Kind::Refused)
        failure.message = path + ": " + failure.message;
    return failure;
}

} // namespace

int MeshCommand(const CommandArgs& args)
{
    std::vector<std::string> partNames;
    const Result<CommandArgs> rest = TakePartOptions(args, partNames);
    if (!rest)
        return Report(rest.failure(), "mesh");
    const std::set<std::string> valued = OperationOptions();
    return RunCommand(*rest, {"mesh", kMeshHelp, std::nullopt, kVariantFlags, valued}, [&](const Arguments& a) {
        const Result<const MeshOperation*> operation = ChosenOperation(a, valued);
        if (!operation)
            return Outcome(operation.failure());
        return EditModel(a, a.files[1], [&](CarModel& model) -> Outcome {
            const MeshOperation& chosen = **operation;
            const Result<std::vector<int>> parts = ResolveParts(model, partNames, a.files[2], chosen.parts);
            const MeshOutcome outcome =
                parts ? chosen.run(model, {*parts, {a.files.begin() + 3, a.files.end()}, a.options}) : parts.failure();
            if (!outcome)
                return OnModel(outcome.failure(), a.files[0]);
            PrintLines(*outcome); // the model is saved also when standard output is closed
            return std::nullopt;
        });
    });
}

} // namespace mobrix::cli
