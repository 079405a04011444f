#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace halvera::test {

// A mail server on a loopback port that answers from a script: the first entry greets the
// client, every further entry answers the client's next line (after a "354" reply: the
// whole mail data up to CR LF "." CR LF). Only the first connection is served; later ones
// are counted and closed. Everything the client sends is kept byte for byte.
class ScriptedMailServer {
  public:
    // Script entries with a meaning of their own.
    static constexpr const char* CLOSE = "<close>";    // closes the connection
    static constexpr const char* SILENT = "<silent>";  // answers nothing until the client goes

    explicit ScriptedMailServer(std::vector<std::string> script);
    ~ScriptedMailServer();
    ScriptedMailServer(const ScriptedMailServer&) = delete;
    ScriptedMailServer& operator=(const ScriptedMailServer&) = delete;

    int Port() const { return m_port; }
    // Waits until the served client has gone (at most a few seconds), then gives what it sent.
    std::string Transcript();
    int Connections() const { return m_connections.load(); }

  private:
    void Run();
    void Serve(int client);

    std::vector<std::string> m_script;
    int m_listener = -1;
    int m_port = 0;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_connections{0};
    std::atomic<bool> m_served{false};
    std::mutex m_mutex;
    std::string m_transcript;
    std::thread m_thread;
};

// A loopback port that nothing listens on, for refused connections.
int UnusedLoopbackPort();

}  // namespace halvera::test
