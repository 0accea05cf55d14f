#include "Viv.h"

#include "ExchangeErrors.h"
#include "FileIO.h"
#include "SafeFileOps.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <new>

namespace mobrix {

namespace {

constexpr std::size_t kRecordNumbers = 8; // offset and size
// The smallest directory record: the numbers, a one-character name, a NUL.
constexpr std::size_t kSmallestRecord = kRecordNumbers + 2;

std::uint32_t LoadBigEndian(const std::uint8_t* p)
{
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | std::uint32_t{p[3]};
}

std::uint32_t Swapped(std::uint32_t v)
{
    return ((v & 0xFFu) << 24) | ((v & 0xFF00u) << 8) | ((v >> 8) & 0xFF00u) | (v >> 24);
}

void AppendBigEndian(std::vector<std::uint8_t>& out, std::uint32_t v)
{
    const std::uint8_t bytes[4] = {static_cast<std::uint8_t>(v >> 24), static_cast<std::uint8_t>(v >> 16),
                                   static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v)};
    out.insert(out.end(), bytes, bytes + 4);
}

char LowerAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameIgnoringCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return LowerAscii(x) == LowerAscii(y);
           });
}

bool IsSeparator(char c)
{
    return c == '/' || c == '\\';
}

bool IsControl(char c)
{
    const auto u = static_cast<unsigned char>(c);
    return u < 0x20 || u == 0x7F;
}

// The name as it may appear in a message: control characters shown as '?'.
std::string Shown(std::string_view name)
{
    std::string shown(name.substr(0, 60));
    std::replace_if(shown.begin(), shown.end(), IsControl, '?');
    return "'" + shown + (name.size() > 60 ? "...'" : "'");
}

VivFailure Fail(VivError kind, int code, std::string detail, std::int64_t entry = -1)
{
    return VivFailure{kind, code, std::move(detail), entry, std::nullopt};
}

std::string EntryLabel(std::size_t index)
{
    return "entry " + std::to_string(index + 1);
}

std::string EntryLabel(std::size_t index, std::string_view name)
{
    return EntryLabel(index) + " (" + Shown(name) + ")";
}

VivFailure EntryFail(VivError kind, int code, std::size_t index, std::string what)
{
    return Fail(kind, code, EntryLabel(index) + ": " + std::move(what), static_cast<std::int64_t>(index));
}

// The first control character of a name, if any.
std::optional<unsigned char> ControlCharacter(std::string_view name)
{
    const auto found = std::find_if(name.begin(), name.end(), IsControl);
    if (found == name.end())
        return std::nullopt;
    return static_cast<unsigned char>(*found);
}

std::string Hex(unsigned value)
{
    static const char digits[] = "0123456789ABCDEF";
    return std::string("0x") + digits[(value >> 4) & 0xF] + digits[value & 0xF];
}

// Refuses a name no reader would accept.
VivStatus CheckName(std::string_view name, std::size_t index)
{
    if (name.empty())
        return EntryFail(VivError::EmptyName, ErrorCode::BadFileName, index, "the name is empty");
    if (const auto c = ControlCharacter(name))
        return Fail(VivError::BadName, ErrorCode::BadFileName,
                    EntryLabel(index, name) + ": control character " + Hex(*c) + " in the name",
                    static_cast<std::int64_t>(index));
    return std::nullopt;
}

struct Header {
    VivKind kind = VivKind::Bigf;
    std::uint32_t count = 0;
    std::uint32_t headerSize = 0;
};

std::optional<VivKind> KindOfMagic(const std::uint8_t* p)
{
    if (std::memcmp(p, "BIGF", 4) == 0)
        return VivKind::Bigf;
    if (std::memcmp(p, "BIGH", 4) == 0)
        return VivKind::Bigh;
    if (std::memcmp(p, "BIG4", 4) == 0)
        return VivKind::Big4;
    return std::nullopt;
}

std::variant<Header, VivFailure> ReadHeader(std::span<const std::uint8_t> head, std::uint64_t fileSize)
{
    if (fileSize < kVivHeaderSize || head.size() < kVivHeaderSize)
        return Fail(VivError::NotAnArchive, ExchangeErrorCode::InvalidFileFormat,
                    "the file is " + std::to_string(fileSize) + " bytes long, shorter than an archive header");
    const std::optional<VivKind> kind = KindOfMagic(head.data());
    if (!kind)
        return Fail(VivError::NotAnArchive, ExchangeErrorCode::InvalidFileFormat,
                    "not a car archive (no BIGF, BIGH or BIG4 magic)");
    Header h;
    h.kind = *kind;
    const std::uint32_t size = LoadBigEndian(head.data() + 4);
    h.count = LoadBigEndian(head.data() + 8);
    h.headerSize = LoadBigEndian(head.data() + 12);
    // Either byte order of the size is taken when it is the file's size.
    if (size != fileSize && Swapped(size) != fileSize)
        return Fail(VivError::SizeMismatch, ExchangeErrorCode::InputPastEndOfFile,
                    "the header gives an archive size of " + std::to_string(size) + " bytes, the file is " +
                        std::to_string(fileSize) + " bytes long");
    if (h.headerSize < kVivHeaderSize)
        return Fail(VivError::BadHeaderSize, ErrorCode::SubscriptOutOfRange,
                    "the header size " + std::to_string(h.headerSize) + " is smaller than the header");
    if (h.headerSize > fileSize)
        return Fail(VivError::BadHeaderSize, ExchangeErrorCode::InputPastEndOfFile,
                    "the header size " + std::to_string(h.headerSize) + " is past the end of the file (" +
                        std::to_string(fileSize) + " bytes)");
    if (h.count > (h.headerSize - kVivHeaderSize) / kSmallestRecord)
        return Fail(VivError::TooManyEntries, ErrorCode::SubscriptOutOfRange,
                    std::to_string(h.count) + " entries cannot fit in a directory of " +
                        std::to_string(h.headerSize - kVivHeaderSize) + " bytes");
    return h;
}

// Reads record `index` at `pos` of the directory; `pos` moves past it.
std::variant<VivEntry, VivFailure> ReadRecord(std::span<const std::uint8_t> dir, std::size_t& pos, std::size_t index,
                                              std::uint64_t fileSize)
{
    if (dir.size() - pos < kRecordNumbers)
        return EntryFail(VivError::DirectoryPastHeader, ExchangeErrorCode::InputPastEndOfFile, index,
                         "its directory record runs past the header size " + std::to_string(dir.size()));
    VivEntry entry;
    entry.offset = LoadBigEndian(dir.data() + pos);
    entry.size = LoadBigEndian(dir.data() + pos + 4);
    pos += kRecordNumbers;
    const auto* start = dir.data() + pos;
    const void* nul = std::memchr(start, 0, dir.size() - pos);
    if (!nul)
        return EntryFail(VivError::NameNotTerminated, ExchangeErrorCode::InputPastEndOfFile, index,
                         "its name has no NUL before the header size " + std::to_string(dir.size()));
    const auto length = static_cast<std::size_t>(static_cast<const std::uint8_t*>(nul) - start);
    const std::string_view name(reinterpret_cast<const char*>(start), length);
    if (auto bad = CheckName(name, index))
        return *bad;
    pos += length + 1;
    if (std::uint64_t{entry.offset} + entry.size > fileSize)
        return Fail(VivError::EntryPastEnd, ExchangeErrorCode::InputPastEndOfFile,
                    EntryLabel(index, name) + ": offset " + std::to_string(entry.offset) + " and size " +
                        std::to_string(entry.size) + " run past the end of the archive (" +
                        std::to_string(fileSize) + " bytes)",
                    static_cast<std::int64_t>(index));
    entry.name.assign(name);
    return entry;
}

VivFailure FileFailure(int code, std::string detail)
{
    return Fail(VivError::FileError, code, std::move(detail));
}

// The failure with the archive's path in front of its detail.
VivFailure InFile(VivFailure failure, const std::string& path)
{
    if (failure.kind != VivError::FileError)
        failure.detail = path + ": " + failure.detail;
    return failure;
}

// A failed open or read, worded as the whole-file reads word theirs.
VivFailure SystemFailure(const std::string& path, const fileops::Problem& problem)
{
    const int code = ErrorCodeFromErrno(problem.err);
    const std::string why = problem.notRegular.empty() ? std::strerror(problem.err) : fileops::NotRegularText(problem);
    return FileFailure(code, ErrorCodeDescription(code) + " (" + path + ": " + why + ")");
}

VivFailure FromLoad(const LoadFailure& failure)
{
    return FileFailure(failure.code, failure.detail);
}

VivFailure FromSave(const SaveFailure& failure)
{
    return FileFailure(failure.code, failure.detail);
}

// Whether a path component leads by a drive letter ("C:").
bool LedByDriveLetter(std::string_view name)
{
    return name.size() >= 2 && ((name[0] >= 'A' && name[0] <= 'Z') || (name[0] >= 'a' && name[0] <= 'z')) &&
           name[1] == ':';
}

} // namespace

std::string VivFailureMessage(const VivFailure& failure)
{
    return failure.detail;
}

// --- Reading -------------------------------------------------------------

VivRead ReadVivDirectory(std::span<const std::uint8_t> head, std::uint64_t fileSize)
{
    auto header = ReadHeader(head, fileSize);
    if (auto* failure = std::get_if<VivFailure>(&header))
        return std::move(*failure);
    const Header& h = std::get<Header>(header);

    VivArchive archive;
    archive.kind = h.kind;
    archive.headerSize = h.headerSize;
    archive.entries.reserve(h.count); // bounded by the header size above
    if (head.size() < h.headerSize)
        return Fail(VivError::BadHeaderSize, ExchangeErrorCode::InputPastEndOfFile,
                    "the directory is cut short after " + std::to_string(head.size()) + " of its " +
                        std::to_string(h.headerSize) + " bytes");
    const std::span<const std::uint8_t> dir = head.first(h.headerSize);
    std::size_t pos = kVivHeaderSize;
    for (std::size_t i = 0; i < h.count; ++i) {
        auto record = ReadRecord(dir, pos, i, fileSize);
        if (auto* failure = std::get_if<VivFailure>(&record))
            return std::move(*failure);
        archive.entries.push_back(std::move(std::get<VivEntry>(record)));
    }
    return archive;
}

VivRead ReadViv(std::span<const std::uint8_t> file)
{
    return ReadVivDirectory(file, file.size());
}

VivRead ListViv(const std::string& path)
{
    fileops::Descriptor fd;
    struct stat st {};
    if (auto problem = fileops::OpenRegular(path, fd, st))
        return SystemFailure(path, *problem);
    const auto fileSize = static_cast<std::uint64_t>(st.st_size);
    std::uint8_t header[kVivHeaderSize] = {};
    const ssize_t got = fileops::ReadFully(fd.get(), header);
    if (got < 0)
        return SystemFailure(path, {errno, {}, -1});
    // The header alone says how much more to read; it is checked against
    // the file's size before anything is allocated for the directory.
    auto parsed = ReadHeader({header, static_cast<std::size_t>(got)}, fileSize);
    if (auto* failure = std::get_if<VivFailure>(&parsed))
        return InFile(std::move(*failure), path);
    std::vector<std::uint8_t> head;
    try {
        head.resize(std::get<Header>(parsed).headerSize);
    } catch (const std::bad_alloc&) {
        return FileFailure(ErrorCode::OutOfMemory, "out of memory");
    }
    std::memcpy(head.data(), header, kVivHeaderSize);
    const ssize_t rest = fileops::ReadFully(fd.get(), std::span(head).subspan(kVivHeaderSize));
    if (rest < 0)
        return SystemFailure(path, {errno, {}, -1});
    head.resize(kVivHeaderSize + static_cast<std::size_t>(rest)); // the file may have shrunk meanwhile
    VivRead read = ReadVivDirectory(head, fileSize);
    if (auto* failure = std::get_if<VivFailure>(&read))
        return InFile(std::move(*failure), path);
    return read;
}

std::variant<LoadedViv, VivFailure> LoadViv(const std::string& path)
{
    LoadedViv loaded;
    if (const LoadStatus failure = ReadWholeFile(path, loaded.bytes, static_cast<std::int64_t>(kMaxVivSize)))
        return FromLoad(*failure);
    VivRead read = ReadViv(loaded.bytes);
    if (auto* failure = std::get_if<VivFailure>(&read))
        return InFile(std::move(*failure), path);
    loaded.archive = std::move(std::get<VivArchive>(read));
    return loaded;
}

std::span<const std::uint8_t> EntryBytes(std::span<const std::uint8_t> file, const VivEntry& entry)
{
    if (std::uint64_t{entry.offset} + entry.size > file.size())
        return {};
    return file.subspan(entry.offset, entry.size);
}

std::optional<std::size_t> FindEntry(const VivArchive& archive, std::string_view name)
{
    for (std::size_t i = 0; i < archive.entries.size(); ++i) {
        if (SameIgnoringCase(archive.entries[i].name, name))
            return i;
    }
    return std::nullopt;
}

std::optional<std::size_t> FirstFceEntry(const VivArchive& archive)
{
    for (std::size_t i = 0; i < archive.entries.size(); ++i) {
        const std::string& name = archive.entries[i].name;
        if (name.size() >= 4 && SameIgnoringCase(std::string_view(name).substr(name.size() - 4), ".fce"))
            return i;
    }
    return std::nullopt;
}

std::optional<std::string> SafeExtractPath(std::string_view name)
{
    if (name.empty() || IsSeparator(name.front()) || LedByDriveLetter(name) || ControlCharacter(name))
        return std::nullopt;
    std::string relative;
    std::size_t start = 0;
    while (start <= name.size()) {
        std::size_t end = start;
        while (end < name.size() && !IsSeparator(name[end]))
            ++end;
        const std::string_view part = name.substr(start, end - start);
        if (part == "..")
            return std::nullopt;
        if (!part.empty() && part != ".") {
            if (!relative.empty())
                relative += '/';
            relative += part;
        }
        start = end + 1;
    }
    if (relative.empty())
        return std::nullopt;
    return relative;
}

// --- Writing -------------------------------------------------------------

std::vector<VivFileView> VivFiles(std::span<const std::uint8_t> file, const VivArchive& archive)
{
    std::vector<VivFileView> files;
    files.reserve(archive.entries.size());
    for (const VivEntry& entry : archive.entries)
        files.push_back({entry.name, EntryBytes(file, entry)});
    return files;
}

namespace {

// The header and directory of the plain archive of `files`.
VivEncoded EncodeDirectory(std::span<const VivFileView> files, std::uint64_t& total)
{
    std::uint64_t headerSize = kVivHeaderSize;
    std::uint64_t contents = 0;
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (auto bad = CheckName(files[i].name, i))
            return *bad;
        headerSize += kRecordNumbers + files[i].name.size() + 1;
        contents += files[i].bytes.size();
        if (headerSize + contents > kMaxVivSize)
            return Fail(VivError::TooLarge, ErrorCode::Overflow,
                        "the archive would be larger than 4 GiB at " + EntryLabel(i, files[i].name),
                        static_cast<std::int64_t>(i));
    }
    total = headerSize + contents;

    std::vector<std::uint8_t> out;
    try {
        out.reserve(static_cast<std::size_t>(headerSize));
    } catch (const std::bad_alloc&) {
        return Fail(VivError::FileError, ErrorCode::OutOfMemory, "out of memory");
    }
    out.insert(out.end(), {'B', 'I', 'G', 'F'});
    AppendBigEndian(out, static_cast<std::uint32_t>(total));
    AppendBigEndian(out, static_cast<std::uint32_t>(files.size()));
    AppendBigEndian(out, static_cast<std::uint32_t>(headerSize));
    auto offset = static_cast<std::uint32_t>(headerSize);
    for (const VivFileView& file : files) {
        AppendBigEndian(out, offset);
        AppendBigEndian(out, static_cast<std::uint32_t>(file.bytes.size()));
        out.insert(out.end(), file.name.begin(), file.name.end());
        out.push_back(0);
        offset += static_cast<std::uint32_t>(file.bytes.size());
    }
    return out;
}

// Writes the plain archive of `files` atomically, straight from the files'
// bytes: the archive is never assembled in memory.
VivStatus WriteArchive(const std::string& path, std::span<const VivFileView> files)
{
    std::uint64_t total = 0;
    VivEncoded directory = EncodeDirectory(files, total);
    if (auto* failure = std::get_if<VivFailure>(&directory))
        return std::move(*failure);
    std::vector<std::span<const std::uint8_t>> pieces;
    pieces.reserve(files.size() + 1);
    pieces.push_back(std::get<std::vector<std::uint8_t>>(directory));
    for (const VivFileView& file : files)
        pieces.push_back(file.bytes);
    if (const SaveStatus failure = WriteFileAtomically(path, std::span<const std::span<const std::uint8_t>>(pieces)))
        return FromSave(*failure);
    return std::nullopt;
}

} // namespace

VivEncoded EncodeViv(std::span<const VivFileView> files)
{
    std::uint64_t total = 0;
    VivEncoded encoded = EncodeDirectory(files, total);
    auto* out = std::get_if<std::vector<std::uint8_t>>(&encoded);
    if (!out)
        return encoded;
    try {
        out->reserve(static_cast<std::size_t>(total));
    } catch (const std::bad_alloc&) {
        return Fail(VivError::FileError, ErrorCode::OutOfMemory, "out of memory");
    }
    for (const VivFileView& file : files)
        out->insert(out->end(), file.bytes.begin(), file.bytes.end());
    return encoded;
}

VivEncoded ReplaceEntry(std::span<const std::uint8_t> file, const VivArchive& archive, std::size_t index,
                        std::span<const std::uint8_t> replacement)
{
    if (index >= archive.entries.size())
        return Fail(VivError::NoSuchEntry, ErrorCode::SubscriptOutOfRange,
                    "the archive has no " + EntryLabel(index) + " (it has " +
                        std::to_string(archive.entries.size()) + ")");
    std::vector<VivFileView> files = VivFiles(file, archive);
    files[index].bytes = replacement;
    return EncodeViv(files);
}

namespace {

// The entry of that name (the first ".fce" one for an empty name).
std::variant<std::size_t, VivFailure> NamedEntry(const VivArchive& archive, const std::string& archivePath,
                                                 const std::string& entryName)
{
    const std::optional<std::size_t> index = entryName.empty() ? FirstFceEntry(archive) : FindEntry(archive, entryName);
    if (index)
        return *index;
    return Fail(VivError::NoSuchEntry, ErrorCode::FileNotFound,
                archivePath + ": " +
                    (entryName.empty() ? std::string("no .fce entry in the archive")
                                       : "no entry " + Shown(entryName) + " in the archive"));
}

} // namespace

VivStatus SaveViv(const std::string& path, std::span<const VivFileView> files)
{
    return WriteArchive(path, files);
}

VivStatus ReplaceEntryInArchive(const std::string& path, const std::string& entryName,
                                std::span<const std::uint8_t> replacement)
{
    auto loaded = LoadViv(path);
    if (auto* failure = std::get_if<VivFailure>(&loaded))
        return std::move(*failure);
    const LoadedViv& viv = std::get<LoadedViv>(loaded);
    auto found = NamedEntry(viv.archive, path, entryName);
    if (auto* failure = std::get_if<VivFailure>(&found))
        return std::move(*failure);
    std::vector<VivFileView> files = VivFiles(viv.bytes, viv.archive);
    files[std::get<std::size_t>(found)].bytes = replacement;
    return WriteArchive(path, files);
}

std::variant<std::vector<std::string>, VivFailure> ExtractViv(std::span<const std::uint8_t> file,
                                                               const VivArchive& archive, const std::string& folder)
{
    std::vector<std::string> relative;
    relative.reserve(archive.entries.size());
    for (std::size_t i = 0; i < archive.entries.size(); ++i) {
        std::optional<std::string> path = SafeExtractPath(archive.entries[i].name);
        if (!path)
            return Fail(VivError::UnsafeName, ErrorCode::BadFileName,
                        EntryLabel(i, archive.entries[i].name) + ": the name would leave the folder",
                        static_cast<std::int64_t>(i));
        relative.push_back(std::move(*path));
    }
    std::vector<std::string> written;
    written.reserve(relative.size());
    for (std::size_t i = 0; i < relative.size(); ++i) {
        const std::filesystem::path target = std::filesystem::path(folder) / relative[i];
        std::error_code ec;
        std::filesystem::create_directories(target.parent_path(), ec);
        if (ec)
            return FileFailure(ErrorCodeFromErrno(ec.value()),
                               target.parent_path().string() + ": " + ec.message());
        if (const SaveStatus failure = WriteFileAtomically(target.string(), EntryBytes(file, archive.entries[i])))
            return FromSave(*failure);
        written.push_back(target.string());
    }
    return written;
}

// --- Models inside archives -----------------------------------------------

std::variant<ArchiveModel, VivFailure> LoadModelFromArchive(CarModel& model, const std::string& archivePath,
                                                            const std::string& entryName,
                                                            std::optional<FceVariant> variant)
{
    auto loaded = LoadViv(archivePath);
    if (auto* failure = std::get_if<VivFailure>(&loaded))
        return std::move(*failure);
    const LoadedViv& viv = std::get<LoadedViv>(loaded);
    auto found = NamedEntry(viv.archive, archivePath, entryName);
    if (auto* failure = std::get_if<VivFailure>(&found))
        return std::move(*failure);
    const std::size_t index = std::get<std::size_t>(found);
    const VivEntry& entry = viv.archive.entries[index];

    const std::span<const std::uint8_t> bytes = EntryBytes(viv.bytes, entry);
    const FceVariant chosen = variant.value_or(HasNfs4Magic(bytes) ? FceVariant::Nfs4 : FceVariant::Nfs3);
    const LoadStatus status = chosen == FceVariant::Nfs4 ? ReadFCE4(bytes, model) : ReadFCE3(bytes, model);
    if (status) {
        VivFailure failure = Fail(VivError::ModelUnreadable, status->code,
                                  archivePath + ": " + Shown(entry.name) + ": " + OneLineLoadFailureMessage(*status),
                                  static_cast<std::int64_t>(index));
        failure.model = *status;
        return failure;
    }
    return ArchiveModel{entry.name, chosen};
}

VivStatus SaveModelIntoArchive(const CarModel& model, const std::string& archivePath, const std::string& entryName,
                               FceVariant variant)
{
    const EncodedFile encoded = variant == FceVariant::Nfs4 ? EncodeFCE4(model) : EncodeFCE3(model);
    if (encoded.failure)
        return Fail(VivError::ModelUnwritable, encoded.failure->code,
                    archivePath + ": " + Shown(entryName) + ": " + OneLineSaveFailureMessage(*encoded.failure));
    return ReplaceEntryInArchive(archivePath, entryName, encoded.bytes);
}

} // namespace mobrix
