#include "base/atomic_replace.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <random>
#include <system_error>
#include <utility>

namespace halvera {
namespace {

std::atomic<ReplaceStepHook> g_hook{nullptr};

// Tried names before giving up on a folder full of them.
constexpr int NAME_ATTEMPTS = 100;

const char* StepName(ReplaceStep step) {
    switch (step) {
        case ReplaceStep::Create:
            return "create";
        case ReplaceStep::Write:
            return "write";
        case ReplaceStep::Sync:
            return "sync";
        case ReplaceStep::Rename:
            return "rename";
        case ReplaceStep::SyncFolder:
            return "folder sync";
        case ReplaceStep::Done:
            break;
    }
    return "done";
}

std::filesystem::path FreshName(const std::filesystem::path& target) {
    static constexpr std::string_view LETTERS =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    thread_local std::mt19937 engine{std::random_device{}()};
    std::uniform_int_distribution<std::size_t> pick(0, LETTERS.size() - 1);
    std::string suffix = ".";
    for (int i = 0; i < 6; ++i) {
        suffix += LETTERS[pick(engine)];
    }
    std::filesystem::path name = target;
    name += suffix;
    return name;
}

// A folder's entries survive a power loss only once the folder itself is synced.
int SyncFolderOf(const std::filesystem::path& file) {
    std::filesystem::path folder = file.parent_path();
    int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        return errno;
    }
    int error = ::fsync(fd) == 0 ? 0 : errno;
    ::close(fd);
    return error;
}

}  // namespace

std::string ReplaceResult::Describe() const {
    if (step == ReplaceStep::Done) {
        return StepName(step);
    }
    return std::string(StepName(step)) + ": " + std::generic_category().message(error);
}

void SetReplaceStepHook(ReplaceStepHook hook) {
    g_hook = hook;
}

AtomicReplace::AtomicReplace(std::filesystem::path target, mode_t mode)
    : m_target(std::move(target)) {
    if (!Step(ReplaceStep::Create)) {
        return;
    }
    for (int attempt = 0; attempt < NAME_ATTEMPTS; ++attempt) {
        std::filesystem::path name = FreshName(m_target);
        int fd = ::open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd < 0 && errno == EEXIST) {
            continue;
        }
        if (fd < 0) {
            Fail(ReplaceStep::Create, errno);
            return;
        }
        m_temporary = std::move(name);
        m_file = ::fdopen(fd, "r+");
        if (m_file == nullptr) {
            int error = errno;
            ::close(fd);
            Fail(ReplaceStep::Create, error);
        }
        return;
    }
    Fail(ReplaceStep::Create, EEXIST);
}

AtomicReplace::AtomicReplace(std::filesystem::path target, std::filesystem::path temporary,
                             std::FILE* opened)
    : m_target(std::move(target)), m_temporary(std::move(temporary)), m_file(opened) {
    if (m_file == nullptr) {
        // A temporary the caller could not open is not this object's to remove; the failed
        // open left its reason in errno.
        m_temporary.clear();
        Fail(ReplaceStep::Create, errno != 0 ? errno : ENOENT);
        return;
    }
    Step(ReplaceStep::Create);
}

AtomicReplace::~AtomicReplace() {
    if (m_renamed) {
        if (m_file != nullptr) {
            std::fclose(m_file);
        }
        return;
    }
    Discard();
}

bool AtomicReplace::Step(ReplaceStep step) {
    if (m_result.step != ReplaceStep::Done) {
        return false;
    }
    ReplaceStepHook hook = g_hook;
    int error = hook != nullptr ? hook(step) : 0;
    return error == 0 || Fail(step, error);
}

bool AtomicReplace::Fail(ReplaceStep step, int error) {
    if (m_result.step == ReplaceStep::Done) {
        m_result = {step, error};
    }
    if (!m_renamed) {
        Discard();
    }
    return false;
}

void AtomicReplace::Discard() {
    if (m_file != nullptr) {
        std::fclose(m_file);
        m_file = nullptr;
    }
    if (!m_temporary.empty()) {
        std::error_code ec;
        std::filesystem::remove(m_temporary, ec);
        m_temporary.clear();
    }
}

bool AtomicReplace::Write(std::string_view bytes) {
    if (!Step(ReplaceStep::Write)) {
        return false;
    }
    errno = 0;
    if (std::fwrite(bytes.data(), 1, bytes.size(), m_file) != bytes.size()) {
        return Fail(ReplaceStep::Write, errno != 0 ? errno : EIO);
    }
    return true;
}

bool AtomicReplace::Sync() {
    if (m_result.step != ReplaceStep::Done) {
        return false;
    }
    // A buffered write that fails shows here: it is the write that failed, not the sync.
    if (std::fflush(m_file) != 0) {
        return Fail(ReplaceStep::Write, errno);
    }
    if (!Step(ReplaceStep::Sync)) {
        return false;
    }
    if (::fsync(::fileno(m_file)) != 0) {
        return Fail(ReplaceStep::Sync, errno);
    }
    return true;
}

ReplaceResult AtomicReplace::Commit() {
    if (m_renamed || !Sync() || !Step(ReplaceStep::Rename)) {
        return m_result;
    }
    if (::rename(m_temporary.c_str(), m_target.c_str()) != 0) {
        Fail(ReplaceStep::Rename, errno);
        return m_result;
    }
    m_renamed = true;
    m_temporary.clear();
    if (Step(ReplaceStep::SyncFolder)) {
        if (int error = SyncFolderOf(m_target); error != 0) {
            Fail(ReplaceStep::SyncFolder, error);
        }
    }
    return m_result;
}

std::FILE* AtomicReplace::Release() {
    if (!m_renamed) {
        return nullptr;
    }
    return std::exchange(m_file, nullptr);
}

ReplaceResult ReplaceFileContent(const std::filesystem::path& target, std::string_view content,
                                 mode_t mode) {
    AtomicReplace replace(target, mode);
    replace.Write(content);
    return replace.Commit();
}

}  // namespace halvera
