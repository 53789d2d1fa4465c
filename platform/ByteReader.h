#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

// Reads little-endian integers and tags out of a byte buffer that came from
// outside (a file). Every read is checked against the buffer: a read that
// would reach past its end fails and leaves the output untouched. Offsets are
// 64-bit so that offsets computed from sizes in the data cannot wrap.
class ByteReader {
public:
    explicit ByteReader(std::span<const std::uint8_t> bytes) : m_bytes(bytes) { }

    std::uint64_t Size() const { return m_bytes.size(); }

    // Whether count bytes starting at offset lie inside the buffer.
    bool Has(std::uint64_t offset, std::uint64_t count) const
    {
        return offset <= m_bytes.size() && count <= m_bytes.size() - offset;
    }

    bool U32(std::uint64_t offset, std::uint32_t& value) const { return LittleEndian(offset, value); }
    bool U64(std::uint64_t offset, std::uint64_t& value) const { return LittleEndian(offset, value); }

    // Whether the bytes at offset equal tag (false when they lie past the end).
    bool Equals(std::uint64_t offset, std::span<const std::uint8_t> tag) const
    {
        if (!Has(offset, tag.size()))
            return false;
        for (std::size_t i = 0; i < tag.size(); ++i)
            if (m_bytes[static_cast<std::size_t>(offset) + i] != tag[i])
                return false;
        return true;
    }

    // A four-character code such as "RIFF" or "vids".
    bool EqualsFourCC(std::uint64_t offset, std::string_view fourCC) const
    {
        if (fourCC.size() != 4 || !Has(offset, 4))
            return false;
        for (std::size_t i = 0; i < 4; ++i)
            if (m_bytes[static_cast<std::size_t>(offset) + i] != static_cast<std::uint8_t>(fourCC[i]))
                return false;
        return true;
    }

private:
    template <typename Unsigned>
    bool LittleEndian(std::uint64_t offset, Unsigned& value) const
    {
        if (!Has(offset, sizeof value))
            return false;
        value = 0;
        for (std::size_t i = sizeof value; i-- > 0;)
            value = static_cast<Unsigned>(value << 8) | m_bytes[static_cast<std::size_t>(offset) + i];
        return true;
    }

    std::span<const std::uint8_t> m_bytes;
};
