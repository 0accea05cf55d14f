#include "RenderCommand.h"

#include "FceFiles.h"
#include "FileErrors.h"
#include "PictureFiles.h"
#include "Rasteriser.h"
#include "TextureSearch.h"

#include <cstdio>
#include <map>
#include <optional>
#include <set>

const char* const kRenderHelp =
    "Usage: fcetool render [OPTIONS] MODEL OUT.PNG\n"
    "\n"
    "Draws a picture of the model MODEL into the PNG file OUT.PNG, without a\n"
    "display: flat-shaded triangles lit from the eye on a transparent\n"
    "background, the model fitted to the picture. The texture is the folder's\n"
    "car00.tga, else a TGA, BMP or PNG image with the model's name. The\n"
    "variant of MODEL is detected by the NFSIV magic number unless an option\n"
    "names it. Nothing is written when the model cannot be drawn.\n"
    "\n"
    "Options:\n"
    "  --size N              the picture's longest side in pixels (1 to 4096, default 256)\n"
    "  --view VIEW           front, side, top or three-quarter (the default: from\n"
    "                        the front left and above)\n"
    "  --parts all|shown     every part (the default), or the high-detail parts\n"
    "                        (names starting \":H\")\n"
    "  --wireframe           draw only the triangles' edges\n"
    "  --texture FILE        use this TGA, BMP or PNG image as the texture\n"
    "  --no-texture          draw the model white\n"
    "  --nfs3                read MODEL as an NFSIII model\n"
    "  --nfs4                read MODEL as an NFSIV model\n"
    "  --help                show this help\n";

namespace {

using namespace mobrix;
using namespace mobrix::render;

constexpr int kExitOk = 0;
constexpr int kExitRefused = 1;
constexpr int kExitUsage = 2;

std::string OneLine(const std::string& text)
{
    std::string line;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\n')
            line += "\\n";
        else if (c == '\r')
            line += "\\r";
        else if (c == '\t')
            line += "\\t";
        else if (byte < 0x20 || byte == 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
            line += escaped;
        } else
            line += c;
    }
    return line;
}

void PrintError(const std::string& text)
{
    std::fprintf(stderr, "fcetool: %s\n", OneLine(text).c_str());
}

int Usage(const std::string& message)
{
    PrintError(message + " (run 'fcetool render --help' for usage)");
    return kExitUsage;
}

struct RenderRequest {
    std::string model;
    std::string out;
    RenderOptions options;
    std::optional<FceVariant> variant;
    std::optional<std::string> texture;
    bool noTexture = false;
    bool help = false;
};

struct UsageError {
    std::string message;
};

std::optional<int> SizeValue(const std::string& text)
{
    if (text.empty() || text.size() > 4 || text.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    const int value = std::stoi(text);
    return value >= 1 && value <= kMaxRenderSize ? std::optional<int>(value) : std::nullopt;
}

std::optional<UsageError> ApplyOption(RenderRequest& r, const std::string& name, const std::string& value)
{
    static const std::map<std::string, RenderView> views = {{"front", RenderView::Front},
                                                            {"side", RenderView::Side},
                                                            {"top", RenderView::Top},
                                                            {"three-quarter", RenderView::ThreeQuarter}};
    if (name == "--size") {
        const std::optional<int> size = SizeValue(value);
        if (!size)
            return UsageError{"--size takes a whole number from 1 to 4096, not '" + value + "'"};
        r.options.size = *size;
    } else if (name == "--view") {
        const auto view = views.find(value);
        if (view == views.end())
            return UsageError{"--view takes front, side, top or three-quarter, not '" + value + "'"};
        r.options.view = view->second;
    } else if (name == "--parts") {
        if (value != "all" && value != "shown")
            return UsageError{"--parts takes all or shown, not '" + value + "'"};
        r.options.parts = value == "all" ? RenderParts::All : RenderParts::Shown;
    } else if (name == "--texture") {
        r.texture = value;
    }
    return std::nullopt;
}

std::optional<UsageError> ApplyFlag(RenderRequest& r, const std::string& name)
{
    if (name == "--wireframe")
        r.options.wireframe = true;
    else if (name == "--no-texture")
        r.noTexture = true;
    else if (name == "--help" || name == "-h")
        r.help = true;
    else {
        const FceVariant variant = name == "--nfs3" ? FceVariant::Nfs3 : FceVariant::Nfs4;
        if (r.variant && *r.variant != variant)
            return UsageError{"--nfs3 and --nfs4 exclude each other"};
        r.variant = variant;
    }
    return std::nullopt;
}

// Options may stand anywhere among the file names; `--opt VALUE` and
// `--opt=VALUE` are the same; `--` ends the options.
std::variant<RenderRequest, UsageError> ParseRender(const std::vector<std::string>& args)
{
    static const std::set<std::string> flags = {"--wireframe", "--no-texture", "--nfs3", "--nfs4", "--help", "-h"};
    static const std::set<std::string> valued = {"--size", "--view", "--parts", "--texture"};
    RenderRequest r;
    std::vector<std::string> files;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            files.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        const auto eq = arg.find('=');
        const std::string name = arg.substr(0, eq);
        std::optional<UsageError> error;
        if (flags.count(name) && eq == std::string::npos) {
            error = ApplyFlag(r, name);
        } else if (valued.count(name)) {
            if (eq == std::string::npos && i + 1 >= args.size())
                return UsageError{"option " + name + " needs a value"};
            error = ApplyOption(r, name, eq != std::string::npos ? arg.substr(eq + 1) : args[++i]);
        } else {
            return UsageError{"unknown option " + arg};
        }
        if (error)
            return *error;
    }
    if (r.help)
        return r;
    if (r.texture && r.noTexture)
        return UsageError{"--texture and --no-texture exclude each other"};
    if (files.size() != 2)
        return UsageError{"render takes 2 files"};
    r.model = files[0];
    r.out = files[1];
    return r;
}

// The texture to lay on, or nothing. A texture named by --texture must be
// read; one found beside the model is left out, with a warning, when it
// cannot be.
std::variant<std::optional<Picture>, int> Texture(const RenderRequest& r)
{
    if (r.noTexture)
        return std::optional<Picture>{};
    const std::optional<std::string> path = r.texture ? r.texture : FindModelTexture(r.model);
    if (!path)
        return std::optional<Picture>{};
    auto read = ReadPicture(*path);
    if (auto* picture = std::get_if<Picture>(&read))
        return std::optional<Picture>(std::move(*picture));
    const std::string& why = std::get<PictureError>(read).message;
    if (r.texture) {
        PrintError(*path + ": " + why);
        return kExitRefused;
    }
    PrintError("warning: the texture " + *path + " is left out: " + why);
    return std::optional<Picture>{};
}

} // namespace

int RenderCommand(const std::vector<std::string>& args)
{
    auto parsed = ParseRender(args);
    if (const auto* error = std::get_if<UsageError>(&parsed))
        return Usage(error->message);
    const RenderRequest& r = std::get<RenderRequest>(parsed);
    if (r.help) {
        std::fputs(kRenderHelp, stdout);
        return kExitOk;
    }
    CarModel model;
    const FceVariant variant = r.variant ? *r.variant : DetectVariant(r.model);
    if (const LoadStatus failure = OpenFCE(model, r.model, variant)) {
        PrintError(r.model + ": " + OneLineLoadFailureMessage(*failure));
        return kExitRefused;
    }
    auto texture = Texture(r);
    if (const int* exitCode = std::get_if<int>(&texture))
        return *exitCode;
    const std::optional<Picture>& picture = std::get<std::optional<Picture>>(texture);
    const std::optional<Picture> image = RenderModel(model, r.options, picture ? &*picture : nullptr);
    if (!image) {
        PrintError(r.model + ": the model has no triangles to draw");
        return kExitRefused;
    }
    if (const SaveStatus failure = WritePng(*image, r.out)) {
        PrintError(r.out + ": " + OneLineSaveFailureMessage(*failure));
        return kExitRefused;
    }
    return kExitOk;
}
