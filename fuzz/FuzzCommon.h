#pragma once
// What every reader's fuzz target checks once a read succeeds: the model is
// sound enough to report, check, draw and write, and writing is stable (what was
// written reads back and writes again to the same bytes).

#include "CarModel.h"
#include "FceFiles.h"
#include "FileInfoReport.h"
#include "Rasteriser.h"

#include <cstdlib>

namespace fuzzing {

inline void Require(bool condition)
{
    if (!condition)
        std::abort();
}

inline void ExerciseModel(mobrix::CarModel& model)
{
    using namespace mobrix;
    (void)CheckModel(model);
    (void)FileInfoReport(model, "fuzz.fce");
    (void)FileInfoWindowLines(model);
    // Thumbnails draw whatever a file holds.
    (void)render::RenderModel(model, {.size = 24}, nullptr);

    CarModel copy3 = model;
    const EncodedFile nfs3 = EncodeFCE3(copy3);
    Require(!nfs3.failure);
    CarModel back3;
    Require(!ReadFCE3(nfs3.bytes, back3));
    Require(EncodeFCE3(back3).bytes == nfs3.bytes);

    CarModel copy4 = model;
    const EncodedFile nfs4 = EncodeFCE4(copy4);
    if (nfs4.failure)
        return; // colours of an NFSIII file may not fit in bytes
    CarModel back4;
    Require(!ReadFCE4(nfs4.bytes, back4));
    Require(EncodeFCE4(back4).bytes == nfs4.bytes);

    const EncodedFile fce4m = EncodeFCE4M(model);
    Require(!fce4m.failure);
    CarModel back4m;
    Require(!ReadFCE4M(fce4m.bytes, back4m));
    Require(EncodeFCE4M(back4m).bytes == fce4m.bytes);
}

// A failed read must leave the model exactly as it was.
inline void ExerciseRead(const std::uint8_t* data, std::size_t size,
                         mobrix::LoadStatus (*read)(std::span<const std::uint8_t>, mobrix::CarModel&))
{
    mobrix::CarModel model;
    mobrix::NewFCE(model);
    const mobrix::CarModel before = model;
    if (read({data, size}, model)) {
        Require(model == before);
        return;
    }
    ExerciseModel(model);
}

} // namespace fuzzing
