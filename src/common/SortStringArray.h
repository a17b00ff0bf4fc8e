#pragma once
#include <cstddef>
#include <string>
#include <vector>

namespace dz {

// A list of texts with one added operation, Sort: ascending, A-Z folded, then
// UTF-16 units by value, a prefix first, equal texts keeping their order. It
// orders the names of transfer and delete runs and the subfolders of a tree.
class CSortStringArray {
public:
    void Add(std::u16string text) { m_items.push_back(std::move(text)); }
    size_t GetSize() const { return m_items.size(); }
    bool IsEmpty() const { return m_items.empty(); }
    const std::u16string& operator[](size_t i) const { return m_items[i]; }
    const std::vector<std::u16string>& Items() const { return m_items; }
    void RemoveAll() { m_items.clear(); }

    void Sort();
    // True (and the pair swapped) when element i compares greater than i + 1.
    bool SwapIfGreater(size_t i);

private:
    std::vector<std::u16string> m_items;
};

} // namespace dz
