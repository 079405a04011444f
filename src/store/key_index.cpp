#include "store/key_index.h"

#include <algorithm>

namespace halvera {

void KeyIndex::Add(std::uint64_t key, std::size_t record) {
    auto& records = m_records[key];
    records.insert(std::lower_bound(records.begin(), records.end(), record), record);
}

void KeyIndex::Remove(std::uint64_t key, std::size_t record) {
    auto found = m_records.find(key);
    if (found == m_records.end()) {
        return;
    }
    auto& records = found->second;
    auto at = std::lower_bound(records.begin(), records.end(), record);
    if (at != records.end() && *at == record) {
        records.erase(at);
    }
    if (records.empty()) {
        m_records.erase(found);
    }
}

std::optional<std::size_t> KeyIndex::First(std::uint64_t key) const {
    const auto records = All(key);
    if (records.empty()) {
        return std::nullopt;
    }
    return records.front();
}

std::span<const std::size_t> KeyIndex::All(std::uint64_t key) const {
    auto found = m_records.find(key);
    if (found == m_records.end()) {
        return {};
    }
    return found->second;
}

}  // namespace halvera
