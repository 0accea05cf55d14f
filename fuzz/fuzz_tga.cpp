// libFuzzer target for the TGA reader: a refused file gives a message; an
// accepted one gives a bitmap whose headers describe exactly its bytes.
#include "FuzzCommon.h"
#include "TgaToBmp.h"

#include "LittleEndian.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace mobrix;
    auto result = TgaToBmpBytes({data, size});
    if (const auto* failure = std::get_if<TgaFailure>(&result)) {
        fuzzing::Require(!TgaFailureMessage(*failure).empty());
        return 0;
    }
    const std::vector<std::uint8_t>& bmp = std::get<std::vector<std::uint8_t>>(result);
    fuzzing::Require(bmp.size() >= 54 && bmp[0] == 'B' && bmp[1] == 'M');
    le::ByteReader r(bmp);
    r.Seek(2);
    fuzzing::Require(r.U32() == bmp.size());
    r.Seek(18);
    const std::int64_t width = r.I32();
    const std::int64_t height = r.I32();
    fuzzing::Require(width == le::Load<std::uint16_t>(data + 12) && height == le::Load<std::uint16_t>(data + 14));
    r.Seek(34);
    fuzzing::Require(r.U32() == (width * 3 + 3) / 4 * 4 * height);
    return 0;
}
