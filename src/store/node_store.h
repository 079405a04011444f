#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "base/ip_address.h"
#include "lists/error_log.h"
#include "lists/prompt.h"
#include "store/key_index.h"
#include "store/name_book.h"
#include "store/node_record.h"
#include "store/pending_report.h"
#include "store/record_file.h"

namespace halvera {

// Results of PutNode and PutBackupNode.
enum PutResult { PUT_FAILED = -1, PUT_APPENDED = 0, PUT_REPLACED = 1 };

// The node database: the node list (db/NetDB.na), the records of nodes that left their
// address (db/bNetDB.na) and the name book (db/NameDB.na). Every operation may be called from
// any thread; each file has its own busy flag, and an operation that needs two files takes
// the node file before the name book.
//
// Records are found through in-memory indexes built when a file is opened and kept in step by
// every write, so no operation scans a file; the results are those of a scan from the start
// (the first record of an address wins).
class NodeStore : public NameBook {
  public:
    NodeStore(Prompt& prompt, ErrorLog& errorLog);
    NodeStore(const NodeStore&) = delete;
    NodeStore& operator=(const NodeStore&) = delete;

    // keepNodeList: 1 opens the existing files at the next InitNodeStore, 0 recreates them
    // empty (the new-node-list command).
    void SetKeepNodeList(int keepNodeList) { m_keepNodeList = keepNodeList; }
    int KeepNodeList() const { return m_keepNodeList; }

    // Creates the working folders and opens the three files. 0 when all three are open, 1
    // when one failed (reported with a message box and an error log line).
    int InitNodeStore();
    void CloseNodeStore();

    // Number of node records.
    std::size_t CountNodes();
    // Fills the record from node record n (from 0): 0 filled, 1 no such record. Fields the
    // line does not hold keep what the caller left in them.
    int ReadNodeAt(std::size_t n, NodeRecord& record);
    // Fills the record from the first node record of the address, or clears it when absent.
    void FindNodeByIp(Ipv4 ip, NodeRecord& record);
    // Fills the record from the first node record (in file order) with the MAC at another
    // address than `except`: 0 found, 1 not found (the record cleared). A moved node's old
    // record is found this way, without reading the whole file.
    int FindNodeByMacElsewhere(const MacAddress& mac, Ipv4 except, NodeRecord& record);
    // Replaces the node record of the address in place or appends it, after taking the host
    // and domain from the name book into the record. PUT_REPLACED, PUT_APPENDED, or
    // PUT_FAILED for address 0 or a file that cannot be written.
    int PutNode(NodeRecord& record);
    // The same on the records of nodes that left their address.
    int PutBackupNode(NodeRecord& record);
    // Fills the record from the first backup record with the MAC: 0 found, 1 not found (the
    // record cleared).
    int FindBackupByMac(const MacAddress& mac, NodeRecord& record);
    // Removes every node record of the address, and then the address from the name book.
    void DeleteNode(Ipv4 ip);
    // Removes every backup record with the MAC.
    void DeleteBackupByMac(const MacAddress& mac);

    // Writes the name book entry of the address (nothing for address 0).
    void PutNames(Ipv4 ip, std::string_view host, std::string_view domain) override;
    // Replaces host and domain by the name book entry of the address; leaves both as they
    // were when there is none.
    void LookupNames(Ipv4 ip, std::string& host, std::string& domain) override;
    // Removes every name book entry of the address.
    void DeleteNames(Ipv4 ip);

    // True while an operation holds one of the files (shutdown waits for this).
    bool IsBusy() const;

  private:
    // A file with the indexes over its records, valid for one generation of its content.
    struct IndexedFile {
        IndexedFile(RecordFileInfo info, bool indexMac) : file(info), indexMac(indexMac) {}
        RecordFile file;
        bool indexMac;
        KeyIndex byIp;
        KeyIndex byMac;
        std::uint64_t generation = 0;
    };

    bool OpenFile(IndexedFile& indexed, int openMode, std::string_view accessErrorBox,
                  std::string_view accessErrorLog);
    bool Sync(IndexedFile& indexed, PendingReport& report);
    void IndexRecord(IndexedFile& indexed, std::size_t n, std::string_view stored, bool add);
    int PutInto(IndexedFile& indexed, NodeRecord& record, PendingReport& report);
    int WriteKeyed(IndexedFile& indexed, Ipv4 ip, const std::string& stored, PendingReport& report);
    bool DeleteWhere(IndexedFile& indexed,
                     const std::function<bool(std::string_view line)>& matches,
                     PendingReport& report);
    bool ReadLine(IndexedFile& indexed, std::optional<std::size_t> n, std::string& line);
    // The name book operations without telling: inside an operation on a node file, what they
    // report waits until the node file is released too.
    void LookupNamesWithin(Ipv4 ip, std::string& host, std::string& domain, PendingReport& report);
    void DeleteNamesWithin(Ipv4 ip, PendingReport& report);

    Prompt& m_prompt;
    ErrorLog& m_errorLog;
    std::atomic<int> m_keepNodeList{1};
    IndexedFile m_nodes;
    IndexedFile m_backups;
    IndexedFile m_names;
};

}  // namespace halvera
