#pragma once

#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>

#include "store/name_book.h"

namespace halvera::test {

// A name book in memory that counts its writes.
class MemoryNameBook : public NameBook {
  public:
    using Names = std::pair<std::string, std::string>;  // host, domain

    void PutNames(Ipv4 ip, std::string_view host, std::string_view domain) override {
        std::lock_guard lock(m_mutex);
        if (ip != 0) {
            m_names[ip] = {std::string(host), std::string(domain)};
        }
        ++m_puts;
    }
    void LookupNames(Ipv4 ip, std::string& host, std::string& domain) override {
        std::lock_guard lock(m_mutex);
        auto found = m_names.find(ip);
        if (found != m_names.end()) {
            host = found->second.first;
            domain = found->second.second;
        }
    }
    std::map<Ipv4, Names> Entries() const {
        std::lock_guard lock(m_mutex);
        return m_names;
    }
    int Puts() const {
        std::lock_guard lock(m_mutex);
        return m_puts;
    }

  private:
    mutable std::mutex m_mutex;
    std::map<Ipv4, Names> m_names;
    int m_puts = 0;
};

}  // namespace halvera::test
