// libFuzzer target for the FCE4M reader and the detection of the variants.
#include "FuzzCommon.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    (void)mobrix::DetectVariantOf({data, size}, size);
    fuzzing::ExerciseRead(data, size, mobrix::ReadFCE4M);
    return 0;
}
