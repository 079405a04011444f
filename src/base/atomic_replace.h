#pragma once

#include <sys/types.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

namespace halvera {

// The steps of a replace, in the order they run.
enum class ReplaceStep { Create, Write, Sync, Rename, SyncFolder, Done };

// How a replace ended: Done, or the step that failed with the system's error number.
struct ReplaceResult {
    ReplaceStep step = ReplaceStep::Done;
    int error = 0;

    // True when the new content stands at the target's path. Only the sync of the folder
    // comes after the rename: when that fails, the new file is in place but a power loss
    // may still bring the old one back.
    bool Replaced() const { return step == ReplaceStep::Done || step == ReplaceStep::SyncFolder; }
    // "write: No space left on device", or "done".
    std::string Describe() const;
};

// Tests stop or fail a replace at a chosen step: the hook runs before each step (before
// every Write call for the Write step) and returns 0 to go on or an error number that the
// step then fails with. Production has none.
using ReplaceStepHook = int (*)(ReplaceStep step);
void SetReplaceStepHook(ReplaceStepHook hook);

// Replaces a whole file so that its path always names the complete old file or the
// complete new one, also after a crash or a power loss: the new content goes to a temporary
// file on the target's file system, which is synced, renamed over the target, and the
// target's folder synced. On a failure before the rename (a full disk, a short write, a
// failed sync or rename) the temporary is removed and the old file stays as it was.
// One object, one thread.
class AtomicReplace {
  public:
    // Creates a temporary with a fresh name beside the target; mode as for open(2), so the
    // umask applies.
    explicit AtomicReplace(std::filesystem::path target, mode_t mode = 0666);
    // Takes over a temporary the caller opened for writing and reading (nullptr when that
    // open failed: the replace then fails at Create). It must lie on the target's file
    // system.
    AtomicReplace(std::filesystem::path target, std::filesystem::path temporary, std::FILE* opened);
    ~AtomicReplace();
    AtomicReplace(const AtomicReplace&) = delete;
    AtomicReplace& operator=(const AtomicReplace&) = delete;

    // Adds bytes to the new content. False once any step failed.
    bool Write(std::string_view bytes);
    // Puts what was written so far on disk, for a caller that must act between the new
    // content being safe and the rename. False once any step failed.
    bool Sync();
    // Syncs, renames over the target and syncs the folder. Gives the first failure of any
    // step so far.
    ReplaceResult Commit();
    // After a replace: the new file, still open, now standing at the target's path and
    // owned by the caller. nullptr when nothing was replaced.
    std::FILE* Release();

  private:
    bool Step(ReplaceStep step);
    bool Fail(ReplaceStep step, int error);
    void Discard();

    std::filesystem::path m_target;
    std::filesystem::path m_temporary;
    std::FILE* m_file = nullptr;
    ReplaceResult m_result;
    bool m_renamed = false;
};

// Replaces the target by a file holding exactly `content`.
ReplaceResult ReplaceFileContent(const std::filesystem::path& target, std::string_view content,
                                 mode_t mode = 0666);

}  // namespace halvera
