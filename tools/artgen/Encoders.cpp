#include "tools/artgen/Encoders.h"

#include <cstdio>

namespace artgen {
namespace {

void Put16(std::vector<uint8_t>& b, uint32_t v) {
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(std::vector<uint8_t>& b, uint32_t v) {
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}

std::vector<uint8_t> BmpHeaders(int width, int height, int bits, uint32_t paletteEntries,
                                uint32_t imageBytes) {
    std::vector<uint8_t> b;
    const uint32_t offset = 14 + 40 + paletteEntries * 4;
    b.push_back('B');
    b.push_back('M');
    Put32(b, offset + imageBytes);
    Put32(b, 0);
    Put32(b, offset);
    Put32(b, 40);
    Put32(b, static_cast<uint32_t>(width));
    Put32(b, static_cast<uint32_t>(height));  // positive: bottom-up rows
    Put16(b, 1);
    Put16(b, static_cast<uint32_t>(bits));
    Put32(b, 0);  // BI_RGB
    Put32(b, imageBytes);
    Put32(b, 3780);  // 96 dpi
    Put32(b, 3780);
    Put32(b, paletteEntries);
    Put32(b, 0);
    return b;
}

uint32_t Stride(int width, int bits) {
    return ((static_cast<uint32_t>(width) * bits + 31) / 32) * 4;
}

}  // namespace

std::vector<uint8_t> EncodeBmp24(const Pixels& px) {
    const uint32_t stride = Stride(px.width, 24);
    std::vector<uint8_t> b = BmpHeaders(px.width, px.height, 24, 0, stride * px.height);
    for (int y = px.height - 1; y >= 0; --y) {
        const size_t start = b.size();
        for (int x = 0; x < px.width; ++x) {
            const uint32_t c = px.at(x, y);
            b.push_back(static_cast<uint8_t>(c));
            b.push_back(static_cast<uint8_t>(c >> 8));
            b.push_back(static_cast<uint8_t>(c >> 16));
        }
        b.resize(start + stride, 0);
    }
    return b;
}

std::vector<uint8_t> EncodeBmpIndexed(int width, int height, const std::vector<uint8_t>& index,
                                      const std::vector<uint32_t>& palette, int bits) {
    const uint32_t entries = 1u << bits;
    const uint32_t stride = Stride(width, bits);
    std::vector<uint8_t> b = BmpHeaders(width, height, bits, entries, stride * height);
    for (uint32_t i = 0; i < entries; ++i) {
        Put32(b, i < palette.size() ? (palette[i] & 0xFFFFFF) : 0);
    }
    for (int y = height - 1; y >= 0; --y) {
        std::vector<uint8_t> row(stride, 0);
        for (int x = 0; x < width; ++x) {
            const uint8_t v = index[static_cast<size_t>(y) * width + x];
            if (bits == 8) {
                row[x] = v;
            } else {
                row[x / 2] |= static_cast<uint8_t>((x % 2 == 0) ? (v & 0xF) << 4 : (v & 0xF));
            }
        }
        b.insert(b.end(), row.begin(), row.end());
    }
    return b;
}

std::vector<uint8_t> EncodeWave16(const std::vector<int16_t>& samples, int sampleRate) {
    std::vector<uint8_t> b;
    const uint32_t dataBytes = static_cast<uint32_t>(samples.size() * 2);
    b.insert(b.end(), {'R', 'I', 'F', 'F'});
    Put32(b, 36 + dataBytes);
    b.insert(b.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    Put32(b, 16);
    Put16(b, 1);  // PCM
    Put16(b, 1);  // mono
    Put32(b, static_cast<uint32_t>(sampleRate));
    Put32(b, static_cast<uint32_t>(sampleRate) * 2);
    Put16(b, 2);
    Put16(b, 16);
    b.insert(b.end(), {'d', 'a', 't', 'a'});
    Put32(b, dataBytes);
    for (int16_t s : samples) {
        Put16(b, static_cast<uint16_t>(s));
    }
    return b;
}

bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) {
        return false;
    }
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

}  // namespace artgen

#include <algorithm>
#include <map>

namespace artgen {
namespace {

int Channel(uint32_t c, int ch) {
    return static_cast<int>((c >> (16 - 8 * ch)) & 0xFF);
}

int Distance(uint32_t a, uint32_t b) {
    int d = 0;
    for (int ch = 0; ch < 3; ++ch) {
        const int v = Channel(a, ch) - Channel(b, ch);
        d += v * v;
    }
    return d;
}

struct Box {
    std::vector<std::pair<uint32_t, uint64_t>> colours;  // colour, count
    int Range(int ch) const {
        int lo = 255;
        int hi = 0;
        for (const auto& c : colours) {
            lo = std::min(lo, Channel(c.first, ch));
            hi = std::max(hi, Channel(c.first, ch));
        }
        return hi - lo;
    }
    uint32_t Mean() const {
        uint64_t sum[3] = {0, 0, 0};
        uint64_t n = 0;
        for (const auto& c : colours) {
            for (int ch = 0; ch < 3; ++ch)
                sum[ch] += static_cast<uint64_t>(Channel(c.first, ch)) * c.second;
            n += c.second;
        }
        uint32_t out = 0;
        for (int ch = 0; ch < 3; ++ch) {
            out |= static_cast<uint32_t>((sum[ch] + n / 2) / n) << (16 - 8 * ch);
        }
        return out;
    }
};

uint8_t Nearest(uint32_t c, const std::vector<uint32_t>& palette, size_t skip) {
    int best = -1;
    int bestD = 0;
    for (size_t i = 0; i < palette.size(); ++i) {
        if (i == skip)
            continue;
        const int d = Distance(c, palette[i]);
        if (best < 0 || d < bestD) {
            best = static_cast<int>(i);
            bestD = d;
        }
    }
    return static_cast<uint8_t>(best < 0 ? 0 : best);
}

}  // namespace

Indexed Quantise(const Pixels& px, int maxColours, uint32_t key) {
    key &= 0xFFFFFF;
    std::map<uint32_t, uint64_t> histogram;
    for (uint32_t c : px.argb) {
        if ((c & 0xFFFFFF) != key)
            ++histogram[c & 0xFFFFFF];
    }
    std::vector<Box> boxes(1);
    boxes[0].colours.assign(histogram.begin(), histogram.end());
    const size_t room = static_cast<size_t>(maxColours - 1);
    while (boxes.size() < room) {
        // Split the box with the widest channel range at its weighted median.
        size_t pick = boxes.size();
        int pickRange = 0;
        int pickCh = 0;
        for (size_t b = 0; b < boxes.size(); ++b) {
            if (boxes[b].colours.size() < 2)
                continue;
            for (int ch = 0; ch < 3; ++ch) {
                const int r = boxes[b].Range(ch);
                if (r > pickRange) {
                    pick = b;
                    pickRange = r;
                    pickCh = ch;
                }
            }
        }
        if (pick == boxes.size())
            break;
        auto& cs = boxes[pick].colours;
        std::stable_sort(cs.begin(), cs.end(), [pickCh](const auto& a, const auto& b) {
            return Channel(a.first, pickCh) < Channel(b.first, pickCh);
        });
        uint64_t total = 0;
        for (const auto& c : cs)
            total += c.second;
        uint64_t run = 0;
        size_t cut = 1;
        for (size_t i = 0; i + 1 < cs.size(); ++i) {
            run += cs[i].second;
            cut = i + 1;
            if (run * 2 >= total)
                break;
        }
        Box upper;
        upper.colours.assign(cs.begin() + static_cast<long>(cut), cs.end());
        cs.resize(cut);
        boxes.push_back(std::move(upper));
    }
    Indexed out;
    out.palette.push_back(key);
    for (const Box& b : boxes) {
        if (!b.colours.empty())
            out.palette.push_back(b.Mean());
    }
    std::map<uint32_t, uint8_t> memo;
    out.index.reserve(px.argb.size());
    for (uint32_t c : px.argb) {
        c &= 0xFFFFFF;
        if (c == key) {
            out.index.push_back(0);
            continue;
        }
        auto it = memo.find(c);
        if (it == memo.end()) {
            it = memo.emplace(c, Nearest(c, out.palette, 0)).first;
        }
        out.index.push_back(it->second);
    }
    return out;
}

Indexed MapToPalette(const Pixels& px, const std::vector<uint32_t>& palette) {
    Indexed out;
    out.palette = palette;
    for (uint32_t c : px.argb) {
        out.index.push_back(Nearest(c & 0xFFFFFF, palette, palette.size()));
    }
    return out;
}

std::vector<uint32_t> StandardPalette16() {
    return {0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0xC0C0C0,
            0x808080, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};
}

}  // namespace artgen
