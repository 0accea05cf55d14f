#pragma once
// Reading and writing Trimlet's records in their little-endian file form.

#include "LittleEndian.h"
#include "TrimletTypes.h"

#include <span>
#include <vector>

namespace trimlet::codec {

inline Vec3 ReadVec3(le::ByteReader& in)
{
    Vec3 v;
    v.X = in.F32();
    v.Y = in.F32();
    v.Z = in.F32();
    return v;
}

inline void WriteVec3(le::ByteWriter& out, const Vec3& v)
{
    out.F32(v.X);
    out.F32(v.Y);
    out.F32(v.Z);
}

inline Triangle ReadTriangle(le::ByteReader& in)
{
    Triangle t;
    t.TexPage = in.I32();
    t.I1 = in.I32();
    t.I2 = in.I32();
    t.I3 = in.I32();
    in.Bytes(t.TriFill);
    t.Flags = in.I32();
    for (float& u : t.U)
        u = in.F32();
    for (float& v : t.V)
        v = in.F32();
    return t;
}

inline void WriteTriangle(le::ByteWriter& out, const Triangle& t)
{
    out.I32(t.TexPage);
    out.I32(t.I1);
    out.I32(t.I2);
    out.I32(t.I3);
    out.Bytes(t.TriFill);
    out.I32(t.Flags);
    for (float u : t.U)
        out.F32(u);
    for (float v : t.V)
        out.F32(v);
}

// `count` records from the reader's position; the caller has checked that
// they fit.
inline std::vector<Vec3> ReadVec3s(le::ByteReader& in, std::int64_t count)
{
    std::vector<Vec3> out(static_cast<std::size_t>(count));
    for (Vec3& v : out)
        v = ReadVec3(in);
    return out;
}

inline std::vector<Triangle> ReadTriangles(le::ByteReader& in, std::int64_t count)
{
    std::vector<Triangle> out(static_cast<std::size_t>(count));
    for (Triangle& t : out)
        t = ReadTriangle(in);
    return out;
}

inline std::vector<VertFlag> ReadVertFlags(le::ByteReader& in, std::int64_t count)
{
    std::vector<VertFlag> out(static_cast<std::size_t>(count));
    for (VertFlag& f : out)
        in.Bytes(f);
    return out;
}

inline void WriteVec3s(le::ByteWriter& out, std::span<const Vec3> values)
{
    for (const Vec3& v : values)
        WriteVec3(out, v);
}

inline void WriteTriangles(le::ByteWriter& out, std::span<const Triangle> values)
{
    for (const Triangle& t : values)
        WriteTriangle(out, t);
}

inline void WriteVertFlags(le::ByteWriter& out, std::span<const VertFlag> values)
{
    for (const VertFlag& f : values)
        out.Bytes(f);
}

} // namespace trimlet::codec
