// libFuzzer target for Trimlet's part file reader: any input is refused or
// read, and what was read writes back to bytes that read again to the same
// bytes.
#include "../src/trimlet/PartFile.h"

#include <cstdlib>

namespace {

void Require(bool condition)
{
    if (!condition)
        std::abort();
}

void Exercise(std::span<const std::uint8_t> bytes, trimlet::IdentityCheck identity)
{
    auto read = trimlet::DecodePartFile(bytes, "TPART1.PRT", identity);
    if (!std::holds_alternative<trimlet::PartFile>(read))
        return;
    const trimlet::PartFile& part = std::get<trimlet::PartFile>(read);
    Require(part.TablesAgree());
    const std::vector<std::uint8_t> written = trimlet::EncodePartFile(part);
    Require(static_cast<std::int64_t>(written.size()) == trimlet::PartFileSize(part.VertexCount(), part.TriangleCount()));
    auto again = trimlet::DecodePartFile(written, "TPART1.PRT");
    Require(std::holds_alternative<trimlet::PartFile>(again));
    Require(trimlet::EncodePartFile(std::get<trimlet::PartFile>(again)) == written);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Exercise({data, size}, trimlet::IdentityCheck::Check);
    Exercise({data, size}, trimlet::IdentityCheck::Skip);
    return 0;
}
