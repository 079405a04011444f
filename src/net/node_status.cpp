#include "net/node_status.h"

namespace halvera {

namespace {

constexpr std::size_t HEADER_SIZE = 12;
constexpr std::uint16_t FLAG_RESPONSE = 0x8000;
constexpr unsigned OPCODE_SHIFT = 11;
constexpr std::uint16_t OPCODE_MASK = 0x0F;
constexpr std::uint16_t RCODE_MASK = 0x000F;
constexpr std::uint16_t CLASS_IN = 0x0001;
constexpr std::size_t NAME_MAX = 255;  // encoded name with its scope
constexpr std::uint8_t LABEL_POINTER = 0xC0;
constexpr std::uint8_t LABEL_MAX = 63;

// One entry of the node name array: 15 name bytes, the suffix byte, two flag bytes.
constexpr std::size_t NAME_ENTRY_SIZE = 18;
constexpr std::size_t NAME_TEXT_SIZE = 15;
constexpr std::uint16_t NAME_GROUP = 0x8000;
constexpr std::uint16_t NAME_DEREGISTERING = 0x1000;
constexpr std::uint16_t NAME_CONFLICT = 0x0800;
constexpr std::uint8_t SUFFIX_WORKSTATION = 0x00;

// Reads forward through a datagram; every read says whether the bytes were there.
class Reader {
  public:
    explicit Reader(std::span<const std::uint8_t> bytes) : m_bytes(bytes) {}

    bool Byte(std::uint8_t& value) {
        if (m_offset + 1 > m_bytes.size()) {
            return false;
        }
        value = m_bytes[m_offset++];
        return true;
    }
    bool Word(std::uint16_t& value) {
        if (m_offset + 2 > m_bytes.size()) {
            return false;
        }
        value = static_cast<std::uint16_t>(m_bytes[m_offset] << 8 | m_bytes[m_offset + 1]);
        m_offset += 2;
        return true;
    }
    bool Skip(std::size_t count) {
        if (count > m_bytes.size() - m_offset) {
            return false;
        }
        m_offset += count;
        return true;
    }
    bool Take(std::size_t count, std::span<const std::uint8_t>& part) {
        if (count > m_bytes.size() - m_offset) {
            return false;
        }
        part = m_bytes.subspan(m_offset, count);
        m_offset += count;
        return true;
    }

  private:
    std::span<const std::uint8_t> m_bytes;
    std::size_t m_offset = 0;
};

// Skips the record's name: labels up to the empty one, or a compression pointer, which is
// not followed (the name is not needed).
bool SkipName(Reader& reader) {
    std::size_t length = 0;
    for (;;) {
        std::uint8_t label = 0;
        if (!reader.Byte(label)) {
            return false;
        }
        if (label == 0) {
            return true;
        }
        if ((label & LABEL_POINTER) == LABEL_POINTER) {
            return reader.Skip(1);
        }
        if (label > LABEL_MAX) {
            return false;
        }
        length += 1 + label;
        if (length > NAME_MAX || !reader.Skip(label)) {
            return false;
        }
    }
}

std::string NameText(std::span<const std::uint8_t> entry) {
    std::size_t end = NAME_TEXT_SIZE;
    while (end > 0 && entry[end - 1] == ' ') {
        --end;
    }
    return std::string(entry.begin(), entry.begin() + static_cast<std::ptrdiff_t>(end));
}

void PutEncodedName(std::vector<std::uint8_t>& out, const std::uint8_t (&name)[16]) {
    // First-level encoding: each byte becomes two letters 'A' + nibble.
    out.push_back(32);
    for (std::uint8_t b : name) {
        out.push_back(static_cast<std::uint8_t>('A' + (b >> 4)));
        out.push_back(static_cast<std::uint8_t>('A' + (b & 0x0F)));
    }
    out.push_back(0);
}

void PutWord(std::vector<std::uint8_t>& out, std::uint16_t value) {
    out.push_back(static_cast<std::uint8_t>(value >> 8));
    out.push_back(static_cast<std::uint8_t>(value & 0xFF));
}

}  // namespace

std::vector<std::uint8_t> BuildNodeStatusQuery(std::uint16_t transactionId) {
    static constexpr std::uint8_t ANY_NAME[16] = {'*'};
    std::vector<std::uint8_t> query;
    PutWord(query, transactionId);
    PutWord(query, 0);  // query, opcode 0, no flags
    PutWord(query, 1);  // one question
    PutWord(query, 0);
    PutWord(query, 0);
    PutWord(query, 0);
    PutEncodedName(query, ANY_NAME);
    PutWord(query, NBSTAT_TYPE);
    PutWord(query, CLASS_IN);
    return query;
}

std::optional<NodeStatusReply> ParseNodeStatusReply(std::span<const std::uint8_t> datagram) {
    Reader reader(datagram);
    NodeStatusReply reply;
    std::uint16_t flags = 0;
    std::uint16_t questions = 0;
    std::uint16_t answers = 0;
    if (!reader.Word(reply.transactionId) || !reader.Word(flags) || !reader.Word(questions) ||
        !reader.Word(answers) || !reader.Skip(HEADER_SIZE - 8)) {
        return std::nullopt;
    }
    if ((flags & FLAG_RESPONSE) == 0 || ((flags >> OPCODE_SHIFT) & OPCODE_MASK) != 0 ||
        (flags & RCODE_MASK) != 0 || questions != 0 || answers == 0) {
        return std::nullopt;
    }
    std::uint16_t type = 0;
    std::uint16_t rrClass = 0;
    std::uint16_t dataLength = 0;
    if (!SkipName(reader) || !reader.Word(type) || !reader.Word(rrClass) || !reader.Skip(4) ||
        !reader.Word(dataLength)) {
        return std::nullopt;
    }
    std::span<const std::uint8_t> data;
    if (type != NBSTAT_TYPE || rrClass != CLASS_IN || !reader.Take(dataLength, data)) {
        return std::nullopt;
    }
    // The name array and then the statistics; the statistics are not needed and some
    // nodes cut them short, so only the names must fit.
    Reader names(data);
    std::uint8_t count = 0;
    if (!names.Byte(count)) {
        return std::nullopt;
    }
    for (std::uint8_t i = 0; i < count; ++i) {
        std::span<const std::uint8_t> entry;
        if (!names.Take(NAME_ENTRY_SIZE, entry)) {
            return std::nullopt;
        }
        std::uint8_t suffix = entry[NAME_TEXT_SIZE];
        auto nameFlags = static_cast<std::uint16_t>(entry[16] << 8 | entry[17]);
        if (suffix != SUFFIX_WORKSTATION || (nameFlags & (NAME_DEREGISTERING | NAME_CONFLICT))) {
            continue;
        }
        std::string& field = (nameFlags & NAME_GROUP) ? reply.workgroup : reply.computer;
        if (field.empty()) {
            field = NameText(entry);
        }
    }
    return reply;
}

}  // namespace halvera
