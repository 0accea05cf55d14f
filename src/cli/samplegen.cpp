// Writes the sample cars into a folder: sample-nfs3.fce, sample-nfs4.fce and
// sample-fce4m.fce.
// `make samples` runs it over samples/; a test checks that the committed
// files are exactly what it makes.

#include "CarModel.h"
#include "FceFiles.h"
#include "FileErrors.h"
#include "SampleCar.h"

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
    for (const Output& out : {Output{"sample-nfs3.fce", FceVariant::Nfs3}, Output{"sample-nfs4.fce", FceVariant::Nfs4},
                              Output{"sample-fce4m.fce", FceVariant::Fce4m}}) {
        CarModel model = out.variant == FceVariant::Fce4m ? BuildFce4mSampleCar() : BuildSampleCar();
        const std::string path = folder + "/" + out.name;
        if (auto failure = SaveFCEAs(model, path, out.variant)) {
            std::fprintf(stderr, "samplegen: %s: %s\n", path.c_str(), failure->detail.c_str());
            return 1;
        }
    }
    return 0;
}
