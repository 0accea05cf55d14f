// info and convert: the model as a whole.

#include "ModelCommands.h"

#include "CliCommon.h"
#include "FileInfoReport.h"

namespace mobrix::cli {

namespace {

const char* const kInfoHelp =
    "Usage: fcetool info [--nfs3|--nfs4] FILE\n"
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
    "Usage: fcetool convert [--nfs3|--nfs4] IN OUT --to nfs3|nfs4\n"
    "\n"
    "Reads the model IN and saves it as OUT in the chosen FCE variant, exactly\n"
    "as opening it in Mobrix and choosing Save As would. The variant of IN is\n"
    "detected by the NFSIV magic number unless an option names it.\n"
    "IN and OUT may name car archives or their entries (car.viv, car.viv:car.fce):\n"
    "written into an archive, the model keeps the archive's other entries.\n"
    "\n"
    "Options:\n"
    "  --to nfs3|nfs4   the variant to write (required)\n"
    "  --nfs3           read IN as an NFSIII model\n"
    "  --nfs4           read IN as an NFSIV model\n"
    "  --help           show this help\n";

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
    return RunCommand(args, {"convert", kConvertHelp, 2, kVariantFlags, {"--to"}}, [](const Arguments& a) -> Outcome {
        if (!a.Has("--to"))
            return BadUsage("convert needs --to nfs3 or --to nfs4");
        const std::string to = a.Value("--to").value_or(std::string());
        if (to != "nfs3" && to != "nfs4")
            return BadUsage("--to takes nfs3 or nfs4, not '" + to + "'");
        Result<LoadedModel> in = LoadModelArg(a, a.files[0]);
        if (!in)
            return in.failure();
        return SaveModelArg(in->model, a.files[1], to == "nfs4" ? FceVariant::Nfs4 : FceVariant::Nfs3, &*in);
    });
}

} // namespace mobrix::cli
