// libFuzzer target for the NFSIV reader.
#include "FuzzCommon.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzzing::ExerciseRead(data, size, mobrix::ReadFCE4);
    return 0;
}
