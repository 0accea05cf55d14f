#pragma once
// Choosing the 3D device. The display setting asks for one of three kinds,
// and a kind that is missing falls back to the next:
//
//   hardware      an OpenGL renderer that is not a software rasteriser (a
//                 graphics card's driver);
//   software RGB  a software rasteriser (Mesa's llvmpipe or softpipe) on a
//                 surface with at least 8 bits per colour channel;
//   software MONO any software rasteriser. The scene's lights are white, so
//                 they shade alike in either colour model: MONO names only
//                 the last step of the fallback order.
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

// What a probe of the display offers: the renderer it got, whether its
// context had 8 bits or more for each of red, green and blue, and whether
// the software rasteriser had been asked for. An empty renderer means no
// OpenGL context could be made. A driver may ignore the request for the
// software rasteriser (one that is not Mesa's answers every program
// itself); the renderer it gives then stands for the software kinds too,
// so the wanted kind is still chosen and logged with the renderer that was
// actually obtained.
DeviceOffer OfferFromProbe(const std::string& renderer, bool trueColour, bool softwareRequested);

// Whether Trimlet should ask the OpenGL library for its software
// rasteriser before the first context is made: only the hardware setting
// wants a graphics card.
bool WantsSoftwareRasteriser(int displayMode);

} // namespace trimlet
