#pragma once
// A small but plausible car built from code: a body, four wheels, light
// dummies, colour tables and the three NFSIV vertex sets, with a slightly
// dented damaged set. The committed sample files are made from it, so it
// must give the same model, bit for bit, on every run.

#include "CarModel.h"

#include <cstdint>
#include <string>
#include <vector>

namespace mobrix {

// The sample car as an NFSIV model (FileFormat NFSIV, working set 0).
CarModel BuildSampleCar();

// The sample car's texture as a 64 x 64 uncompressed 32-bit TGA file, laid
// out for the car's texture coordinates: the red body side across the upper
// half with light blue glass over the cabin, orange end caps in the lower
// left quarter, and in the lower right the yellow spare area, the dark grey
// tread and the silver wheel faces.
std::vector<std::uint8_t> BuildSampleTexture();

// A short text file shipped beside the sample car in its archive.
std::string SampleCarNotes();

} // namespace mobrix
