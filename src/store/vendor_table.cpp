#include "store/vendor_table.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <string_view>
#include <vector>

#include "base/program_folder.h"
#include "base/text_codec.h"
#include "base/text_file.h"
#include "base/text_helpers.h"
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
std::int64_t PrefixOfKey(std::string_view key) {
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

std::string_view Unquoted(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        value = value.substr(1, value.size() - 2);
    }
    return value;
}

// The file's content, read in one go; empty when it cannot be read.
std::string ReadContent(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in) {
        return {};
    }
    // A read error (a failing disk) reads as an empty file; the stream may report it by
    // throwing, whatever its exception mask says.
    try {
        const std::streamoff size = in.tellg();
        if (size <= 0 || !in.seekg(0)) {
            return {};
        }
        std::string content(static_cast<std::size_t>(size), '\0');
        in.read(content.data(), size);
        content.resize(static_cast<std::size_t>(in.gcount()));
        return content;
    } catch (const std::ios_base::failure&) {
        return {};
    }
}

// Calls take with every key and value of the sections named MAC, in file order, read as the
// settings files are (IniFile): names compare without case, blanks around names and values
// are dropped, a value in matching quotes loses them, ';' starts a comment line. The table
// holds tens of thousands of lines and is read while a search waits for it, so nothing is
// kept of the lines it does not need.
template <class Take>
void ForEachMacEntry(std::string_view content, Take take) {
    bool inMac = false;
    while (!content.empty()) {
        const std::string_view text = TrimWithCr(TakeLine(content));
        if (text.empty()) {
            continue;
        }
        if (text.front() == '[') {
            const std::size_t close = text.find(']');
            if (close != std::string_view::npos) {
                inMac = EqualsNoCase(TrimWithCr(text.substr(1, close - 1)), "MAC");
            }
            continue;
        }
        const std::size_t equals = text.find('=');
        if (!inMac || text.front() == ';' || equals == std::string_view::npos) {
            continue;
        }
        const std::string_view key = TrimWithCr(text.substr(0, equals));
        if (!key.empty()) {
            take(key, Unquoted(TrimWithCr(text.substr(equals + 1))));
        }
    }
}

std::uint32_t PrefixOfMac(const MacAddress& mac) {
    return static_cast<std::uint32_t>(mac[0]) << 16 | static_cast<std::uint32_t>(mac[1]) << 8 |
           mac[2];
}

}  // namespace

// The names of the listed prefixes as pieces of one text, the prefixes sorted: a few
// allocations for tens of thousands of names, where a map would make one or two of each.
struct VendorTable::Names {
    struct Entry {
        std::uint32_t prefix = 0;
        std::uint32_t offset = 0;  // into text
        std::uint32_t size = 0;
    };
    std::vector<Entry> entries;
    std::string text;

    std::string Find(std::uint32_t prefix) const {
        const auto found =
            std::lower_bound(entries.begin(), entries.end(), prefix,
                             [](const Entry& entry, std::uint32_t p) { return entry.prefix < p; });
        if (found == entries.end() || found->prefix != prefix) {
            return {};
        }
        return text.substr(found->offset, found->size);
    }
};

std::shared_ptr<const VendorTable::Names> VendorTable::Load(const std::filesystem::path& path) {
    auto names = std::make_shared<Names>();
    // Every name is a piece of its line (cut, unquoted, never changed otherwise), so the
    // file's text holds them all and each entry only says where.
    names->text = ReadContent(path);
    const std::string_view content = names->text;
    // About one entry a line of some thirty bytes: one allocation for the usual table.
    names->entries.reserve(content.size() / 30);
    ForEachMacEntry(content, [&](std::string_view key, std::string_view value) {
        const std::int64_t prefix = PrefixOfKey(key);
        const std::string_view name =
            CutCp932(value.substr(0, VENDOR_VALUE_READ_MAX), NODE_NAME_MAX);
        // Past 4 GiB a file is no vendor table; its further names are not looked at.
        if (prefix < 0 || static_cast<std::uint64_t>(name.data() - content.data()) > UINT32_MAX) {
            return;
        }
        names->entries.push_back({static_cast<std::uint32_t>(prefix),
                                  static_cast<std::uint32_t>(name.data() - content.data()),
                                  static_cast<std::uint32_t>(name.size())});
    });
    // The first entry of a prefix wins, as a profile look-up finds it.
    std::stable_sort(
        names->entries.begin(), names->entries.end(),
        [](const Names::Entry& a, const Names::Entry& b) { return a.prefix < b.prefix; });
    names->entries.erase(std::unique(names->entries.begin(), names->entries.end(),
                                     [](const Names::Entry& a, const Names::Entry& b) {
                                         return a.prefix == b.prefix;
                                     }),
                         names->entries.end());
    return names;
}

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
            m_names = Load(path);
            m_path = path;
            m_version = version;
        }
        names = m_names;
    }
    vendor = names->Find(PrefixOfMac(mac));
}

void LookupVendor(const MacAddress& mac, std::string& vendor) {
    static VendorTable table;
    table.Lookup(ProgramFolder() / "maclist.ini", mac, vendor);
}

}  // namespace halvera
