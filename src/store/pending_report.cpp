#include "store/pending_report.h"

#include <utility>

namespace halvera {

void PendingReport::Stop(std::string_view textCp932) {
    m_items.push_back({true, {}, std::string(textCp932)});
}

void PendingReport::Log(std::string_view tag, std::string_view messageCp932) {
    m_items.push_back({false, std::string(tag), std::string(messageCp932)});
}

void PendingReport::Tell(Prompt& prompt, ErrorLog& errorLog) {
    std::vector<Item> items = std::exchange(m_items, {});
    for (const Item& item : items) {
        if (item.box) {
            ShowStop(prompt, item.text);
        } else {
            errorLog.WriteErrorLog(item.tag, item.text);
        }
    }
}

}  // namespace halvera
