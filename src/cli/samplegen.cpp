// Writes the sample cars into a folder: sample-nfs3.fce, sample-nfs4.fce and
// the car archive car.viv (the NFSIV car with its texture and notes).
// `make samples` runs it over samples/; a test checks that the committed
// files are exactly what it makes.

#include "CarModel.h"
#include "FceFiles.h"
#include "FileErrors.h"
#include "FileIO.h"
#include "SampleArchive.h"
#include "SampleCar.h"
#include "Viv.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv)
{
    using namespace mobrix;
    if (argc != 2) {
        std::fputs("Usage: samplegen FOLDER\n", stderr);
        return 2;
    }
    const std::string folder = argv[1];
    struct Output {
        const char* name;
        FceVariant variant;
    };
    for (const Output& out : {Output{"sample-nfs3.fce", FceVariant::Nfs3}, Output{"sample-nfs4.fce", FceVariant::Nfs4}}) {
        CarModel model = BuildSampleCar();
        const std::string path = folder + "/" + out.name;
        if (auto failure = SaveFCEAs(model, path, out.variant)) {
            std::fprintf(stderr, "samplegen: %s: %s\n", path.c_str(), failure->detail.c_str());
            return 1;
        }
    }
    const std::string archivePath = folder + "/" + kSampleArchiveName;
    const VivEncoded archive = BuildSampleArchive();
    std::string problem;
    if (const auto* failure = std::get_if<VivFailure>(&archive))
        problem = failure->detail;
    else if (const SaveStatus failure = WriteFileAtomically(archivePath, std::get<std::vector<std::uint8_t>>(archive)))
        problem = failure->detail;
    if (!problem.empty()) {
        std::fprintf(stderr, "samplegen: %s: %s\n", archivePath.c_str(), problem.c_str());
        return 1;
    }
    return 0;
}
