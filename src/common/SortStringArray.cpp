#include "common/SortStringArray.h"

#include "common/text.h"

#include <algorithm>

namespace dz {

void CSortStringArray::Sort() {
    // Swapping neighbours until a pass swaps nothing is a stable sort, so a
    // stable library sort over the same comparison gives the same order in
    // O(n log n) instead of O(n^2) for folders with thousands of entries.
    std::stable_sort(m_items.begin(), m_items.end(),
                     [](const std::u16string& a, const std::u16string& b) {
                         return dz::CompareNoCaseAZ(a, b) < 0;
                     });
}

bool CSortStringArray::SwapIfGreater(size_t i) {
    if (i + 1 >= m_items.size() || dz::CompareNoCaseAZ(m_items[i], m_items[i + 1]) <= 0)
        return false;
    std::swap(m_items[i], m_items[i + 1]);
    return true;
}

} // namespace dz
