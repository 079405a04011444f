#include "store/node_store.h"

#include "base/file_opener.h"
#include "base/program_folder.h"
#include "base/text_codec.h"
#include "store/node_line.h"
#include "store/store_operation.h"

namespace halvera {
namespace {

constexpr std::string_view LOG_TAG = "filed";

constexpr RecordFileInfo NODE_FILE{"NetDB.na", NODE_LINE_SIZE, "NetDB Open Error。",
                                   "NetDB Open Error"};
constexpr RecordFileInfo BACKUP_FILE{"bNetDB.na", NODE_LINE_SIZE, "BakNetDB Access Error。", ""};
constexpr RecordFileInfo NAME_FILE{"NameDB.na", NAME_LINE_SIZE, "NameDB Open Error。",
                                   "NameDB Open Error"};

std::uint64_t MacKey(const MacAddress& mac) {
    std::uint64_t key = 0;
    for (auto byte : mac) {
        key = (key << 8) | byte;
    }
    return key;
}

}  // namespace

NodeStore::NodeStore(Prompt& prompt, ErrorLog& errorLog)
    : m_prompt(prompt),
      m_errorLog(errorLog),
      m_nodes(NODE_FILE, true),
      m_backups(BACKUP_FILE, true),
      m_names(NAME_FILE, false) {}

int NodeStore::InitNodeStore() {
    CreateWorkingFolders();
    const int openMode = m_keepNodeList == 1 ? OPEN_UPDATE : OPEN_CREATE;
    if (!OpenFile(m_nodes, openMode, "NetDB Access Error。", "NetDB Access Error") ||
        !OpenFile(m_backups, openMode, "BakNetDB Access Error。", "") ||
        !OpenFile(m_names, openMode, "NameDB Access Error。", "NameDB Access Error")) {
        return 1;
    }
    return 0;
}

bool NodeStore::OpenFile(IndexedFile& indexed, int openMode, std::string_view accessErrorBox,
                         std::string_view accessErrorLog) {
    StoreOperation operation(indexed.file.Flag(), m_prompt, m_errorLog);
    if (indexed.file.Open(openMode, operation.Report())) {
        return true;
    }
    operation.Report().Stop(Sjis(accessErrorBox));
    if (!accessErrorLog.empty()) {
        operation.Report().Log(LOG_TAG, accessErrorLog);
    }
    return false;
}

void NodeStore::CloseNodeStore() {
    for (IndexedFile* indexed : {&m_nodes, &m_backups, &m_names}) {
        BusyGuard guard(indexed->file.Flag());
        indexed->file.Close();
    }
}

bool NodeStore::IsBusy() const {
    return m_nodes.file.IsBusy() || m_backups.file.IsBusy() || m_names.file.IsBusy();
}

// Opens the file when needed and brings the indexes to its current content.
bool NodeStore::Sync(IndexedFile& indexed, PendingReport& report) {
    if (!indexed.file.EnsureCurrent(report)) {
        return false;
    }
    if (indexed.generation != indexed.file.Generation()) {
        indexed.byIp.Clear();
        indexed.byMac.Clear();
        const std::string all = indexed.file.ReadAll();
        const std::size_t recordSize = indexed.file.RecordSize();
        for (std::size_t n = 0; (n + 1) * recordSize <= all.size(); ++n) {
            IndexRecord(indexed, n, std::string_view(all).substr(n * recordSize, recordSize), true);
        }
        indexed.generation = indexed.file.Generation();
    }
    return true;
}

void NodeStore::IndexRecord(IndexedFile& indexed, std::size_t n, std::string_view stored,
                            bool add) {
    const std::string line = LoadLine(stored);
    if (auto ip = LineAddress(line)) {
        add ? indexed.byIp.Add(*ip, n) : indexed.byIp.Remove(*ip, n);
    }
    if (indexed.indexMac) {
        if (auto mac = LineMac(line)) {
            add ? indexed.byMac.Add(MacKey(*mac), n) : indexed.byMac.Remove(MacKey(*mac), n);
        }
    }
}

bool NodeStore::ReadLine(IndexedFile& indexed, std::optional<std::size_t> n, std::string& line) {
    std::string stored;
    if (!n || !indexed.file.Read(*n, stored)) {
        return false;
    }
    line = LoadLine(stored);
    return true;
}

std::size_t NodeStore::CountNodes() {
    StoreOperation operation(m_nodes.file.Flag(), m_prompt, m_errorLog);
    return Sync(m_nodes, operation.Report()) ? m_nodes.file.Count() : 0;
}

int NodeStore::ReadNodeAt(std::size_t n, NodeRecord& record) {
    StoreOperation operation(m_nodes.file.Flag(), m_prompt, m_errorLog);
    std::string line;
    if (!Sync(m_nodes, operation.Report()) || !ReadLine(m_nodes, n, line)) {
        return 1;
    }
    ParseNodeLine(line, record);
    return 0;
}

void NodeStore::FindNodeByIp(Ipv4 ip, NodeRecord& record) {
    StoreOperation operation(m_nodes.file.Flag(), m_prompt, m_errorLog);
    std::string line;
    if (Sync(m_nodes, operation.Report()) && ReadLine(m_nodes, m_nodes.byIp.First(ip), line)) {
        ParseNodeLine(line, record);
    } else {
        record = NodeRecord{};
    }
}

int NodeStore::FindBackupByMac(const MacAddress& mac, NodeRecord& record) {
    StoreOperation operation(m_backups.file.Flag(), m_prompt, m_errorLog);
    std::string line;
    if (Sync(m_backups, operation.Report()) &&
        ReadLine(m_backups, m_backups.byMac.First(MacKey(mac)), line)) {
        ParseNodeLine(line, record);
        return 0;
    }
    record = NodeRecord{};
    return 1;
}

int NodeStore::FindNodeByMacElsewhere(const MacAddress& mac, Ipv4 except, NodeRecord& record) {
    StoreOperation operation(m_nodes.file.Flag(), m_prompt, m_errorLog);
    if (Sync(m_nodes, operation.Report())) {
        for (std::size_t n : m_nodes.byMac.All(MacKey(mac))) {
            std::string line;
            NodeRecord stored;
            if (ReadLine(m_nodes, n, line)) {
                ParseNodeLine(line, stored);
                if (stored.mac == mac && stored.ip != except) {
                    record = stored;
                    return 0;
                }
            }
        }
    }
    record = NodeRecord{};
    return 1;
}

int NodeStore::PutNode(NodeRecord& record) {
    if (record.ip == 0) {
        return PUT_FAILED;
    }
    StoreOperation operation(m_nodes.file.Flag(), m_prompt, m_errorLog);
    return PutInto(m_nodes, record, operation.Report());
}

int NodeStore::PutBackupNode(NodeRecord& record) {
    if (record.ip == 0) {
        return PUT_FAILED;
    }
    StoreOperation operation(m_backups.file.Flag(), m_prompt, m_errorLog);
    return PutInto(m_backups, record, operation.Report());
}

int NodeStore::PutInto(IndexedFile& indexed, NodeRecord& record, PendingReport& report) {
    if (!Sync(indexed, report)) {
        return PUT_FAILED;
    }
    // The name book is taken while the node file is held: node file first, always.
    LookupNamesWithin(record.ip, record.host, record.domain, report);
    return WriteKeyed(indexed, record.ip, StoreLine(FormatNodeLine(record), NODE_LINE_SIZE),
                      report);
}

int NodeStore::WriteKeyed(IndexedFile& indexed, Ipv4 ip, const std::string& stored,
                          PendingReport& report) {
    const auto found = indexed.byIp.First(ip);
    const std::size_t n = found.value_or(indexed.file.Count());
    std::string old;
    if (found && !indexed.file.Read(*found, old)) {
        return PUT_FAILED;
    }
    if (!indexed.file.Write(n, stored, report)) {
        return PUT_FAILED;
    }
    if (found) {
        IndexRecord(indexed, n, old, false);
    }
    IndexRecord(indexed, n, stored, true);
    return found ? PUT_REPLACED : PUT_APPENDED;
}

bool NodeStore::DeleteWhere(IndexedFile& indexed,
                            const std::function<bool(std::string_view line)>& matches,
                            PendingReport& report) {
    return indexed.file.Rewrite(
        [&matches](std::string_view stored) { return !matches(LoadLine(stored)); }, report);
}

void NodeStore::DeleteNode(Ipv4 ip) {
    StoreOperation operation(m_nodes.file.Flag(), m_prompt, m_errorLog);
    // Without a record of the address the rewrite would give the same file.
    if (!Sync(m_nodes, operation.Report()) || !m_nodes.byIp.First(ip)) {
        return;
    }
    if (DeleteWhere(
            m_nodes, [ip](std::string_view line) { return LineAddress(line) == ip; },
            operation.Report())) {
        DeleteNamesWithin(ip, operation.Report());
    }
}

void NodeStore::DeleteBackupByMac(const MacAddress& mac) {
    StoreOperation operation(m_backups.file.Flag(), m_prompt, m_errorLog);
    if (!Sync(m_backups, operation.Report()) || !m_backups.byMac.First(MacKey(mac))) {
        return;
    }
    DeleteWhere(
        m_backups, [&mac](std::string_view line) { return LineMac(line) == mac; },
        operation.Report());
}

void NodeStore::PutNames(Ipv4 ip, std::string_view host, std::string_view domain) {
    if (ip == 0) {
        return;
    }
    StoreOperation operation(m_names.file.Flag(), m_prompt, m_errorLog);
    if (Sync(m_names, operation.Report())) {
        WriteKeyed(m_names, ip, StoreLine(FormatNameLine(ip, host, domain), NAME_LINE_SIZE),
                   operation.Report());
    }
}

void NodeStore::LookupNames(Ipv4 ip, std::string& host, std::string& domain) {
    PendingReport report;
    LookupNamesWithin(ip, host, domain, report);
    report.Tell(m_prompt, m_errorLog);
}

void NodeStore::LookupNamesWithin(Ipv4 ip, std::string& host, std::string& domain,
                                  PendingReport& report) {
    BusyGuard guard(m_names.file.Flag());
    std::string line;
    if (Sync(m_names, report) && ReadLine(m_names, m_names.byIp.First(ip), line)) {
        ParseNameLine(line, host, domain);
    }
}

void NodeStore::DeleteNames(Ipv4 ip) {
    PendingReport report;
    DeleteNamesWithin(ip, report);
    report.Tell(m_prompt, m_errorLog);
}

void NodeStore::DeleteNamesWithin(Ipv4 ip, PendingReport& report) {
    BusyGuard guard(m_names.file.Flag());
    if (!Sync(m_names, report) || !m_names.byIp.First(ip)) {
        return;
    }
    DeleteWhere(
        m_names, [ip](std::string_view line) { return LineAddress(line) == ip; }, report);
}

}  // namespace halvera
