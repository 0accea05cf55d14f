#include "document/RecoveryCopy.h"

#include "FileIO.h"
#include "RemapFile.h"
#include "VertexEditor.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sstream>
#include <sys/file.h>
#include <unistd.h>
#include <utility>

namespace mobrix::app {

namespace fs = std::filesystem;

namespace {

constexpr const char* kSessionPrefix = "session-";
constexpr const char* kNewPrefix = ".new-";
constexpr const char* kLockName = "lock";
constexpr const char* kManifestName = "copy.ini";
constexpr const char* kManifestSection = "[recovery]";

fs::path ModelFile(const fs::path& folder, std::uint64_t generation)
{
    return folder / ("model-" + std::to_string(generation) + ".fce");
}

fs::path RemapFile(const fs::path& folder, std::uint64_t generation)
{
    return folder / ("remap-" + std::to_string(generation) + ".uv");
}

const char* VariantName(FceVariant variant)
{
    switch (variant) {
    case FceVariant::Nfs4: return "NFSIV";
    case FceVariant::Fce4m: return "FCE4M";
    case FceVariant::Nfs3: break;
    }
    return "NFSIII";
}

std::optional<FceVariant> VariantNamed(const std::string& name)
{
    for (FceVariant v : {FceVariant::Nfs3, FceVariant::Nfs4, FceVariant::Fce4m})
        if (name == VariantName(v))
            return v;
    return std::nullopt;
}

// A path may hold any byte but NUL: line ends and "%" are written as %0A,
// %0D and %25, so that every value stays on its line.
std::string Escaped(const std::string& text)
{
    std::string out;
    for (char c : text) {
        if (c == '%')
            out += "%25";
        else if (c == '\n')
            out += "%0A";
        else if (c == '\r')
            out += "%0D";
        else
            out += c;
    }
    return out;
}

std::string Unescaped(const std::string& text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size()) {
            const std::string code = text.substr(i + 1, 2);
            const char c = code == "25" ? '%' : code == "0A" ? '\n' : code == "0D" ? '\r' : '\0';
            if (c != '\0') {
                out += c;
                i += 2;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

} // namespace

std::string RecoveryTimeNow()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M", &local);
    return text;
}

namespace {

std::string Reason(const char* what, int err)
{
    return std::string(what) + ": " + std::strerror(err);
}

std::string Reason(const char* what, const SaveFailure& failure)
{
    return std::string(what) + ": " + OneLineSaveFailureMessage(failure);
}

SaveStatus WriteBytes(const fs::path& path, const std::vector<std::uint8_t>& bytes)
{
    return WriteFileAtomically(path.string(), std::span<const std::uint8_t>(bytes));
}

std::optional<RecoveryManifest> ReadManifest(const fs::path& folder)
{
    std::vector<std::uint8_t> bytes;
    if (ReadWholeFile((folder / kManifestName).string(), bytes, 1 << 20))
        return std::nullopt;
    return ParseRecoveryManifest(std::string(bytes.begin(), bytes.end()));
}

// Takes the lock of a folder another session may hold; -1 when it is held
// or missing.
int TakeLock(const fs::path& folder, bool create)
{
    const int flags = O_RDWR | O_CLOEXEC | O_NOFOLLOW | (create ? O_CREAT : 0);
    const int fd = ::open((folder / kLockName).c_str(), flags, 0600);
    if (fd < 0)
        return -1;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

bool HasPrefix(const std::string& name, const char* prefix)
{
    return name.rfind(prefix, 0) == 0;
}

} // namespace

std::string FormatRecoveryManifest(const RecoveryManifest& m)
{
    std::ostringstream out;
    out << kManifestSection << "\n"
        << "Generation=" << m.generation << "\n"
        << "Variant=" << VariantName(m.variant) << "\n"
        << "SavesInVariant=" << (m.savesInVariant ? 1 : 0) << "\n"
        << "OffersSave=" << (m.offersSave ? 1 : 0) << "\n"
        << "Path=" << Escaped(m.path) << "\n"
        << "ArchiveEntry=" << Escaped(m.archiveEntry) << "\n"
        << "Texture=" << Escaped(m.texturePath) << "\n"
        << "VertexSet=" << static_cast<int>(m.vertexSet) << "\n"
        << "Written=" << m.writtenAt << "\n";
    return out.str();
}

std::optional<RecoveryManifest> ParseRecoveryManifest(const std::string& text)
{
    std::istringstream in(text);
    std::string line;
    if (!std::getline(in, line) || line != kManifestSection)
        return std::nullopt;
    RecoveryManifest m;
    while (std::getline(in, line)) {
        const std::size_t eq = line.find('=');
        if (eq == std::string::npos)
            continue;
        const std::string key = line.substr(0, eq);
        const std::string value = line.substr(eq + 1);
        if (key == "Generation") {
            m.generation = std::strtoull(value.c_str(), nullptr, 10);
        } else if (key == "Variant") {
            const std::optional<FceVariant> v = VariantNamed(value);
            if (!v)
                return std::nullopt;
            m.variant = *v;
        } else if (key == "SavesInVariant") {
            m.savesInVariant = value == "1";
        } else if (key == "OffersSave") {
            m.offersSave = value == "1";
        } else if (key == "Path") {
            m.path = Unescaped(value);
        } else if (key == "ArchiveEntry") {
            m.archiveEntry = Unescaped(value);
        } else if (key == "Texture") {
            m.texturePath = Unescaped(value);
        } else if (key == "VertexSet") {
            const int set = std::atoi(value.c_str());
            m.vertexSet = set == 1 ? VertexSet::Undamaged2 : set == 2 ? VertexSet::Damaged : VertexSet::Normal;
        } else if (key == "Written") {
            m.writtenAt = value;
        }
    }
    if (m.generation == 0)
        return std::nullopt;
    return m;
}

// ---------------------------------------------------------------------------

RecoverySession::RecoverySession(fs::path root, fs::path folder, int lockFd, std::uint64_t generation)
    : root_(std::move(root)), folder_(std::move(folder)), lockFd_(lockFd), generation_(generation)
{
}

RecoverySession::RecoverySession(RecoverySession&& other) noexcept
    : root_(std::move(other.root_)), folder_(std::move(other.folder_)), lockFd_(std::exchange(other.lockFd_, -1)),
      generation_(std::exchange(other.generation_, 0))
{
}

RecoverySession& RecoverySession::operator=(RecoverySession&& other) noexcept
{
    if (this != &other) {
        Release();
        root_ = std::move(other.root_);
        folder_ = std::move(other.folder_);
        lockFd_ = std::exchange(other.lockFd_, -1);
        generation_ = std::exchange(other.generation_, 0);
    }
    return *this;
}

RecoverySession::~RecoverySession()
{
    Release();
}

void RecoverySession::Release()
{
    if (lockFd_ >= 0)
        ::close(lockFd_);
    lockFd_ = -1;
}

std::variant<RecoverySession, std::string> RecoverySession::Start(const fs::path& root)
{
    std::error_code ec;
    fs::create_directories(root, ec);
    if (ec)
        return "cannot make " + root.string() + ": " + ec.message();
    std::string pattern = (root / (std::string(kNewPrefix) + "XXXXXX")).string();
    if (::mkdtemp(pattern.data()) == nullptr)
        return Reason(("cannot make a folder in " + root.string()).c_str(), errno);
    const fs::path made = pattern;
    const int fd = TakeLock(made, true);
    if (fd < 0) {
        const int err = errno;
        fs::remove_all(made, ec);
        return Reason("cannot lock the recovery folder", err);
    }
    // The folder gets its real name only now that it is locked.
    const std::string suffix = made.filename().string().substr(std::strlen(kNewPrefix));
    const fs::path folder = root / (kSessionPrefix + suffix);
    fs::rename(made, folder, ec);
    if (ec) {
        ::close(fd);
        fs::remove_all(made, ec);
        return "cannot name the recovery folder: " + ec.message();
    }
    return RecoverySession(root, folder, fd, 0);
}

std::vector<LeftCopy> RecoverySession::FindLeftCopies(const fs::path& root)
{
    std::vector<LeftCopy> found;
    std::error_code ec;
    for (const fs::directory_entry& entry : fs::directory_iterator(root, ec)) {
        const std::string name = entry.path().filename().string();
        const bool session = HasPrefix(name, kSessionPrefix);
        if ((!session && !HasPrefix(name, kNewPrefix)) || !entry.is_directory(ec) || entry.is_symlink(ec))
            continue;
        const int fd = TakeLock(entry.path(), false);
        if (fd < 0) {
            // Held by a running Mobrix, or lock-less: a session always
            // locks before its folder gets its name, so only a folder made
            // half way has none.
            if (errno == ENOENT && !session)
                fs::remove_all(entry.path(), ec);
            continue;
        }
        RecoverySession over(root, entry.path(), fd, 0);
        const std::optional<RecoveryManifest> manifest = session ? ReadManifest(entry.path()) : std::nullopt;
        if (!manifest || !fs::is_regular_file(ModelFile(entry.path(), manifest->generation), ec) ||
            !fs::is_regular_file(RemapFile(entry.path(), manifest->generation), ec)) {
            over.End();
            continue;
        }
        over.generation_ = manifest->generation;
        found.push_back({std::move(over), *manifest});
    }
    std::sort(found.begin(), found.end(), [](const LeftCopy& a, const LeftCopy& b) {
        return a.manifest.writtenAt != b.manifest.writtenAt ? a.manifest.writtenAt > b.manifest.writtenAt
                                                            : a.session.Folder() < b.session.Folder();
    });
    return found;
}

std::optional<std::string> RecoverySession::Write(const CarModel& model, const RemapSections& sections,
                                                  const RecoveryManifest& about,
                                                  const std::function<void()>& beforeCommit) const
{
    if (lockFd_ < 0)
        return "the recovery folder is no longer held";
    const std::uint64_t next = about.generation;
    const EncodedFile encoded = EncodeFCEAs(model, about.variant);
    if (encoded.failure)
        return Reason("cannot encode the model", *encoded.failure);
    const fs::path modelPath = ModelFile(folder_, next);
    const fs::path remapPath = RemapFile(folder_, next);
    if (const SaveStatus failed = WriteBytes(modelPath, encoded.bytes))
        return Reason("cannot write the model", *failed);
    std::error_code ec;
    if (const SaveStatus failed = WriteBytes(remapPath, EncodeRemapData(model, sections))) {
        fs::remove(modelPath, ec);
        return Reason("cannot write the remap data", *failed);
    }
    if (beforeCommit)
        beforeCommit();
    const std::string text = FormatRecoveryManifest(about);
    if (const SaveStatus failed =
            WriteFileAtomically((folder_ / kManifestName).string(),
                                std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()))) {
        fs::remove(modelPath, ec);
        fs::remove(remapPath, ec);
        return Reason("cannot write the manifest", *failed);
    }
    if (generation_ > 0 && generation_ != next) {
        fs::remove(ModelFile(folder_, generation_), ec);
        fs::remove(RemapFile(folder_, generation_), ec);
    }
    return std::nullopt;
}

void RecoverySession::RemoveCopy()
{
    if (lockFd_ < 0 || generation_ == 0)
        return;
    std::error_code ec;
    // Without its manifest the rest is no copy any more.
    fs::remove(folder_ / kManifestName, ec);
    fs::remove(ModelFile(folder_, generation_), ec);
    fs::remove(RemapFile(folder_, generation_), ec);
    generation_ = 0;
}

void RecoverySession::End()
{
    if (lockFd_ < 0)
        return;
    RemoveCopy();
    std::error_code ec;
    // Whatever else is in it is the session's own too (the files of a
    // write cut short).
    for (const fs::directory_entry& entry : fs::directory_iterator(folder_, ec))
        if (entry.path().filename() != kLockName)
            fs::remove_all(entry.path(), ec);
    fs::remove(folder_ / kLockName, ec);
    fs::remove(folder_, ec);
    Release();
}

std::variant<RecoveredModel, std::string> ReadRecoveryCopy(const LeftCopy& copy)
{
    const RecoveryManifest& m = copy.manifest;
    RecoveredModel read;
    read.sections = StartupRemapSections();
    if (const LoadStatus failed = OpenFCE(read.model, ModelFile(copy.session.Folder(), m.generation).string(), m.variant))
        return LoadFailureMessage(*failed);
    if (auto failed = LoadRemapData(read.model, read.sections, RemapFile(copy.session.Folder(), m.generation).string()))
        return RemapFileFailureMessage(*failed);
    if (m.vertexSet != VertexSet::Normal && HoldsNfs4Tables(read.model))
        SwitchVertexSet(read.model, m.vertexSet);
    read.model.FileName = m.path;
    read.model.TextureFileName = m.texturePath;
    return read;
}

} // namespace mobrix::app
