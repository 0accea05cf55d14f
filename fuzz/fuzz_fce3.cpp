// libFuzzer target for the NFSIII reader.
#include "FuzzCommon.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzzing::ExerciseRead(data, size, mobrix::ReadFCE3);
    return 0;
}
