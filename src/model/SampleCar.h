#pragma once
// A small but plausible car built from code: a body, four wheels, light
// dummies, colour tables and the three NFSIV vertex sets, with a slightly
// dented damaged set. The committed sample files are made from it, so it
// must give the same model, bit for bit, on every run.

#include "CarModel.h"

namespace mobrix {

// The sample car as an NFSIV model (FileFormat NFSIV, working set 0).
CarModel BuildSampleCar();

// The same car as an FCE4M model, its parts named by the FCE4M conventions.
CarModel BuildFce4mSampleCar();

} // namespace mobrix
