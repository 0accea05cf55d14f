// info and convert: the model as a whole.

#include "ModelCommands.h"

#include "CliCommon.h"
#include "FileInfoReport.h"
#include "VariantConversion.h"

namespace mobrix::cli {

namespace {

const char* const kInfoHelp =
    "Usage: fcetool info [--nfs3|--nfs4|--fce4m] FILE\n"
    "\n"
    "Prints the file information report of an FCE model, one line per line.\n"
    "FILE may be a car archive (car.viv) or an entry of one (car.viv:car.fce).\n"
    "The variant is detected by the NFSIV magic number unless an option names it.\n"
    "\n"
    "Options:\n"
    "  --nfs3   read FILE as an NFSIII model\n"
    "  --nfs4   read FILE as an NFSIV model\n"
    "  --help   show this help\n";

const char* const kConvertHelp =
    "Usage: fcetool convert [--nfs3|--nfs4|--fce4m] IN OUT --to nfs3|nfs4|fce4m [--rename-parts]\n"
    "\n"
    "Reads the model IN and saves it as OUT in the chosen FCE variant, exactly\n"
    "as opening it in Mobrix and choosing Save As would. The variant of IN is\n"
    "detected by its version word and size unless an option names it.\n"
    "IN and OUT may name car archives or their entries (car.viv, car.viv:car.fce):\n"
    "written into an archive, the model keeps the archive's other entries.\n"
    "\n"
    "Options:\n"
    "  --to nfs3|nfs4|fce4m   the variant to write (required)\n"
    "  --rename-parts         rename the parts by the naming convention of the\n"
    "                         variant written (the high body, wheels, lights ...)\n"
    "  --nfs3                 read IN as an NFSIII model\n"
    "  --nfs4                 read IN as an NFSIV model\n"
    "  --fce4m                read IN as an FCE4M model\n"
    "  --help                 show this help\n";

} // namespace

int InfoCommand(const CommandArgs& args)
{
    return RunCommand(args, {"info", kInfoHelp, 1, kVariantFlags, {}}, [](const Arguments& a) {
        return WithModel(a, [&](const CarModel& model) -> Outcome {
            if (!PrintLines(FileInfoReport(model, a.files[0])))
                return Refused("could not write the report");
            return std::nullopt;
        });
    });
}

int ConvertCommand(const CommandArgs& args)
{
    std::set<std::string> flags = kVariantFlags;
    flags.insert("--rename-parts");
    return RunCommand(args, {"convert", kConvertHelp, 2, flags, {"--to"}}, [](const Arguments& a) -> Outcome {
        if (!a.Has("--to"))
            return BadUsage("convert needs --to nfs3, --to nfs4 or --to fce4m");
        const Result<FceVariant> target = TargetVariant(a);
        if (!target)
            return target.failure();
        // An NFSIII file keeps none of the NFSIV tables, so they are not
        // held while a big model is converted.
        const KeptTables kept = *target == FceVariant::Nfs3 ? KeptTables::Nfs3 : KeptTables::All;
        Result<LoadedModel> in = LoadModelArg(a, a.files[0], kept);
        if (!in)
            return in.failure();
        // The save itself turns NFSIII and NFSIV into each other; the third
        // variant's tables are made or dropped here.
        if (in->variant == FceVariant::Fce4m || *target == FceVariant::Fce4m)
            ConvertToVariant(in->model, *target);
        if (a.Has("--rename-parts"))
            RenamePartsForVariant(in->model, in->variant, *target);
        return SaveModelArg(in->model, a.files[1], *target, &*in);
    });
}

} // namespace mobrix::cli
