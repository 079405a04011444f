#include "net/network_names.h"

#include <sys/random.h>

#include <algorithm>
#include <random>
#include <set>
#include <unordered_map>
#include <utility>
#include <vector>

#include "base/text_codec.h"
#include "net/node_identification.h"
#include "net/udp_socket.h"
#include "store/node_record.h"

namespace halvera {

namespace {

using Micros = std::chrono::microseconds;

// The addresses to query, in ascending host order: the ranges cut to the subnet, merged so
// that no address is asked twice.
class QueryTargets {
  public:
    QueryTargets(std::span<const NameQueryRange> ranges, Ipv4 ownIp, Ipv4 mask)
        : m_ownIp(ownIp), m_mask(mask) {
        std::uint64_t hostMask = ~HostOrder(mask);
        std::uint64_t first = HostOrder(ownIp & mask);
        std::uint64_t last = first | hostMask;
        // The subnet's own address and its broadcast address are no nodes; a /31 or /32 has
        // neither.
        m_skipEdges = hostMask >= 3;
        m_spans = MergedHostSpans(ranges, first, last);
        m_next = m_spans.empty() ? 0 : m_spans.front().first;
        SkipUnqueried();
    }

    bool Done() const { return m_index >= m_spans.size(); }
    Ipv4 Current() const { return NetworkOrder(static_cast<std::uint32_t>(m_next)); }
    void Advance() {
        ++m_next;
        SkipUnqueried();
    }
    // True when the address was a target and its query has left.
    bool WasQueried(Ipv4 ip) const {
        std::uint64_t host = HostOrder(ip);
        if (!Done() && host >= m_next) {
            return false;
        }
        return IsTarget(ip) && std::any_of(m_spans.begin(), m_spans.end(), [host](auto& s) {
                   return s.first <= host && host <= s.second;
               });
    }

  private:
    bool IsTarget(Ipv4 ip) const {
        if (IsOutsideSubnet(ip, m_ownIp, m_mask)) {
            return false;
        }
        Ipv4 hostPart = ip & ~m_mask;
        return !m_skipEdges || (hostPart != 0 && hostPart != ~m_mask);
    }
    void SkipUnqueried() {
        while (m_index < m_spans.size()) {
            if (m_next > m_spans[m_index].second) {
                if (++m_index < m_spans.size()) {
                    m_next = m_spans[m_index].first;
                }
                continue;
            }
            if (IsTarget(Current())) {
                return;
            }
            ++m_next;
        }
    }

    Ipv4 m_ownIp;
    Ipv4 m_mask;
    bool m_skipEdges = false;
    std::vector<std::pair<std::uint64_t, std::uint64_t>> m_spans;
    std::size_t m_index = 0;
    std::uint64_t m_next = 0;
};

// A fresh, unpredictable transaction id for each query: a host of the segment that sees its
// own query learns nothing about the ids sent to the others, so it cannot answer for them.
std::uint16_t RandomQueryId() {
    std::uint16_t id = 0;
    if (getrandom(&id, sizeof id, 0) != static_cast<ssize_t>(sizeof id)) {
        id = static_cast<std::uint16_t>(std::random_device{}());
    }
    return id;
}

// The addresses asked that will give nothing more: named, or refused and not named.
std::size_t Settled(const std::set<Ipv4>& answered, const std::set<Ipv4>& refused) {
    std::size_t settled = answered.size();
    for (Ipv4 ip : refused) {
        settled += answered.count(ip) == 0 ? 1 : 0;
    }
    return settled;
}

std::string StoredName(const std::string& name) {
    return std::string(CutCp932(SanitizeNetworkName(name), NODE_NAME_MAX));
}

}  // namespace

std::vector<HostSpan> MergedHostSpans(std::span<const NameQueryRange> ranges, std::uint64_t first,
                                      std::uint64_t last) {
    std::vector<HostSpan> spans;
    for (const auto& range : ranges) {
        const std::uint64_t start = std::max<std::uint64_t>(HostOrder(range.start), first);
        const std::uint64_t end = std::min<std::uint64_t>(HostOrder(range.end), last);
        if (start <= end) {
            spans.emplace_back(start, end);
        }
    }
    std::sort(spans.begin(), spans.end());
    std::vector<HostSpan> merged;
    for (const auto& span : spans) {
        if (!merged.empty() && span.first <= merged.back().second + 1) {
            merged.back().second = std::max(merged.back().second, span.second);
        } else {
            merged.push_back(span);
        }
    }
    return merged;
}

int EnumerateNetworkNames(std::span<const NameQueryRange> ranges, Ipv4 ownIp, Ipv4 mask,
                          NameBook& book, DatagramSocket& socket, const MonotonicClock& clock,
                          const NameQueryOptions& options) {
    QueryTargets targets(ranges, ownIp, mask);
    if (targets.Done()) {
        return 0;
    }
    // The id each queried address was sent, which its answer must carry.
    std::unordered_map<Ipv4, std::uint16_t> ids;
    const std::int64_t rate = std::max(options.sendRate, 1);
    const std::int64_t burst = std::max(options.burst, 1);
    const auto start = clock.Now();
    auto lastSend = start;
    std::int64_t sent = 0;
    std::set<Ipv4> answered;
    std::set<Ipv4> refused;
    int named = 0;

    for (;;) {
        auto now = clock.Now();
        std::int64_t elapsed = std::chrono::duration_cast<Micros>(now - start).count();
        // Token bucket: by now, burst plus rate per second may have left.
        std::int64_t allowed = burst + elapsed * rate / 1'000'000;
        while (!targets.Done() && sent < allowed) {
            Ipv4 ip = targets.Current();
            const std::uint16_t id = RandomQueryId();
            ids[ip] = id;
            socket.SendTo(ip, options.port, BuildNodeStatusQuery(id));
            targets.Advance();
            ++sent;
            lastSend = now;
        }
        MonotonicClock::TimePoint deadline;
        if (targets.Done()) {
            deadline = lastSend + options.replyWait;
            // Every address asked has answered: nothing is left to wait for.
            if (now >= deadline || Settled(answered, refused) == static_cast<std::size_t>(sent)) {
                break;
            }
        } else {
            // The moment the bucket lets the next query go (rounded up).
            std::int64_t due = ((sent - burst + 1) * 1'000'000 + rate - 1) / rate;
            deadline = start + Micros(due);
        }
        auto datagram = socket.Receive(std::chrono::duration_cast<Micros>(deadline - now));
        if (!datagram || datagram->truncated || datagram->port != options.port ||
            !targets.WasQueried(datagram->ip) || answered.count(datagram->ip) != 0) {
            continue;
        }
        if (datagram->refused) {
            // No name service there: nothing to wait for.
            refused.insert(datagram->ip);
            continue;
        }
        auto reply = ParseNodeStatusReply(datagram->bytes);
        const auto id = ids.find(datagram->ip);
        if (!reply || id == ids.end() || reply->transactionId != id->second ||
            reply->computer.empty()) {
            continue;
        }
        answered.insert(datagram->ip);
        book.PutNames(datagram->ip, StoredName(reply->computer), StoredName(reply->workgroup));
        ++named;
    }
    return named;
}

int EnumerateNetworkNames(std::span<const NameQueryRange> ranges, Ipv4 ownIp, Ipv4 mask,
                          NameBook& book, const NameQueryOptions& options) {
    auto socket = UdpSocket::Open(options.bindIp, 0);
    if (!socket) {
        return 0;
    }
    SteadyClock clock;
    return EnumerateNetworkNames(ranges, ownIp, mask, book, *socket, clock, options);
}

}  // namespace halvera
