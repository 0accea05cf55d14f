#include "TexturePoints.h"

#include <tuple>

namespace mobrix {

int PickTexturePoints(CarModel& model, int part, float u, float v, bool deselect)
{
    const std::int16_t mark = deselect ? 0 : -1;
    auto hit = [&](float pu, float pv) {
        return pu - kTexturePickHalfSize < u && u < pu + kTexturePickHalfSize && pv - kTexturePickHalfSize < v &&
               v < pv + kTexturePickHalfSize;
    };
    int hits = 0;
    const IndexRange range = PartTriangleRange(model, part);
    for (std::int64_t t = range.begin; t < range.end; ++t) {
        const auto k = static_cast<std::size_t>(t);
        if (k >= model.TriState.size())
            break;
        const Triangle& tri = model.Triangles[k];
        TriStateRecord& marks = model.TriState[k];
        for (auto [pu, pv, flag] : {std::tuple{tri.U1, tri.V1, &marks.Corner1Sel},
                                    std::tuple{tri.U2, tri.V2, &marks.Corner2Sel},
                                    std::tuple{tri.U3, tri.V3, &marks.Corner3Sel}}) {
            if (hit(pu, pv)) {
                *flag = mark;
                ++hits;
            }
        }
    }
    return hits;
}

} // namespace mobrix
