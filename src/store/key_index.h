#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <unordered_map>
#include <vector>

namespace halvera {

// The record numbers of a file by key (an address, a MAC address), each key's numbers in file
// order, so that the first record of a key, the one a scan from the start would meet, is
// found without reading the file.
class KeyIndex {
  public:
    void Clear() { m_records.clear(); }
    void Add(std::uint64_t key, std::size_t record);
    void Remove(std::uint64_t key, std::size_t record);
    std::optional<std::size_t> First(std::uint64_t key) const;
    // Every record of the key, in file order.
    std::span<const std::size_t> All(std::uint64_t key) const;

  private:
    std::unordered_map<std::uint64_t, std::vector<std::size_t>> m_records;
};

}  // namespace halvera
