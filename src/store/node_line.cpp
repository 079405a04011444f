#include "store/node_line.h"

#include <arpa/inet.h>

#include <algorithm>
#include <cstdint>

#include "base/ini_file.h"
#include "store/line_codec.h"

namespace halvera {
namespace {

// A text field ends at its first LF, NUL or 0xFF (which encodes to a NUL): the line cannot
// carry them, and the encoding or the reader would stop there and lose every later field of
// the record along with the rest of this one. Names come from the network.
std::string_view TextField(std::string_view text) {
    return text.substr(0, text.find_first_of(std::string_view("\n\0\xFF", 3)));
}

std::string Number(std::int32_t value) {
    return std::to_string(value);
}

void AppendField(std::string& line, std::string_view field) {
    line.append(field);
    line.push_back(',');
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// Walks the fields of a decoded line: each Next() yields the following field, or nothing once
// a field has no separator, after which the walk is over.
class FieldWalk {
  public:
    explicit FieldWalk(std::string_view line) : m_line(line) {}

    bool Next(std::size_t maxLength, std::string& field) {
        if (m_done) {
            return false;
        }
        std::size_t next = CopyField(m_line.substr(m_offset), maxLength, field);
        if (next == 0) {
            m_done = true;
            return false;
        }
        m_offset += next;
        return true;
    }

  private:
    std::string_view m_line;
    std::size_t m_offset = 0;
    bool m_done = false;
};

void TakeText(const std::string& field, std::size_t maxLength, std::string& target) {
    if (field.size() <= maxLength) {
        target = field;
    }
}

}  // namespace

std::string FormatNodeLine(const NodeRecord& record) {
    std::string line;
    line.reserve(NODE_LINE_SIZE + 64);
    AppendField(line, FormatIp(record.ip));
    AppendField(line, FormatMac(record.mac));
    AppendField(line, TextField(record.host));
    AppendField(line, TextField(record.domain));
    AppendField(line, Number(record.status));
    AppendField(line, TextField(record.label));
    AppendField(line, TextField(record.updated));
    AppendField(line, TextField(record.detected));
    // "%d" of the unsigned words, as the files have always held them.
    AppendField(line, Number(static_cast<std::int32_t>(record.monitor)));
    AppendField(line, Number(static_cast<std::int32_t>(record.testBits)));
    AppendField(line, Number(record.spare));
    line.resize(NODE_LINE_SIZE, ' ');
    return line;
}

std::string FormatNameLine(Ipv4 ip, std::string_view host, std::string_view domain) {
    std::string line;
    line.reserve(NAME_LINE_SIZE + 64);
    AppendField(line, FormatIp(ip));
    AppendField(line, TextField(host).substr(0, NODE_NAME_MAX));
    AppendField(line, TextField(domain).substr(0, NODE_NAME_MAX));
    line.resize(NAME_LINE_SIZE, ' ');
    return line;
}

std::string StoreLine(std::string_view text, std::size_t lineSize) {
    std::string stored = EncodeLine(text, text.size());
    stored.resize(lineSize - 1, '\0');
    stored.push_back('\n');
    return stored;
}

std::string LoadLine(std::string_view stored) {
    std::string buffer = DecodeLine(stored.substr(0, LINE_BUFFER_SIZE - 1));
    buffer.resize(LINE_BUFFER_SIZE, '\0');
    return buffer;
}

std::size_t CopyField(std::string_view source, std::size_t destinationMax,
                      std::string& destination) {
    destination.clear();
    std::size_t limit = std::min(source.size(), destinationMax + 1);
    for (std::size_t i = 0; i < limit; ++i) {
        char c = source[i];
        if (c == ',' || c == '\n' || c == '\0') {
            destination.assign(source.substr(0, i));
            return i + 1;
        }
    }
    return 0;
}

std::optional<MacAddress> ParseMac(std::string_view text) {
    MacAddress mac{};
    std::size_t group = 0;
    unsigned value = 0;
    for (char c : text) {
        if (c == '-') {
            mac[group] = static_cast<std::uint8_t>(value);
            value = 0;
            if (++group == mac.size()) {
                return std::nullopt;
            }
            continue;
        }
        int digit = HexDigit(c);
        if (digit < 0) {
            return std::nullopt;
        }
        value = value * 16 + static_cast<unsigned>(digit);
        if (value > 0xFF) {
            return std::nullopt;
        }
    }
    mac[group] = static_cast<std::uint8_t>(value);
    return mac;
}

void ParseNodeLine(std::string_view line, NodeRecord& record) {
    FieldWalk walk(line);
    std::string field;
    if (!walk.Next(FIELD_MAX, field)) {
        return;
    }
    record.ip = InetAddr(field);
    if (!walk.Next(FIELD_MAX, field)) {
        return;
    }
    if (auto mac = ParseMac(field)) {
        record.mac = *mac;
    }
    struct Text {
        std::string* target;
        std::size_t maxLength;
    };
    for (Text text : {Text{&record.host, NODE_NAME_MAX}, Text{&record.domain, NODE_NAME_MAX}}) {
        if (!walk.Next(FIELD_MAX, field)) {
            return;
        }
        TakeText(field, text.maxLength, *text.target);
    }
    if (!walk.Next(FIELD_MAX, field)) {
        return;
    }
    record.status = static_cast<std::int8_t>(ParseIntLikeAtoi(field) & 0xFF);
    for (Text text : {Text{&record.label, NODE_LABEL_MAX}, Text{&record.updated, NODE_DATE_MAX},
                      Text{&record.detected, NODE_DATE_MAX}}) {
        if (!walk.Next(FIELD_MAX, field)) {
            return;
        }
        TakeText(field, text.maxLength, *text.target);
    }
    if (!walk.Next(FIELD_MAX, field)) {
        return;
    }
    record.monitor = static_cast<std::uint32_t>(ParseIntLikeAtoi(field));
    if (!walk.Next(FIELD_MAX, field)) {
        return;
    }
    record.testBits = static_cast<std::uint32_t>(ParseIntLikeAtoi(field));
    if (!walk.Next(FIELD_MAX, field)) {
        return;
    }
    record.spare = ParseIntLikeAtoi(field);
}

std::optional<Ipv4> LineAddress(std::string_view line) {
    std::string field;
    if (CopyField(line, FIELD_MAX, field) == 0) {
        return std::nullopt;
    }
    in_addr address{};
    if (inet_aton(field.c_str(), &address) == 0) {
        return std::nullopt;
    }
    return address.s_addr;
}

std::optional<MacAddress> LineMac(std::string_view line) {
    FieldWalk walk(line);
    std::string field;
    if (!walk.Next(FIELD_MAX, field) || !walk.Next(FIELD_MAX, field)) {
        return std::nullopt;
    }
    return ParseMac(field);
}

void ParseNameLine(std::string_view line, std::string& host, std::string& domain) {
    FieldWalk walk(line);
    std::string field;
    if (!walk.Next(FIELD_MAX, field)) {
        return;
    }
    for (std::string* target : {&host, &domain}) {
        if (!walk.Next(NODE_NAME_MAX, field)) {
            return;
        }
        *target = field;
    }
}

}  // namespace halvera
