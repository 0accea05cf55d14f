// libFuzzer target for Trimlet's FCE splitter: any input is refused or
// split; a split model joins again, and the joined file splits and joins to
// the same bytes.
#include "../src/trimlet/FceStore.h"

#include <cstdlib>

namespace {

void Require(bool condition)
{
    if (!condition)
        std::abort();
}

std::vector<std::uint8_t> Join(const trimlet::SplitModel& split)
{
    auto joined = trimlet::JoinFceBytes(split.store, split.parts);
    Require(std::holds_alternative<std::vector<std::uint8_t>>(joined));
    return std::get<std::vector<std::uint8_t>>(std::move(joined));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    auto split = trimlet::SplitFceBytes({data, size});
    if (!std::holds_alternative<trimlet::SplitModel>(split))
        return 0;
    const trimlet::SplitModel& model = std::get<trimlet::SplitModel>(split);
    for (const trimlet::PartFile& part : model.parts) {
        auto back = trimlet::DecodePartFile(trimlet::EncodePartFile(part), "TPART1.PRT");
        Require(std::holds_alternative<trimlet::PartFile>(back));
    }
    (void)trimlet::PartNames(model.store);

    const std::vector<std::uint8_t> joined = Join(model);
    auto again = trimlet::SplitFceBytes(joined);
    Require(std::holds_alternative<trimlet::SplitModel>(again));
    Require(Join(std::get<trimlet::SplitModel>(again)) == joined);
    return 0;
}
