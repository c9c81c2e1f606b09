#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

namespace vantry {

// One 4-connected region of a w x h pixel grid.
struct PixelComponent {
    std::vector<int> pixels; // row-major indices, in fill order
    int minX = 0;
    int minY = 0;
    int maxX = 0;
    int maxY = 0;
};

// Calls `visit(const PixelComponent&)` for every 4-connected region of the pixels for which
// `inside(index)` holds, in row-major order of each region's first pixel.
template <class Inside, class Visit>
void forEach4ConnectedComponent(int w, int h, Inside inside, Visit visit)
{
    if (w < 1 || h < 1)
        return;
    const int n = w * h;
    std::vector<std::uint8_t> marked(n, 0);
    std::vector<int> stack;
    PixelComponent comp;
    for (int start = 0; start < n; ++start) {
        if (marked[start] || !inside(start))
            continue;
        comp.pixels.clear();
        comp.minX = w, comp.maxX = -1, comp.minY = h, comp.maxY = -1;
        marked[start] = 1;
        stack.push_back(start);
        while (!stack.empty()) {
            const int i = stack.back();
            stack.pop_back();
            comp.pixels.push_back(i);
            const int x = i % w;
            const int y = i / w;
            comp.minX = std::min(comp.minX, x);
            comp.maxX = std::max(comp.maxX, x);
            comp.minY = std::min(comp.minY, y);
            comp.maxY = std::max(comp.maxY, y);
            auto push = [&](int j) {
                if (!marked[j] && inside(j)) {
                    marked[j] = 1;
                    stack.push_back(j);
                }
            };
            if (x >= 1)
                push(i - 1);
            if (x < w - 1)
                push(i + 1);
            if (y >= 1)
                push(i - w);
            if (y < h - 1)
                push(i + w);
        }
        visit(comp);
    }
}

} // namespace vantry
