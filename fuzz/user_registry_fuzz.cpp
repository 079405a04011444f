// Feeds arbitrary bytes as the user's registry file (datareg.reg): the parser may not read
// out of bounds; a value read fits the query buffer; a value written reads back from the
// file while every other value keeps what it read; and a file without the key gets it
// without losing a line.
#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "base/text_file.h"
#include "base/user_registry.h"
#include "fuzz_support.h"

namespace {

using namespace halvera;
using fuzz::Check;

constexpr std::string_view NAMES[] = {"smtpserver", "ADRFROM", "pop", "passward", "subject", "new"};

std::vector<std::optional<RegistryValue>> Values(const std::filesystem::path& path) {
    UserRegistry registry(path);
    std::vector<std::optional<RegistryValue>> values;
    if (registry.OpenKey()) {
        for (std::string_view name : NAMES) {
            values.push_back(registry.QueryValue(name));
        }
    }
    return values;
}

std::vector<std::string_view> Lines(std::string_view content) {
    std::vector<std::string_view> lines;
    while (!content.empty()) {
        lines.push_back(TakeLine(content));
    }
    return lines;
}

// Every line of `before` stands in `after`, in the same order.
bool KeepsLines(std::string_view before, std::string_view after) {
    const auto kept = Lines(after);
    auto at = kept.begin();
    for (std::string_view line : Lines(before)) {
        at = std::find(at, kept.end(), line);
        if (at == kept.end()) {
            return false;
        }
        ++at;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const fuzz::FuzzFolder folder;
    folder.Enter();
    const std::string_view content(reinterpret_cast<const char*>(data), size);
    const std::filesystem::path path = folder.Path() / "db" / "datareg.reg";
    fuzz::WriteBytes(path, content);

    std::vector<std::optional<RegistryValue>> before = Values(path);
    for (const auto& value : before) {
        const std::string* text = value ? std::get_if<std::string>(&*value) : nullptr;
        Check(text == nullptr || text->size() < REGISTRY_QUERY_BUFFER);
    }
    UserRegistry registry(path);
    if (before.empty()) {
        Check(registry.CreateKey());
        Check(KeepsLines(content, fuzz::ReadBytes(path)));
        before = Values(path);
        Check(!before.empty());
    } else {
        Check(registry.OpenKey());
    }

    // The value written is the input's last bytes, as a text and as a number.
    const std::size_t index = size > 0 ? data[0] % std::size(NAMES) : 0;
    std::uint32_t number = 0;
    for (std::size_t i = size > 4 ? size - 4 : 0; i < size; ++i) {
        number = number << 8 | data[i];
    }
    for (const RegistryValue& value :
         {RegistryValue(std::string(content.substr(size > 300 ? size - 300 : 0))),
          RegistryValue(number)}) {
        const std::string old = fuzz::ReadBytes(path);
        if (!registry.SetValue(NAMES[index], value)) {
            Check(fuzz::ReadBytes(path) == old);
            continue;
        }
        const auto after = Values(path);
        Check(after.size() == before.size());
        for (std::size_t i = 0; i < after.size(); ++i) {
            if (i != index) {
                Check(after[i] == before[i]);
            }
        }
        const std::string* text = std::get_if<std::string>(&value);
        Check(after[index] == value ||
              (text != nullptr && text->size() >= REGISTRY_QUERY_BUFFER && !after[index]));
        before = after;
    }
    return 0;
}
