#include "common/SortStringArray.h"

#include "common/text.h"
#include "platform/collate.h"

#include <algorithm>

namespace dz {

int CSortStringArray::CompareNoCase(std::u16string_view a, std::u16string_view b) {
    if (const int c = platform::CollateNoCase(a, b))
        return c;
    return CompareNoCaseAZ(a, b);
}

int CSortStringArray::Compare(std::u16string_view a, std::u16string_view b) {
    if (const int c = CompareNoCase(a, b))
        return c;
    return a == b ? 0 : (a < b ? -1 : 1);
}

void CSortStringArray::Sort() {
    // Swapping neighbours until a pass swaps nothing is a stable sort, so a
    // stable library sort over the same comparison gives the same order in
    // O(n log n) instead of O(n^2) for folders with thousands of entries.
    std::stable_sort(
        m_items.begin(), m_items.end(),
        [](const std::u16string& a, const std::u16string& b) { return Compare(a, b) < 0; });
}

bool CSortStringArray::SwapIfGreater(size_t i) {
    if (i + 1 >= m_items.size() || Compare(m_items[i], m_items[i + 1]) <= 0)
        return false;
    std::swap(m_items[i], m_items[i + 1]);
    return true;
}

} // namespace dz
