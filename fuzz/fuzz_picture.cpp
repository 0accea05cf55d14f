// libFuzzer target for the texture readers (BMP, PNG and TGA, told apart
// by their first bytes): a refused file gives a message; an accepted one a
// picture whose pixel buffer matches its size and writes as PNG, which
// reads back to the same pixels.
#include "FuzzCommon.h"
#include "PictureFiles.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace mobrix::render;
    auto result = DecodePicture({data, size});
    if (const auto* failure = std::get_if<PictureError>(&result)) {
        fuzzing::Require(!failure->message.empty());
        return 0;
    }
    const Picture& picture = std::get<Picture>(result);
    fuzzing::Require(picture.width > 0 && picture.height > 0 && picture.width <= kMaxPictureSide &&
                     picture.height <= kMaxPictureSide);
    fuzzing::Require(picture.rgba.size() == std::size_t(picture.width) * std::size_t(picture.height) * 4);
    auto again = DecodePng(EncodePng(picture));
    const auto* back = std::get_if<Picture>(&again);
    fuzzing::Require(back && back->rgba == picture.rgba);
    return 0;
}
