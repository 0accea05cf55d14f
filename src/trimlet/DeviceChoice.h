#pragma once
// Choosing the 3D device. The display setting asks for one of three kinds,
// and a kind that is missing falls back to the next:
//
//   hardware      an OpenGL renderer that is not a software rasteriser (a
//                 graphics card's driver);
//   software RGB  a software rasteriser (Mesa's llvmpipe or softpipe) on a
//                 surface with at least 8 bits per colour channel;
//   software MONO any software rasteriser; the scene's lights then give only
//                 their brightness, not their colour.
//
// The probe of the display (which renderer OpenGL gives, and how deep its
// colours are) is done by the window code; the decision and its log lines
// are made here.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace trimlet {

enum class DeviceKind { Hardware, SoftwareRgb, SoftwareMono };

// The renderer names each kind of device would give, empty when the kind is
// not available.
struct DeviceOffer {
    std::optional<std::string> hardware;
    std::optional<std::string> softwareRgb;
    std::optional<std::string> softwareMono;
};

struct DeviceChoice {
    std::optional<DeviceKind> kind; // unset when no device passed
    std::string name;
    std::vector<std::string> log; // the lines to log, in order
};

DeviceChoice SelectDevice(int displayMode, const DeviceOffer& offer);

// Whether the renderer string names a software rasteriser.
bool IsSoftwareRenderer(std::string_view renderer);

// What a probe of the display offers: the renderer it got, and whether its
// surface had 8 bits or more for each of red, green and blue. An empty
// renderer means no OpenGL context could be made.
DeviceOffer OfferFromProbe(const std::string& renderer, bool trueColour);

// Whether Trimlet should ask the OpenGL library for its software
// rasteriser before the first context is made: only the hardware setting
// wants a graphics card.
bool WantsSoftwareRasteriser(int displayMode);

} // namespace trimlet
