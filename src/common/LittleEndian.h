#pragma once
// Bounds-checked little-endian access to file bytes.
//
// Every file format of the project is little-endian. These two classes are the
// only place that turns bytes into numbers and back, so no reader ever casts a
// pointer over file bytes. Header-only on purpose: the companion viewer keeps
// its own FCE store and may include this without linking the editor's core.

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

namespace le {

template <class T>
inline T Load(const std::uint8_t* p)
{
    static_assert(std::is_trivially_copyable_v<T>);
    T value;
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(&value, p, sizeof value);
    } else {
        std::uint8_t swapped[sizeof(T)];
        std::reverse_copy(p, p + sizeof(T), swapped);
        std::memcpy(&value, swapped, sizeof value);
    }
    return value;
}

template <class T>
inline void Store(std::uint8_t* p, T value)
{
    static_assert(std::is_trivially_copyable_v<T>);
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(p, &value, sizeof value);
    } else {
        std::uint8_t raw[sizeof(T)];
        std::memcpy(raw, &value, sizeof value);
        std::reverse_copy(raw, raw + sizeof(T), p);
    }
}

// Reads numbers at explicit positions. A read that would leave the buffer
// yields zero and marks the reader failed, so a missed check upstream can
// never turn into a read outside the file.
class ByteReader {
public:
    explicit ByteReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    std::size_t size() const { return bytes_.size(); }
    bool failed() const { return failed_; }

    // True when [pos, pos + length) lies inside the buffer.
    bool Fits(std::int64_t pos, std::int64_t length) const
    {
        return pos >= 0 && length >= 0 && pos <= static_cast<std::int64_t>(bytes_.size()) &&
               length <= static_cast<std::int64_t>(bytes_.size()) - pos;
    }

    void Seek(std::int64_t pos) { pos_ = pos; }
    std::int64_t Tell() const { return pos_; }

    // The bytes [pos, pos + length), or an empty span (and the reader marked
    // failed) when they are not all inside the buffer.
    std::span<const std::uint8_t> Span(std::int64_t pos, std::int64_t length)
    {
        if (!Fits(pos, length)) {
            failed_ = true;
            return {};
        }
        return bytes_.subspan(static_cast<std::size_t>(pos), static_cast<std::size_t>(length));
    }

    std::int32_t I32() { return Next<std::int32_t>(); }
    std::uint32_t U32() { return Next<std::uint32_t>(); }
    std::uint16_t U16() { return Next<std::uint16_t>(); }
    std::uint8_t U8() { return Next<std::uint8_t>(); }
    float F32() { return Next<float>(); }

    // Copies raw bytes into `out`; fills it with zeros when out of range.
    void Bytes(std::span<std::uint8_t> out)
    {
        const auto n = static_cast<std::int64_t>(out.size());
        if (!Fits(pos_, n)) {
            failed_ = true;
            std::fill(out.begin(), out.end(), std::uint8_t{0});
        } else if (n > 0) {
            std::memcpy(out.data(), bytes_.data() + pos_, out.size());
        }
        pos_ += n;
    }

    template <class Char>
    void Chars(std::span<Char> out)
    {
        static_assert(sizeof(Char) == 1);
        Bytes(std::span<std::uint8_t>(reinterpret_cast<std::uint8_t*>(out.data()), out.size()));
    }

private:
    template <class T>
    T Next()
    {
        T value{};
        if (Fits(pos_, sizeof(T)))
            value = Load<T>(bytes_.data() + pos_);
        else
            failed_ = true;
        pos_ += static_cast<std::int64_t>(sizeof(T));
        return value;
    }

    std::span<const std::uint8_t> bytes_;
    std::int64_t pos_ = 0;
    bool failed_ = false;
};

// Writes numbers into a buffer of fixed size at explicit positions. Writes
// outside the buffer are dropped and mark the writer failed.
class ByteWriter {
public:
    explicit ByteWriter(std::span<std::uint8_t> bytes) : bytes_(bytes) {}

    bool failed() const { return failed_; }
    void Seek(std::int64_t pos) { pos_ = pos; }
    std::int64_t Tell() const { return pos_; }

    // Hands out the next `length` bytes for filling and moves past them; an
    // empty span (and the writer marked failed) when they do not fit.
    std::span<std::uint8_t> Take(std::int64_t length)
    {
        if (!Fits(length)) {
            failed_ = true;
            pos_ += length;
            return {};
        }
        auto out = bytes_.subspan(static_cast<std::size_t>(pos_), static_cast<std::size_t>(length));
        pos_ += length;
        return out;
    }

    void I32(std::int32_t v) { Put(v); }
    void U32(std::uint32_t v) { Put(v); }
    void U16(std::uint16_t v) { Put(v); }
    void U8(std::uint8_t v) { Put(v); }
    void F32(float v) { Put(v); }

    void Bytes(std::span<const std::uint8_t> in)
    {
        const auto n = static_cast<std::int64_t>(in.size());
        if (!Fits(n))
            failed_ = true;
        else if (n > 0)
            std::memcpy(bytes_.data() + pos_, in.data(), in.size());
        pos_ += n;
    }

    template <class Char>
    void Chars(std::span<const Char> in)
    {
        static_assert(sizeof(Char) == 1);
        Bytes(std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(in.data()), in.size()));
    }

private:
    bool Fits(std::int64_t n) const
    {
        return n >= 0 && pos_ >= 0 && pos_ <= static_cast<std::int64_t>(bytes_.size()) &&
               n <= static_cast<std::int64_t>(bytes_.size()) - pos_;
    }

    template <class T>
    void Put(T v)
    {
        if (Fits(sizeof(T)))
            Store<T>(bytes_.data() + pos_, v);
        else
            failed_ = true;
        pos_ += static_cast<std::int64_t>(sizeof(T));
    }

    std::span<std::uint8_t> bytes_;
    std::int64_t pos_ = 0;
    bool failed_ = false;
};

} // namespace le
