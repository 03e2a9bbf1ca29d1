// Byte streams and stream persistence of an object's properties.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "com/Unknown.h"

constexpr IID IID_IStream =
    MakeGuid(0x0000000C, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46);
constexpr IID IID_IPersist =
    MakeGuid(0x0000010C, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46);
constexpr IID IID_IPersistStreamInit =
    MakeGuid(0x7FD52380, 0x4E07, 0x101B, 0xAE, 0x2D, 0x08, 0x00, 0x2B, 0x2E, 0xC7, 0x13);

class IStream : public IUnknown {
public:
    // Reads up to size bytes; *done tells how many came (0 at the end).
    virtual HRESULT Read(void* buffer, std::uint32_t size, std::uint32_t* done) = 0;
    virtual HRESULT Write(const void* buffer, std::uint32_t size, std::uint32_t* done) = 0;

protected:
    ~IStream() = default;
};

class IPersist : public IUnknown {
public:
    virtual HRESULT GetClassID(CLSID* clsid) = 0;

protected:
    ~IPersist() = default;
};

class IPersistStreamInit : public IPersist {
public:
    virtual HRESULT IsDirty() = 0;
    virtual HRESULT Load(IStream* stream) = 0;
    virtual HRESULT Save(IStream* stream, bool clearDirty) = 0;
    virtual HRESULT GetSizeMax(std::uint64_t* size) = 0;
    virtual HRESULT InitNew() = 0;

protected:
    ~IPersistStreamInit() = default;
};

// A stream over bytes in memory, for saving and loading through IPersistStreamInit.
class CMemoryStream final : public IStream {
public:
    static CComPtr<CMemoryStream> Create(std::vector<std::uint8_t> bytes = {});

    HRESULT QueryInterface(REFIID iid, void** out) override;
    ULONG AddRef() override;
    ULONG Release() override;
    HRESULT Read(void* buffer, std::uint32_t size, std::uint32_t* done) override;
    HRESULT Write(const void* buffer, std::uint32_t size, std::uint32_t* done) override;

    const std::vector<std::uint8_t>& Bytes() const { return bytes_; }
    void Rewind() { pos_ = 0; }

private:
    explicit CMemoryStream(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {}
    ~CMemoryStream() = default;

    std::atomic<ULONG> refs_{0};
    std::vector<std::uint8_t> bytes_;
    std::size_t pos_ = 0;
};

// The property-exchange encoding: little-endian 32-bit numbers and texts as a
// unit count followed by UTF-16LE units.
class PropWriter {
public:
    void U32(std::uint32_t v);
    void I32(std::int32_t v) { U32(static_cast<std::uint32_t>(v)); }
    void Str(std::u16string_view s);
    const std::vector<std::uint8_t>& Bytes() const { return out_; }

private:
    std::vector<std::uint8_t> out_;
};

// Reads what PropWriter wrote; every read checks the remaining length, and a
// text may be no longer than maxUnits.
class PropReader {
public:
    PropReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    bool U32(std::uint32_t& v);
    bool I32(std::int32_t& v);
    bool Str(std::u16string& s, std::uint32_t maxUnits);
    std::size_t Remaining() const { return size_ - pos_; }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

// A saved property set is one block: a 32-bit byte count, then the bytes, so a
// container can keep other data after it in the same stream. Reading refuses a
// block larger than maxBytes or one cut short.
HRESULT ReadBlock(IStream* stream, std::uint32_t maxBytes, std::vector<std::uint8_t>& out);
HRESULT WriteBlock(IStream* stream, const std::vector<std::uint8_t>& bytes);
