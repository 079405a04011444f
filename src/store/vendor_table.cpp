#include "store/vendor_table.h"

#include <sys/stat.h>

#include "base/ini_file.h"
#include "base/program_folder.h"
#include "base/text_codec.h"
#include "store/node_record.h"

namespace halvera {
namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return -1;
}

// The prefix of a key of six hex digits (any case, as profile keys compare), or -1.
std::int64_t PrefixOfKey(const std::string& key) {
    if (key.size() != 6) {
        return -1;
    }
    std::int64_t prefix = 0;
    for (char c : key) {
        int digit = HexDigit(c);
        if (digit < 0) {
            return -1;
        }
        prefix = prefix * 16 + digit;
    }
    return prefix;
}

std::uint32_t PrefixOfMac(const MacAddress& mac) {
    return static_cast<std::uint32_t>(mac[0]) << 16 | static_cast<std::uint32_t>(mac[1]) << 8 |
           mac[2];
}

}  // namespace

void VendorTable::Lookup(const std::filesystem::path& path, const MacAddress& mac,
                         std::string& vendor) {
    if (mac[0] == 0 && mac[1] == 0 && mac[2] == 0) {
        return;
    }
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return;
    }
    const Version version{
        static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino),
        static_cast<std::int64_t>(info.st_size),
        static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec};

    std::shared_ptr<const Names> names;
    {
        std::lock_guard lock(m_mutex);
        if (!m_names || path != m_path || version != m_version) {
            auto loaded = std::make_shared<Names>();
            for (auto& [key, value] : IniFile::Load(path).Entries("MAC")) {
                std::int64_t prefix = PrefixOfKey(key);
                if (prefix < 0) {
                    continue;
                }
                std::string_view read = std::string_view(value).substr(0, VENDOR_VALUE_READ_MAX);
                loaded->emplace(static_cast<std::uint32_t>(prefix),
                                std::string(CutCp932(read, NODE_NAME_MAX)));
            }
            m_names = std::move(loaded);
            m_path = path;
            m_version = version;
        }
        names = m_names;
    }
    auto found = names->find(PrefixOfMac(mac));
    vendor = found == names->end() ? std::string() : found->second;
}

void LookupVendor(const MacAddress& mac, std::string& vendor) {
    static VendorTable table;
    table.Lookup(ProgramFolder() / "maclist.ini", mac, vendor);
}

}  // namespace halvera
