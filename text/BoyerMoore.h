#pragma once
// The good-suffix table of a Boyer-Moore search, shared by the searches over 8-bit and UTF-16 text.
#include <algorithm>
#include <vector>

// Shift by the good-suffix rule for each count of matched units (0..m-1).
template <class Unit> std::vector<int> GoodSuffixShifts(const std::vector<Unit>& p) {
    const int m = static_cast<int>(p.size());
    // suffix[i]: length of the longest common suffix of p[0..i] and p.
    std::vector<int> suffix(m, 0);
    suffix[m - 1] = m;
    int f = m - 1;
    int g = m - 1;
    for (int i = m - 2; i >= 0; --i) {
        if (i > g && suffix[i + m - 1 - f] < i - g) {
            suffix[i] = suffix[i + m - 1 - f];
        } else {
            g = std::min(g, i);
            f = i;
            while (g >= 0 && p[g] == p[g + m - 1 - f])
                --g;
            suffix[i] = f - g;
        }
    }
    // byMismatch[i]: shift when p[i] mismatched after p[i+1..m-1] matched.
    std::vector<int> byMismatch(m, m);
    int j = 0;
    for (int i = m - 1; i >= 0; --i) {
        if (suffix[i] != i + 1) continue; // p[0..i] is not also a suffix
        for (; j < m - 1 - i; ++j)
            if (byMismatch[j] == m) byMismatch[j] = m - 1 - i;
    }
    for (int i = 0; i <= m - 2; ++i)
        byMismatch[m - 1 - suffix[i]] = m - 1 - i;

    std::vector<int> byMatched(m);
    for (int k = 0; k < m; ++k)
        byMatched[k] = byMismatch[m - 1 - k];
    byMatched[0] = 1;
    return byMatched;
}
