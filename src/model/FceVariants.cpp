// What Open, Save and Save As do with the variants: choosing the reader,
// preparing the model and choosing the writer.

#include "FceCodec.h"
#include "FceFiles.h"
#include "FileIO.h"

namespace mobrix {

FceVariant DetectVariant(const std::string& path)
{
    return HasNfs4Magic(ReadFileHead(path, kFce4Magic.size())) ? FceVariant::Nfs4 : FceVariant::Nfs3;
}

LoadStatus OpenFCE(CarModel& model, const std::string& path, FceVariant variant)
{
    return variant == FceVariant::Nfs4 ? LoadFCE4(model, path) : LoadFCE(model, path);
}

void PrepareForSave(CarModel& model, FceVariant variant)
{
    if (variant == FceVariant::Nfs4)
        codec::PrepareNfs4Save(model);
    else
        codec::PrepareNfs3Save(model);
}

SaveStatus SaveFCEAs(const CarModel& model, const std::string& path, FceVariant variant)
{
    return variant == FceVariant::Nfs4 ? SaveFCE4(model, path) : SaveFCE3(model, path);
}

} // namespace mobrix
