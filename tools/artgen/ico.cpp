#include "ico.h"

#include <algorithm>
#include <array>

#include "bmp.h"

namespace artgen {

namespace {

using Colour = std::array<int, 3>;

// Median cut: split the box of colours with the widest channel at its median
// until there are `count` boxes; each box gives its average colour.
std::vector<Colour> MedianCut(std::vector<Colour> colours, int count) {
    std::vector<std::pair<std::size_t, std::size_t>> boxes{{0, colours.size()}};
    auto spread = [&](std::pair<std::size_t, std::size_t> box, int& channel) {
        int best = 0;
        if (box.second - box.first < 2) return best;
        for (int c = 0; c < 3; ++c) {
            auto [lo, hi] = std::minmax_element(colours.begin() + box.first, colours.begin() + box.second,
                                                [c](const Colour& a, const Colour& b) { return a[c] < b[c]; });
            if ((*hi)[c] - (*lo)[c] > best) best = (*hi)[c] - (*lo)[c], channel = c;
        }
        return best;
    };
    while (static_cast<int>(boxes.size()) < count) {
        int widest = -1, channel = 0, widestSpread = 0;
        for (std::size_t i = 0; i < boxes.size(); ++i) {
            int c = 0;
            if (int s = spread(boxes[i], c); s > widestSpread) widestSpread = s, widest = static_cast<int>(i), channel = c;
        }
        if (widest < 0) break;  // every box holds a single colour
        auto [first, last] = boxes[widest];
        std::sort(colours.begin() + first, colours.begin() + last, [channel](const Colour& a, const Colour& b) {
            return a[channel] != b[channel] ? a[channel] < b[channel] : a < b;
        });
        std::size_t middle = first + (last - first) / 2;
        boxes[widest] = {first, middle};
        boxes.push_back({middle, last});
    }
    std::vector<Colour> palette;
    for (auto [first, last] : boxes) {
        Colour sum{};
        for (std::size_t i = first; i < last; ++i)
            for (int c = 0; c < 3; ++c) sum[c] += colours[i][c];
        int n = static_cast<int>(last - first);
        palette.push_back({(sum[0] + n / 2) / n, (sum[1] + n / 2) / n, (sum[2] + n / 2) / n});
    }
    std::sort(palette.begin(), palette.end());
    return palette;
}

int Nearest(const std::vector<Colour>& palette, const std::uint8_t* p) {
    int best = 1, bestDistance = 1 << 30;
    for (std::size_t i = 1; i < palette.size(); ++i) {  // entry 0 is the transparent black
        int d = 0;
        for (int c = 0; c < 3; ++c) d += (palette[i][c] - p[c]) * (palette[i][c] - p[c]);
        if (d < bestDistance) bestDistance = d, best = static_cast<int>(i);
    }
    return best;
}

}  // namespace

IconImage EncodeIconImage(const Image& image, const std::vector<bool>& opaque, int bitCount) {
    const int size = image.width;
    const int xorStride = (size * bitCount + 31) / 32 * 4;
    const int andStride = (size + 31) / 32 * 4;
    std::vector<Colour> palette;
    if (bitCount <= 8) {
        std::vector<Colour> colours;
        for (int i = 0; i < size * size; ++i)
            if (opaque[i]) colours.push_back({image.rgb[i * 3], image.rgb[i * 3 + 1], image.rgb[i * 3 + 2]});
        palette = MedianCut(colours, (1 << bitCount) - 1);
        palette.insert(palette.begin(), Colour{0, 0, 0});
        palette.resize(std::size_t{1} << bitCount, Colour{0, 0, 0});
    }
    IconImage icon{size, bitCount, {}};
    Bytes& out = icon.dib;
    PutU32(out, 40);
    PutU32(out, size);
    PutU32(out, size * 2);  // the XOR bits and the AND mask
    PutU16(out, 1);
    PutU16(out, bitCount);
    PutU32(out, 0);         // BI_RGB
    PutU32(out, (xorStride + andStride) * size);
    for (int i = 0; i < 4; ++i) PutU32(out, 0);
    for (const Colour& c : palette) out.insert(out.end(), {std::uint8_t(c[2]), std::uint8_t(c[1]), std::uint8_t(c[0]), 0});
    for (int y = size - 1; y >= 0; --y) {  // XOR bits, bottom-up
        Bytes row(xorStride, 0);
        for (int x = 0; x < size; ++x) {
            if (!opaque[y * size + x]) continue;
            const std::uint8_t* p = image.at(x, y);
            if (bitCount == 24) {
                row[x * 3] = p[2], row[x * 3 + 1] = p[1], row[x * 3 + 2] = p[0];
            } else if (bitCount == 8) {
                row[x] = static_cast<std::uint8_t>(Nearest(palette, p));
            } else {
                row[x / 2] |= static_cast<std::uint8_t>(Nearest(palette, p) << (x % 2 ? 0 : 4));
            }
        }
        out.insert(out.end(), row.begin(), row.end());
    }
    for (int y = size - 1; y >= 0; --y) {  // AND mask: 1 = transparent
        Bytes row(andStride, 0);
        for (int x = 0; x < size; ++x)
            if (!opaque[y * size + x]) row[x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
        out.insert(out.end(), row.begin(), row.end());
    }
    return icon;
}

namespace {

// The fields GRPICONDIRENTRY and ICONDIRENTRY share.
void PutEntryStart(Bytes& out, const IconImage& image) {
    out.push_back(static_cast<std::uint8_t>(image.size));
    out.push_back(static_cast<std::uint8_t>(image.size));
    out.push_back(static_cast<std::uint8_t>(image.bitCount < 8 ? 1 << image.bitCount : 0));
    out.push_back(0);
    PutU16(out, 1);
    PutU16(out, image.bitCount);
    PutU32(out, static_cast<std::uint32_t>(image.dib.size()));
}

void PutDirectoryHeader(Bytes& out, std::size_t count) {
    PutU16(out, 0);
    PutU16(out, 1);  // icons
    PutU16(out, static_cast<unsigned>(count));
}

}  // namespace

Bytes EncodeIconGroup(const std::vector<IconImage>& images, unsigned firstId) {
    Bytes out;
    PutDirectoryHeader(out, images.size());
    for (std::size_t i = 0; i < images.size(); ++i) {
        PutEntryStart(out, images[i]);
        PutU16(out, firstId + static_cast<unsigned>(i));
    }
    return out;
}

Bytes EncodeIcoFile(const std::vector<IconImage>& images) {
    Bytes out;
    PutDirectoryHeader(out, images.size());
    std::uint32_t offset = static_cast<std::uint32_t>(6 + 16 * images.size());
    for (const IconImage& image : images) {
        PutEntryStart(out, image);
        PutU32(out, offset);
        offset += static_cast<std::uint32_t>(image.dib.size());
    }
    for (const IconImage& image : images) out.insert(out.end(), image.dib.begin(), image.dib.end());
    return out;
}

}  // namespace artgen
