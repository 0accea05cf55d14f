#include "SampleArchive.h"

#include "SampleCar.h"

namespace mobrix {

VivEncoded BuildSampleArchive()
{
    const CarModel car = BuildSampleCar();
    const EncodedFile model = EncodeFCE4(car);
    if (model.failure)
        return VivFailure{VivError::ModelUnwritable, model.failure->code, model.failure->detail, 0, std::nullopt};
    const std::vector<std::uint8_t> texture = BuildSampleTexture();
    const std::string notes = SampleCarNotes();
    const VivFileView files[] = {
        {"car.fce", model.bytes},
        {"car00.tga", texture},
        {"carp.txt", {reinterpret_cast<const std::uint8_t*>(notes.data()), notes.size()}},
    };
    return EncodeViv(files);
}

} // namespace mobrix
