#include "com/Persist.h"

#include <cstring>

CComPtr<CMemoryStream> CMemoryStream::Create(std::vector<std::uint8_t> bytes) {
    return CComPtr<CMemoryStream>(new CMemoryStream(std::move(bytes)));
}

HRESULT CMemoryStream::QueryInterface(REFIID iid, void** out) {
    if (out == nullptr)
        return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IStream) {
        *out = static_cast<IStream*>(this);
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

ULONG CMemoryStream::AddRef() {
    return ++refs_;
}

ULONG CMemoryStream::Release() {
    const ULONG n = --refs_;
    if (n == 0)
        delete this;
    return n;
}

HRESULT CMemoryStream::Read(void* buffer, std::uint32_t size, std::uint32_t* done) {
    if (buffer == nullptr && size != 0)
        return E_POINTER;
    const std::size_t n = std::min<std::size_t>(size, bytes_.size() - pos_);
    if (n != 0)
        std::memcpy(buffer, bytes_.data() + pos_, n);
    pos_ += n;
    if (done != nullptr)
        *done = static_cast<std::uint32_t>(n);
    return n == size ? S_OK : S_FALSE;
}

HRESULT CMemoryStream::Write(const void* buffer, std::uint32_t size, std::uint32_t* done) {
    if (buffer == nullptr && size != 0)
        return E_POINTER;
    const auto* p = static_cast<const std::uint8_t*>(buffer);
    if (pos_ + size > bytes_.size())
        bytes_.resize(pos_ + size);
    if (size != 0)
        std::memcpy(bytes_.data() + pos_, p, size);
    pos_ += size;
    if (done != nullptr)
        *done = size;
    return S_OK;
}

void PropWriter::U32(std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out_.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

void PropWriter::Str(std::u16string_view s) {
    U32(static_cast<std::uint32_t>(s.size()));
    for (char16_t c : s) {
        out_.push_back(static_cast<std::uint8_t>(c & 0xFF));
        out_.push_back(static_cast<std::uint8_t>(c >> 8));
    }
}

bool PropReader::U32(std::uint32_t& v) {
    if (Remaining() < 4)
        return false;
    v = 0;
    for (int i = 0; i < 4; ++i)
        v |= static_cast<std::uint32_t>(data_[pos_ + i]) << (8 * i);
    pos_ += 4;
    return true;
}

bool PropReader::I32(std::int32_t& v) {
    std::uint32_t u = 0;
    if (!U32(u))
        return false;
    v = static_cast<std::int32_t>(u);
    return true;
}

bool PropReader::Str(std::u16string& s, std::uint32_t maxUnits) {
    std::uint32_t n = 0;
    if (!U32(n))
        return false;
    if (n > maxUnits || Remaining() / 2 < n)
        return false;
    s.resize(n);
    for (std::uint32_t i = 0; i < n; ++i) {
        s[i] = static_cast<char16_t>(data_[pos_] | (data_[pos_ + 1] << 8));
        pos_ += 2;
    }
    return true;
}

namespace {

HRESULT ReadExact(IStream* stream, void* buffer, std::uint32_t size) {
    auto* p = static_cast<std::uint8_t*>(buffer);
    while (size != 0) {
        std::uint32_t got = 0;
        const HRESULT hr = stream->Read(p, size, &got);
        if (FAILED(hr))
            return hr;
        if (got == 0 || got > size)
            return STG_E_READFAULT;
        p += got;
        size -= got;
    }
    return S_OK;
}

HRESULT WriteExact(IStream* stream, const void* buffer, std::uint32_t size) {
    std::uint32_t done = 0;
    const HRESULT hr = stream->Write(buffer, size, &done);
    if (FAILED(hr))
        return hr;
    return done == size ? S_OK : STG_E_WRITEFAULT;
}

}  // namespace

HRESULT ReadBlock(IStream* stream, std::uint32_t maxBytes, std::vector<std::uint8_t>& out) {
    if (stream == nullptr)
        return E_POINTER;
    std::uint8_t head[4];
    HRESULT hr = ReadExact(stream, head, sizeof head);
    if (FAILED(hr))
        return hr;
    const std::uint32_t n = static_cast<std::uint32_t>(head[0]) | (head[1] << 8) | (head[2] << 16) |
                            (static_cast<std::uint32_t>(head[3]) << 24);
    if (n > maxBytes)
        return STG_E_INVALIDHEADER;
    out.assign(n, 0);
    return n == 0 ? S_OK : ReadExact(stream, out.data(), n);
}

HRESULT WriteBlock(IStream* stream, const std::vector<std::uint8_t>& bytes) {
    if (stream == nullptr)
        return E_POINTER;
    const auto n = static_cast<std::uint32_t>(bytes.size());
    const std::uint8_t head[4] = {static_cast<std::uint8_t>(n), static_cast<std::uint8_t>(n >> 8),
                                  static_cast<std::uint8_t>(n >> 16),
                                  static_cast<std::uint8_t>(n >> 24)};
    const HRESULT hr = WriteExact(stream, head, sizeof head);
    if (FAILED(hr))
        return hr;
    return n == 0 ? S_OK : WriteExact(stream, bytes.data(), n);
}
