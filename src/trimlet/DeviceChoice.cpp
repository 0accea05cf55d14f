#include "DeviceChoice.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace trimlet {

namespace {

std::string Lower(std::string_view text)
{
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

} // namespace

DeviceChoice SelectDevice(int displayMode, const DeviceOffer& offer)
{
    DeviceChoice choice;
    auto take = [&choice](DeviceKind kind, const std::string& name) {
        choice.kind = kind;
        choice.name = name;
        choice.log.push_back("Found " + name + ".");
    };

    choice.log.push_back("Checking for 3D Hardware...");
    if (displayMode == 2 && offer.hardware) {
        take(DeviceKind::Hardware, *offer.hardware);
        return choice;
    }
    choice.log.push_back("Checking Software modes...");
    if (displayMode != 0 && offer.softwareRgb) {
        take(DeviceKind::SoftwareRgb, *offer.softwareRgb);
        return choice;
    }
    if (offer.softwareMono)
        take(DeviceKind::SoftwareMono, *offer.softwareMono);
    return choice;
}

bool IsSoftwareRenderer(std::string_view renderer)
{
    const std::string name = Lower(renderer);
    constexpr std::array<std::string_view, 5> software{"llvmpipe", "softpipe", "software rasterizer", "swrast",
                                                       "microsoft basic render"};
    return std::any_of(software.begin(), software.end(),
                       [&name](std::string_view word) { return name.find(word) != std::string::npos; });
}

DeviceOffer OfferFromProbe(const std::string& renderer, bool trueColour, bool softwareRequested)
{
    DeviceOffer offer;
    if (renderer.empty())
        return offer;
    if (!IsSoftwareRenderer(renderer)) {
        offer.hardware = renderer;
        if (!softwareRequested)
            return offer;
    }
    if (trueColour)
        offer.softwareRgb = renderer;
    offer.softwareMono = renderer;
    return offer;
}

bool WantsSoftwareRasteriser(int displayMode)
{
    return displayMode != 2;
}

} // namespace trimlet
