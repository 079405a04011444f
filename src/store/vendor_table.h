#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>

#include "base/ip_address.h"

namespace halvera {

// Widest vendor name a node keeps, and how much of a table value is read before the cut.
inline constexpr std::size_t VENDOR_VALUE_READ_MAX = 127;

// The vendor names of maclist.ini (section "MAC", keys of six hex digits, e.g.
// 000A1B=SomeVendor). The file holds tens of thousands of prefixes, so it is parsed once
// and kept until the file is replaced or its modification time or size changes. Safe to
// use from any thread.
class VendorTable {
  public:
    // Fills vendor from the table file at path: unchanged when the first three MAC bytes
    // are zero or the file is missing; emptied for a prefix the table does not list; else
    // the listed name, at most NODE_NAME_MAX bytes.
    void Lookup(const std::filesystem::path& path, const MacAddress& mac, std::string& vendor);

  private:
    struct Names;
    // What tells one version of the file from another.
    struct Version {
        std::uint64_t device = 0;
        std::uint64_t inode = 0;
        std::int64_t size = 0;
        std::int64_t modifiedNs = 0;
        bool operator==(const Version&) const = default;
    };

    std::mutex m_mutex;
    std::filesystem::path m_path;
    Version m_version;
    std::shared_ptr<const Names> m_names;

    static std::shared_ptr<const Names> Load(const std::filesystem::path& path);
};

// Looks the vendor up in maclist.ini of the program folder, through one process-wide table.
void LookupVendor(const MacAddress& mac, std::string& vendor);

}  // namespace halvera
