#include "platform/win32/region.h"

#include <algorithm>
#include <cstring>

namespace exitbutton::win32 {
namespace {

// One ExtCreateRegion: an RGNDATA header followed by the rectangles.
ScopedRegion BlockRegion(const Rect* rects, std::size_t count) {
    RGNDATAHEADER header{};
    header.dwSize = sizeof(header);
    header.iType = RDH_RECTANGLES;
    header.nCount = static_cast<DWORD>(count);
    header.nRgnSize = static_cast<DWORD>(count * sizeof(RECT));
    std::vector<unsigned char> data(sizeof(header) + header.nRgnSize);
    auto* out = reinterpret_cast<RECT*>(data.data() + sizeof(header));
    for (std::size_t i = 0; i < count; ++i) {
        out[i] = {rects[i].left, rects[i].top, rects[i].right, rects[i].bottom};
        if (i == 0) {
            header.rcBound = out[0];
        } else {
            UnionRect(&header.rcBound, &header.rcBound, &out[i]);
        }
    }
    std::memcpy(data.data(), &header, sizeof(header));
    return ScopedRegion(ExtCreateRegion(nullptr, static_cast<DWORD>(data.size()),
                                        reinterpret_cast<const RGNDATA*>(data.data())));
}

}  // namespace

ScopedRegion RegionFromRects(const std::vector<Rect>& rects) {
    // Wine adds a block's rectangles one at a time, at a cost that grows with
    // the square of their number: small blocks joined together cost less.
    constexpr std::size_t kRectsPerBlock = 32;
    const std::size_t first = std::min(rects.size(), kRectsPerBlock);
    ScopedRegion region = BlockRegion(rects.data(), first);
    for (std::size_t i = first; region && i < rects.size(); i += kRectsPerBlock) {
        ScopedRegion block = BlockRegion(rects.data() + i, std::min(kRectsPerBlock, rects.size() - i));
        if (!block || CombineRgn(region.get(), region.get(), block.get(), RGN_OR) == ERROR) return {};
    }
    return region;
}

}  // namespace exitbutton::win32
