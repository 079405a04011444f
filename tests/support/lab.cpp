#include "support/lab.h"

#include <dirent.h>
#include <fcntl.h>
#include <net/if.h>
#include <sched.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <algorithm>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sstream>

extern char** environ;

namespace halvera::test {
namespace {

const std::string LAB_SCRIPT = std::string(HALVERA_SOURCE_DIR) + "/scripts/lab";
// Held by the process whose lab is up, from "up" to "down".
constexpr const char* LAB_LOCK = "/run/lock/halvera-lab.lock";
// The script's exit status for "no lab possible on this machine".
constexpr int LAB_UNAVAILABLE = 77;

// Runs scripts/lab with one argument, without a shell; what it prints goes to *out.
// Returns the exit status, or -1 when it could not run.
int RunLab(const char* command, std::string* out = nullptr) {
    int pipeFds[2];
    // Close-on-exec: only the script's standard output and error may reach what it starts,
    // or a daemon it leaves running would keep the pipe from ever ending.
    if (pipe2(pipeFds, O_CLOEXEC) != 0) {
        return -1;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDERR_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
    std::string script = LAB_SCRIPT;
    std::string argument = command;
    char* argv[] = {script.data(), argument.data(), nullptr};
    pid_t pid;
    const int spawned = posix_spawn(&pid, script.c_str(), &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeFds[1]);
    std::string text;
    char buffer[4096];
    ssize_t n;
    while ((n = read(pipeFds[0], buffer, sizeof buffer)) > 0) {
        text.append(buffer, static_cast<std::size_t>(n));
    }
    close(pipeFds[0]);
    if (spawned != 0) {
        return -1;
    }
    int status = 0;
    waitpid(pid, &status, 0);
    if (out != nullptr) {
        *out = text;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::vector<LabHost> ParseShow(const std::string& text) {
    std::vector<LabHost> hosts;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        LabHost host;
        std::string address;
        if (fields >> host.kind >> host.nameSpace >> host.interface >> address >> host.mac) {
            host.address = InetAddr(address);
            hosts.push_back(host);
        }
    }
    return hosts;
}

ino_t NamespaceInode(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 ? st.st_ino : 0;
}

}  // namespace

Lab& Lab::Get() {
    static Lab lab;
    return lab;
}

Lab::Lab() {
    if (geteuid() != 0) {
        m_skipReason = "the lab needs root (network namespaces, veth, nftables)";
        return;
    }
    m_startNamespace = open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC);
    m_startMounts = open("/proc/thread-self/ns/mnt", O_RDONLY | O_CLOEXEC);
    if (m_startNamespace < 0 || m_startMounts < 0) {
        m_skipReason = "network namespaces are not available";
        return;
    }
    // One lab per machine: its namespaces have fixed names, so a test process of another
    // build tree waits here until this one has taken its lab down, and the other way round.
    m_machineLock = open(LAB_LOCK, O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (m_machineLock < 0 || flock(m_machineLock, LOCK_EX) != 0) {
        m_failure = std::string("cannot lock ") + LAB_LOCK;
        return;
    }
    m_built = true;
    std::string message;
    const int status = RunLab("up", &message);
    if (status == LAB_UNAVAILABLE) {
        m_skipReason = message;
        return;
    }
    if (status != 0) {
        m_failure = "scripts/lab up failed: " + message;
        return;
    }
    std::string shown;
    RunLab("show", &shown);
    m_hosts = ParseShow(shown);
    if (Hosts("own").empty()) {
        m_failure = "scripts/lab show names no own host";
    }
}

Lab::~Lab() {
    if (m_built) {
        LeaveOwnHost();
        RunLab("down");
    }
    if (m_startNamespace >= 0) {
        close(m_startNamespace);
    }
    if (m_startMounts >= 0) {
        close(m_startMounts);
    }
    if (m_machineLock >= 0) {
        close(m_machineLock);
    }
}

std::vector<LabHost> Lab::Hosts(std::string_view kind) const {
    std::vector<LabHost> hosts;
    for (const auto& host : m_hosts) {
        if (host.kind == kind) {
            hosts.push_back(host);
        }
    }
    return hosts;
}

std::vector<LabHost> Lab::Hosts(std::initializer_list<std::string_view> kinds) const {
    std::vector<LabHost> hosts;
    for (std::string_view kind : kinds) {
        for (const auto& host : Hosts(kind)) {
            hosts.push_back(host);
        }
    }
    return hosts;
}

void Lab::SortByAddress(std::vector<LabHost>& hosts) {
    std::sort(hosts.begin(), hosts.end(), [](const LabHost& a, const LabHost& b) {
        return HostOrder(a.address) < HostOrder(b.address);
    });
}

const LabHost& Lab::Own() const {
    for (const auto& host : m_hosts) {
        if (host.kind == "own") {
            return host;
        }
    }
    static const LabHost none;
    return none;
}

bool Lab::EnterOwnHost() {
    const std::string path = "/run/netns/" + Own().nameSpace;
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    const bool entered = setns(fd, CLONE_NEWNET) == 0;
    close(fd);
    return entered && NamespaceInode("/proc/thread-self/ns/net") == NamespaceInode(path) &&
           EnterOwnHostFiles();
}

// `ip netns exec` binds the files of /etc/netns/NAME over those of /etc in a mount namespace
// of the program it starts. The test process enters the network namespace with setns, which
// does not do that, so the calling thread gets the same binds in a mount namespace of its
// own, a slave of the start one: nothing mounted here is seen outside.
bool Lab::EnterOwnHostFiles() {
    if (m_startDirectory >= 0) {
        return true;
    }
    m_startDirectory = open(".", O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (m_startDirectory < 0 || unshare(CLONE_NEWNS) != 0 ||
        mount(nullptr, "/", nullptr, MS_REC | MS_SLAVE, nullptr) != 0) {
        return false;
    }
    const std::string folder = "/etc/netns/" + Own().nameSpace;
    DIR* files = opendir(folder.c_str());
    if (files == nullptr) {
        return false;
    }
    bool bound = true;
    while (const dirent* entry = readdir(files)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") {
            bound = mount((folder + "/" + name).c_str(), ("/etc/" + name).c_str(), nullptr, MS_BIND,
                          nullptr) == 0 &&
                    bound;
        }
    }
    closedir(files);
    return bound;
}

void Lab::LeaveOwnHost() {
    if (m_startNamespace >= 0) {
        setns(m_startNamespace, CLONE_NEWNET);
    }
    if (m_startDirectory >= 0) {
        // Entering a mount namespace moves the thread to its root folder.
        setns(m_startMounts, CLONE_NEWNS);
        if (fchdir(m_startDirectory) != 0) {
            // Relative paths of the tests that follow would point elsewhere.
            std::fprintf(stderr, "lab: cannot return to the start folder: %s\n",
                         std::strerror(errno));
        }
        close(m_startDirectory);
        m_startDirectory = -1;
    }
}

int Lab::AdapterIndexOf(PacketDriver& driver, const LabHost& host) {
    const auto adapters = driver.Adapters();
    if (!adapters) {
        return -1;
    }
    for (std::size_t i = 0; i < adapters->size(); ++i) {
        if ((*adapters)[i].name == host.interface && (*adapters)[i].address == host.address) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

bool Lab::SetLinkUp(const std::string& interface, bool up) {
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return false;
    }
    ifreq request{};
    std::strncpy(request.ifr_name, interface.c_str(), IFNAMSIZ - 1);
    bool done = ioctl(fd, SIOCGIFFLAGS, &request) == 0;
    if (done) {
        request.ifr_flags =
            static_cast<short>(up ? request.ifr_flags | IFF_UP : request.ifr_flags & ~IFF_UP);
        done = ioctl(fd, SIOCSIFFLAGS, &request) == 0;
    }
    close(fd);
    return done;
}

}  // namespace halvera::test
