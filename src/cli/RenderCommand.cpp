// render: a picture of a model in a PNG file, drawn in software.

#include "RenderCommand.h"

#include "PictureFiles.h"
#include "Rasteriser.h"
#include "TextureSearch.h"

#include <map>

namespace mobrix::cli {

namespace {

using namespace mobrix::render;

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

Result<int> SizeOption(const Arguments& a)
{
    const std::optional<std::string> text = a.Value("--size");
    if (!text)
        return RenderOptions{}.size;
    if (text->empty() || text->size() > 4 || text->find_first_not_of("0123456789") != std::string::npos ||
        std::stoi(*text) < 1 || std::stoi(*text) > kMaxRenderSize)
        return BadUsage("--size takes a whole number from 1 to 4096, not '" + *text + "'");
    return std::stoi(*text);
}

Result<RenderOptions> Options(const Arguments& a)
{
    static const std::map<std::string, RenderView> views = {{"front", RenderView::Front},
                                                            {"side", RenderView::Side},
                                                            {"top", RenderView::Top},
                                                            {"three-quarter", RenderView::ThreeQuarter}};
    RenderOptions options;
    const Result<int> size = SizeOption(a);
    if (!size)
        return size.failure();
    options.size = *size;
    if (const std::optional<std::string> view = a.Value("--view")) {
        const auto found = views.find(*view);
        if (found == views.end())
            return BadUsage("--view takes front, side, top or three-quarter, not '" + *view + "'");
        options.view = found->second;
    }
    if (const std::optional<std::string> parts = a.Value("--parts")) {
        if (*parts != "all" && *parts != "shown")
            return BadUsage("--parts takes all or shown, not '" + *parts + "'");
        options.parts = *parts == "all" ? RenderParts::All : RenderParts::Shown;
    }
    options.wireframe = a.Has("--wireframe");
    if (a.Has("--texture") && a.Has("--no-texture"))
        return BadUsage("--texture and --no-texture exclude each other");
    return options;
}

// The texture to lay on, or nothing. A texture named by --texture must be
// read; one found beside the model is left out, with a warning, when it
// cannot be.
Result<std::optional<Picture>> Texture(const Arguments& a, const std::string& model)
{
    if (a.Has("--no-texture"))
        return std::optional<Picture>{};
    const std::optional<std::string> named = a.Value("--texture");
    const std::optional<std::string> path = named ? named : FindModelTexture(model);
    if (!path)
        return std::optional<Picture>{};
    auto read = ReadPicture(*path);
    if (auto* picture = std::get_if<Picture>(&read))
        return std::optional<Picture>(std::move(*picture));
    const std::string& why = std::get<PictureError>(read).message;
    if (named)
        return Refused(*path, why);
    PrintError("warning: the texture " + *path + " is left out: " + why);
    return std::optional<Picture>{};
}

} // namespace

int RenderCommand(const CommandArgs& args)
{
    std::set<std::string> flags = kVariantFlags;
    flags.insert({"--wireframe", "--no-texture"});
    const CommandSpec spec{"render", kRenderHelp, 2, flags, {"--size", "--view", "--parts", "--texture"}};
    return RunCommand(args, spec, [](const Arguments& a) -> Outcome {
        const Result<RenderOptions> options = Options(a);
        if (!options)
            return options.failure();
        const std::string& path = a.files[0];
        Result<LoadedModel> in = LoadModelArg(a, path);
        if (!in)
            return in.failure();
        const Result<std::optional<Picture>> texture = Texture(a, path);
        if (!texture)
            return texture.failure();
        const std::optional<Picture> picture = RenderModel(in->model, *options, *texture ? &**texture : nullptr);
        if (!picture)
            return Refused(path, "the model has no triangles to draw");
        if (const SaveStatus failure = WritePng(*picture, a.files[1]))
            return Refused(a.files[1], OneLineSaveFailureMessage(*failure));
        return std::nullopt;
    });
}

} // namespace mobrix::cli
