// Feeds arbitrary bytes as stored lines of the node files and the name book: the line
// encoding and the parsers may not read out of bounds, the encoding undoes itself, a record
// read from a line and written back reads the same, and the key readers agree with the
// record parser.
#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "fuzz_support.h"
#include "store/line_codec.h"
#include "store/node_line.h"

namespace {

using namespace halvera;
using fuzz::Check;

// The text up to and including its n-th ",", or nothing when it has fewer.
std::optional<std::string_view> UpToComma(std::string_view text, int n) {
    std::size_t at = 0;
    for (int i = 0; i < n; ++i, ++at) {
        at = text.find(',', at);
        if (at == std::string_view::npos) {
            return std::nullopt;
        }
    }
    return text.substr(0, at);
}

// A text whose every field, with its ",", survives the stored line's length.
bool FitsStoredLine(std::string_view text, int fields, std::size_t lineSize) {
    const auto whole = UpToComma(text, fields);
    return whole && EncodeLine(*whole, whole->size()).size() <= lineSize - 1;
}

void CheckCodec(std::string_view text) {
    const std::string encoded = EncodeLine(text, text.size());
    Check(encoded.find_first_of(std::string_view("\n\r,", 3)) == std::string::npos);
    // The encoding stops at LF and NUL; 0xFF encodes to a NUL, where decoding stops.
    const std::string_view carried =
        text.substr(0, text.find_first_of(std::string_view("\n\0", 2)));
    const std::string decoded = DecodeLine(encoded);
    Check(decoded == carried.substr(0, carried.find('\xFF')));
    // Decoding never writes more than it read.
    Check(DecodeLine(text).size() <= text.size());
}

void CheckNodeLine(std::string_view stored) {
    const std::string line = LoadLine(stored);
    Check(line.size() == LINE_BUFFER_SIZE);
    NodeRecord record;
    ParseNodeLine(line, record);
    Check(record.host.size() <= NODE_NAME_MAX && record.domain.size() <= NODE_NAME_MAX &&
          record.label.size() <= NODE_LABEL_MAX && record.updated.size() <= NODE_DATE_MAX &&
          record.detected.size() <= NODE_DATE_MAX);
    // The keys the indexes are built from are the record's own.
    if (const auto ip = LineAddress(line)) {
        Check(*ip == record.ip);
    }
    if (const auto mac = LineMac(line)) {
        Check(*mac == record.mac);
    }
    const std::string formatted = FormatNodeLine(record);
    Check(formatted.size() == NODE_LINE_SIZE);
    const std::string written = StoreLine(formatted, NODE_LINE_SIZE);
    Check(written.size() == NODE_LINE_SIZE && written.back() == '\n');
    if (FitsStoredLine(formatted, 11, NODE_LINE_SIZE)) {
        NodeRecord again;
        ParseNodeLine(LoadLine(written), again);
        Check(again == record);
    }
}

void CheckNameLine(std::string_view stored) {
    std::string host = "unset";
    std::string domain = "unset";
    const std::string line = LoadLine(stored);
    ParseNameLine(line, host, domain);
    Check(host.size() <= NODE_NAME_MAX && domain.size() <= NODE_NAME_MAX);
    const Ipv4 ip = LineAddress(line).value_or(0);
    const std::string formatted = FormatNameLine(ip, host, domain);
    Check(formatted.size() == NAME_LINE_SIZE);
    const std::string written = StoreLine(formatted, NAME_LINE_SIZE);
    Check(written.size() == NAME_LINE_SIZE && written.back() == '\n');
    if (FitsStoredLine(formatted, 3, NAME_LINE_SIZE)) {
        std::string hostAgain;
        std::string domainAgain;
        ParseNameLine(LoadLine(written), hostAgain, domainAgain);
        Check(hostAgain == host && domainAgain == domain && LineAddress(LoadLine(written)) == ip);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    CheckCodec(input);
    CheckNodeLine(input);
    CheckNameLine(input);
    return 0;
}
