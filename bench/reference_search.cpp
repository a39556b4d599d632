#include "reference_search.h"

#include <algorithm>
#include <cmath>
#include <thread>

void ReferenceSearch::Run(const std::vector<float>& xyz, float h, int threads) {
    const size_t n = xyz.size() / 3;
    const float r = 2.0f * h;
    const float r2 = r * r;
    float lo[3] = {1e30f, 1e30f, 1e30f}, hi[3] = {-1e30f, -1e30f, -1e30f};
    for (size_t i = 0; i < n; ++i) {
        for (int a = 0; a < 3; ++a) {
            lo[a] = std::min(lo[a], xyz[3 * i + a]);
            hi[a] = std::max(hi[a], xyz[3 * i + a]);
        }
    }
    int dim[3];
    for (int a = 0; a < 3; ++a) dim[a] = static_cast<int>((hi[a] - lo[a]) / r) + 1;
    const size_t cells = static_cast<size_t>(dim[0]) * dim[1] * dim[2];
    auto cell_of = [&](size_t i, int* c) {
        for (int a = 0; a < 3; ++a) {
            c[a] = std::min(dim[a] - 1, static_cast<int>((xyz[3 * i + a] - lo[a]) / r));
        }
    };
    auto flat = [&](const int* c) {
        return (static_cast<size_t>(c[0]) * dim[1] + c[1]) * dim[2] + c[2];
    };

    cell_start.assign(cells + 1, 0);
    cell_index.resize(n);
    for (size_t i = 0; i < n; ++i) {
        int c[3];
        cell_of(i, c);
        cell_index[i] = static_cast<uint32_t>(flat(c));
        ++cell_start[cell_index[i] + 1];
    }
    for (size_t c = 0; c < cells; ++c) cell_start[c + 1] += cell_start[c];
    order.resize(n);
    std::vector<uint32_t> fill(cell_start.begin(), cell_start.end() - 1);
    for (size_t i = 0; i < n; ++i) order[fill[cell_index[i]]++] = static_cast<uint32_t>(i);

    neighbours.resize(static_cast<size_t>(threads));
    auto search = [&](size_t from, size_t to, std::vector<uint32_t>& found) {
        found.clear();
        for (size_t i = from; i < to; ++i) {
            int c[3];
            cell_of(i, c);
            const float px = xyz[3 * i], py = xyz[3 * i + 1], pz = xyz[3 * i + 2];
            for (int a = c[0] - 1; a <= c[0] + 1; ++a) {
                if (a < 0 || a >= dim[0]) continue;
                for (int b = c[1] - 1; b <= c[1] + 1; ++b) {
                    if (b < 0 || b >= dim[1]) continue;
                    for (int d = c[2] - 1; d <= c[2] + 1; ++d) {
                        if (d < 0 || d >= dim[2]) continue;
                        int cc[3] = {a, b, d};
                        size_t f = flat(cc);
                        for (uint32_t s = cell_start[f]; s < cell_start[f + 1]; ++s) {
                            uint32_t j = order[s];
                            if (j == i) continue;
                            float dx = px - xyz[3 * j];
                            if (std::fabs(dx) > r) continue;
                            float dy = py - xyz[3 * j + 1];
                            if (std::fabs(dy) > r) continue;
                            float dz = pz - xyz[3 * j + 2];
                            if (std::fabs(dz) > r) continue;
                            if (dx * dx + dy * dy + dz * dz < r2) found.push_back(j);
                        }
                    }
                }
            }
            found.push_back(UINT32_MAX);  // end of i's list
        }
    };
    std::vector<std::thread> helpers;
    for (int t = 1; t < threads; ++t) {
        helpers.emplace_back(search, n * t / threads, n * (t + 1) / threads,
                             std::ref(neighbours[static_cast<size_t>(t)]));
    }
    search(0, n / threads, neighbours[0]);
    for (auto& t : helpers) t.join();
}

size_t ReferenceSearch::Pairs() const {
    size_t pairs = 0;
    for (const auto& found : neighbours) {
        pairs += static_cast<size_t>(
            std::count_if(found.begin(), found.end(), [](uint32_t j) { return j != UINT32_MAX; }));
    }
    return pairs;
}
