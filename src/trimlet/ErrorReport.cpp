#include "ErrorReport.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <utility>

namespace trimlet {

namespace {

// Codes of facility 0x876 with the descriptions the DirectX 5 documentation
// gives them, sorted by code.
constexpr std::array<std::pair<std::uint32_t, std::string_view>, kErrorTextEntries> kTable{{
    {0x88760005, "The object has already been initialized."},
    {0x8876000A, "A surface cannot be attached to another requested surface."},
    {0x88760014, "A surface cannot be detached from another requested surface."},
    {0x88760028, "No support is currently available."},
    {0x88760037, "An exception was encountered while performing the requested operation."},
    {0x8876005A, "The height of the provided rectangle is not a multiple of the required alignment."},
    {0x8876005F, "The primary surface creation request does not match with the existing primary surface."},
    {0x88760064, "One or more of the capability bits passed to the callback function are incorrect."},
    {0x8876006E, "DirectDraw does not support the provided clip list."},
    {0x88760078, "DirectDraw does not support the requested mode."},
    {0x88760082, "DirectDraw received a pointer that was an invalid DirectDraw object."},
    {0x88760091, "The pixel format was invalid as specified."},
    {0x88760096, "The provided rectangle was invalid."},
    {0x887600A0, "One or more surfaces are locked, preventing operation."},
    {0x887600AA, "No 3D hardware or emulation is present."},
    {0x887600B4, "No alpha acceleration hardware is present or available, causing the failure of the operation."},
    {0x887600CD, "No clip list is available."},
    {0x887600D2, "The operation cannot be carried out because no color-conversion hardware is present or available."},
    {0x887600D4, "A create function is called without the IDirectDraw2::SetCooperativeLevel method being called."},
    {0x887600D7, "The surface does not currently have a color key."},
    {0x887600DC, "The operation cannot be carried out because there is no hardware support for the destination "
                 "color key."},
    {0x887600DE, "DirectDraw support is not possible with the current display driver."},
    {0x887600E1, "The operation requires the application to have exclusive mode, but the application does not "
                 "have exclusive mode."},
    {0x887600E6, "Flipping visible surfaces is not supported."},
    {0x887600F0, "No GDI is present."},
    {0x887600FA, "The operation cannot be carried out because no mirroring hardware is present or available."},
    {0x887600FF, "The requested item was not found."},
    {0x88760104, "The operation cannot be carried out because no overlay hardware is present or available."},
    {0x88760118, "The operation cannot be carried out because no appropriate raster operation hardware is "
                 "present or available."},
    {0x88760122, "The operation cannot be carried out because no rotation hardware is present or available."},
    {0x88760136, "The operation cannot be carried out because there is no hardware support for stretching."},
    {0x8876013C, "The DirectDrawSurface object is not using a 4-bit color palette and the requested operation "
                 "requires a 4-bit color palette."},
    {0x8876013D, "The DirectDrawSurface object is not using a 4-bit color index palette and the requested "
                 "operation requires a 4-bit color index palette."},
    {0x88760140, "The DirectDrawSurface object is not using an 8-bit color palette and the requested operation "
                 "requires an 8-bit color palette."},
    {0x8876014A, "The operation cannot be carried out because no texture-mapping hardware is present or "
                 "available."},
    {0x8876014F, "The operation cannot be carried out because there is no hardware support for vertical blank "
                 "synchronized operations."},
    {0x88760154, "The operation to create a z-buffer in display memory or to perform a blit using a z-buffer "
                 "cannot be carried out because there is no hardware support for z-buffers."},
    {0x8876015E, "The overlay surfaces cannot be z-layered based on the z-order because the hardware does not "
                 "support z-ordering of overlays."},
    {0x88760168, "The hardware needed for the requested operation has already been allocated."},
    {0x8876017C, "IDirectDraw does not have enough display memory to perform the operation."},
    {0x8876017E, "The hardware does not support clipped overlays."},
    {0x88760180, "An attempt was made to have more than one color key active on an overlay."},
    {0x88760183, "Access to this palette is refused because the palette is locked by another thread."},
    {0x88760190, "No source color key is specified for this operation."},
    {0x8876019A, "An attempt was made to attach a surface to another surface to which it is already attached."},
    {0x887601A4, "An attempt was made to make a surface a dependency of another surface to which it is already "
                 "dependent."},
    {0x887601AE, "Access to the surface is refused because the surface is locked by another thread."},
    {0x887601B3, "Access to this surface is refused because an attempt was made to lock the primary surface "
                 "without DCI support."},
    {0x887601B8, "Access to the surface is refused because the surface is obscured."},
    {0x887601C2, "Access to the surface is refused because the surface memory is gone. The DirectDrawSurface "
                 "object representing this surface should have the IDirectDrawSurface2::Restore method called "
                 "on it."},
    {0x887601CC, "The requested surface is not attached."},
    {0x887601D6, "The height requested by DirectDraw is too large."},
    {0x887601E0, "The size requested by DirectDraw is too large. However, the individual height and width are "
                 "OK."},
    {0x887601EA, "The width requested by DirectDraw is too large."},
    {0x887601FE, "The FourCC format requested is not supported by DirectDraw."},
    {0x88760208, "The bitmask in the pixel format requested is not supported by DirectDraw."},
    {0x88760219, "A vertical blank is in progress."},
    {0x8876021C, "The previous blit operation that is transferring information to or from this surface is "
                 "incomplete."},
    {0x88760230, "The provided rectangle was not horizontally aligned on a required boundary."},
    {0x88760231, "The globally unique identifier (GUID) passed to the DirectDrawCreate function is not a valid "
                 "DirectDraw driver identifier."},
    {0x88760232, "A DirectDraw object representing this driver has already been created for this process."},
    {0x88760233, "Hardware-only DirectDraw object creation is not possible; the driver does not support any "
                 "hardware."},
    {0x88760234, "This process has already created a primary surface."},
    {0x88760235, "Software emulation is not available."},
    {0x88760236, "The region passed to the IDirectDrawClipper::GetClipList method is too small."},
    {0x88760237, "An attempt was made to set a clip list for a DirectDrawClipper object that is already "
                 "monitoring a window handle."},
    {0x88760238, "No DirectDrawClipper object is attached to the surface object."},
    {0x88760239, "Clipper notification requires a window handle, or no window handle has been previously set as "
                 "the cooperative level window handle."},
    {0x8876023A, "DirectDraw is prevented from restoring state because the DirectDraw cooperative level window "
                 "handle has been subclassed."},
    {0x8876023B, "The DirectDraw cooperative level window handle has already been set. It cannot be reset while "
                 "the process has surfaces or palettes created."},
    {0x8876023C, "No palette object is attached to this surface."},
    {0x8876023D, "There is no hardware support for 16- or 256-color palettes."},
    {0x8876023E, "A DirectDrawClipper object is attached to a source surface that has passed into a call to the "
                 "IDirectDrawSurface2::BltFast method."},
    {0x8876023F, "No blitter hardware is present."},
    {0x88760240, "No DirectDraw raster operation (ROP) hardware is available."},
    {0x88760241, "The IDirectDrawSurface2::GetOverlayPosition method is called on a hidden overlay."},
    {0x88760242, "The IDirectDrawSurface2::GetOverlayPosition method is called on an overlay that the "
                 "IDirectDrawSurface2::UpdateOverlay method has not been called on to establish a destination."},
    {0x88760243, "The position of the overlay on the destination is no longer legal."},
    {0x88760244, "An overlay component is called for a non-overlay surface."},
    {0x88760245, "An attempt was made to set the cooperative level when it was already set to exclusive."},
    {0x88760246, "An attempt has been made to flip a surface that cannot be flipped."},
    {0x88760247, "Primary and 3D surfaces, or surfaces that are implicitly created, cannot be duplicated."},
    {0x88760248, "An attempt is made to unlock a surface that was not locked."},
    {0x88760249, "Windows cannot create any more device contexts (DCs)."},
    {0x8876024A, "No DC has ever been created for this surface."},
    {0x8876024B, "This surface cannot be restored because it was created in a different mode."},
    {0x8876024C, "The surface cannot be restored because it is an implicitly created surface."},
    {0x8876024D, "The surface being used is not a palette-based surface."},
    {0x8876024E, "The display is currently in an unsupported mode."},
    {0x8876024F, "The operation cannot be carried out because no mipmap texture mapping hardware is present or "
                 "available."},
    {0x88760250, "The requested operation could not be performed because the surface was of the wrong type."},
    {0x8876026C, "A device context (DC) has already been returned for this surface. Only one DC can be retrieved "
                 "for each surface."},
    {0x88760280, "An attempt to page lock a surface failed. Page lock will not work on a display-memory surface "
                 "or an emulated primary surface."},
    {0x88760294, "An attempt to page unlock a surface failed. Page unlock will not work on a display-memory "
                 "surface or an emulated primary surface."},
    {0x887602A8, "An attempt is made to page unlock a surface with no outstanding page locks."},
}};

static_assert(std::is_sorted(kTable.begin(), kTable.end(),
                             [](const auto& a, const auto& b) { return a.first < b.first; }),
              "the error-text table is searched by bisection");

const std::pair<std::uint32_t, std::string_view>* Find(std::uint32_t number)
{
    const auto it = std::lower_bound(kTable.begin(), kTable.end(), number,
                                     [](const auto& entry, std::uint32_t key) { return entry.first < key; });
    return it != kTable.end() && it->first == number ? &*it : nullptr;
}

bool MentionsAutomation(const std::string& description)
{
    std::string upper = description;
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return upper.find("AUTOM") != std::string::npos;
}

} // namespace

std::string_view DirectXErrorText(std::uint32_t number)
{
    const auto* entry = Find(number);
    return entry ? entry->second : kUnknownErrorText;
}

ErrorReportText FormatErrorReport(ErrorSource source, std::uint32_t number, const std::string& description,
                                  const std::string& procedure, const std::string& timestamp)
{
    std::string detail;
    std::string logDetail;
    if (source == ErrorSource::Device && MentionsAutomation(description)) {
        const std::string text(DirectXErrorText(number));
        detail = "DirectX reports '" + text + "'";
        logDetail = "D3D ERROR: '" + text + "'";
    } else {
        detail = " Application reports '" + description + "'";
        logDetail = "APP ERROR: '" + description + "'";
    }
    return {"ERROR: " + detail + "\r\nSOURCE: " + procedure,
            timestamp + " - " + logDetail + "\r\nSOURCE: " + procedure};
}

} // namespace trimlet
