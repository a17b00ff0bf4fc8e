#pragma once
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace dz {

// A list of texts with one added operation, Sort: ascending in the order of
// names everywhere in the program (Compare). It orders the names of transfer
// and delete runs, the subfolders of a tree and the rows of a list.
class CSortStringArray {
public:
    // The order of names: the user's language, the letter case ignored
    // (Über and été among the U's and E's, not after Z); names that the
    // language does not tell apart by A-Z folded UTF-16 units, then by
    // their exact units, so that every order is the same from any start.
    static int Compare(std::u16string_view a, std::u16string_view b);
    // The same without the last step: zero for names that differ only in
    // their letter case, for callers with a tie-break of their own.
    static int CompareNoCase(std::u16string_view a, std::u16string_view b);

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
