#pragma once
// The sample car archive, samples/car.viv: the sample NFSIV car as car.fce,
// its texture car00.tga and a short carp.txt, in that order. Like the sample
// car it must come out the same, byte for byte, on every run.

#include "Viv.h"

namespace mobrix {

inline constexpr const char* kSampleArchiveName = "car.viv";

VivEncoded BuildSampleArchive();

} // namespace mobrix
