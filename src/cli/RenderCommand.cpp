// render: a picture of a model in a PNG file, drawn in software.

#include "RenderCommand.h"

#include "PictureFiles.h"
#include "Rasteriser.h"
#include "TextureSearch.h"
#include "CarArchive.h"
#include "Viv.h"

#include <filesystem>
#include <map>

namespace mobrix::cli {

namespace {

using namespace mobrix::render;

const char* const kRenderHelp =
    "Usage: fcetool render [OPTIONS] MODEL OUT.PNG\n"
    "\n"
    "Draws a picture of the model MODEL into the PNG file OUT.PNG, without a\n"
    "display: flat-shaded triangles lit from the eye on a transparent\n"
    "background, the model fitted to the picture. MODEL is an FCE file, a car\n"
    "archive (ARCHIVE.viv, its first .fce entry) or an entry of one\n"
    "(ARCHIVE.viv:NAME). The texture is the archive's car00.tga, else the\n"
    "folder's, else a TGA, BMP or PNG image with the model's or archive's\n"
    "name. The variant of MODEL is detected by the NFSIV magic number unless\n"
    "an option names it. Nothing is written when the model cannot be drawn.\n"
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

// A model named on the command line: a loose FCE file, or an entry of a
// car archive ("car.viv" for its first .fce entry, "car.viv:NAME").
struct ModelSource {
    std::string path;
    std::optional<std::string> entry; // set for an archive; empty for its first .fce entry
};

// What a path on disk is: no regular file, a car archive (by its magic,
// whatever its name), another file, or an archive that cannot be read.
struct PathKind {
    enum class Kind { Missing, Archive, Other, BadArchive } kind;
    std::string failure;
};

PathKind KindOf(const std::string& path)
{
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error))
        return {PathKind::Kind::Missing, {}};
    const VivRead listed = ListViv(path);
    const auto* failure = std::get_if<VivFailure>(&listed);
    if (!failure)
        return {PathKind::Kind::Archive, {}};
    if (failure->kind == VivError::NotAnArchive)
        return {PathKind::Kind::Other, {}};
    return {PathKind::Kind::BadArchive, VivFailureMessage(*failure)};
}

Result<ModelSource> SourceOf(const std::string& arg)
{
    using Kind = PathKind::Kind;
    PathKind kind = KindOf(arg);
    std::size_t colon = std::string::npos;
    if (kind.kind == Kind::Missing && (colon = arg.rfind(':')) != std::string::npos && colon > 0)
        kind = KindOf(arg.substr(0, colon));
    else
        colon = std::string::npos;
    if (kind.kind == Kind::BadArchive)
        return Refused(kind.failure);
    if (kind.kind != Kind::Archive)
        return ModelSource{arg, std::nullopt};
    if (colon == std::string::npos)
        return ModelSource{arg, std::string()};
    return ModelSource{arg.substr(0, colon), arg.substr(colon + 1)};
}

Result<CarModel> OpenSource(const Arguments& a, const ModelSource& source)
{
    if (!source.entry) {
        Result<LoadedModel> in = LoadModelArg(a, source.path);
        if (!in)
            return in.failure();
        return std::move(in->model);
    }
    if (a.Has("--nfs3") && a.Has("--nfs4"))
        return BadUsage("--nfs3 and --nfs4 exclude each other");
    std::optional<FceVariant> variant;
    if (a.Has("--nfs3") || a.Has("--nfs4"))
        variant = a.Has("--nfs4") ? FceVariant::Nfs4 : FceVariant::Nfs3;
    CarModel model;
    const auto opened = LoadModelFromArchive(model, source.path, *source.entry, variant);
    if (const auto* failure = std::get_if<VivFailure>(&opened))
        return Refused(VivFailureMessage(*failure));
    return model;
}

// The archive's car00.tga, when it has one.
std::optional<PictureResult> ArchiveTexture(const std::string& archivePath)
{
    const auto loaded = LoadViv(archivePath);
    const auto* viv = std::get_if<LoadedViv>(&loaded);
    const std::optional<std::size_t> entry = viv ? FindEntry(viv->archive, kCarTextureName) : std::nullopt;
    if (!entry)
        return std::nullopt;
    return DecodePicture(EntryBytes(viv->bytes, viv->archive.entries[*entry]));
}

// The texture to lay on, or nothing. A texture named by --texture must be
// read; one found in the archive or beside the model is left out, with a
// warning, when it cannot be.
Result<std::optional<Picture>> Texture(const Arguments& a, const ModelSource& source)
{
    if (a.Has("--no-texture"))
        return std::optional<Picture>{};
    const std::optional<std::string> named = a.Value("--texture");
    std::optional<std::string> path = named;
    std::optional<PictureResult> read;
    if (!path && source.entry) {
        read = ArchiveTexture(source.path);
        if (read)
            path = source.path + ":" + kCarTextureName;
    }
    if (!path)
        path = FindModelTexture(source.path);
    if (!path)
        return std::optional<Picture>{};
    if (!read)
        read = ReadPicture(*path);
    if (auto* picture = std::get_if<Picture>(&*read))
        return std::optional<Picture>(std::move(*picture));
    const std::string& why = std::get<PictureError>(*read).message;
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
    const CommandShape shape{"render", kRenderHelp, 2, flags, {"--size", "--view", "--parts", "--texture"}};
    return RunCommand(args, shape, [](const Arguments& a) -> Outcome {
        const Result<RenderOptions> options = Options(a);
        if (!options)
            return options.failure();
        const std::string& path = a.files[0];
        const Result<ModelSource> source = SourceOf(path);
        if (!source)
            return source.failure();
        const Result<CarModel> model = OpenSource(a, *source);
        if (!model)
            return model.failure();
        const Result<std::optional<Picture>> texture = Texture(a, *source);
        if (!texture)
            return texture.failure();
        const std::optional<Picture> picture = RenderModel(*model, *options, *texture ? &**texture : nullptr);
        if (!picture)
            return Refused(path, "the model has no triangles to draw");
        if (const SaveStatus failure = WritePng(*picture, a.files[1]))
            return Refused(a.files[1], OneLineSaveFailureMessage(*failure));
        return std::nullopt;
    });
}

} // namespace mobrix::cli
