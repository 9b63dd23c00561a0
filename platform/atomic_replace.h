#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <string>

namespace chiffrel {

// Saving a file that other processes read and write as well (the settings file): a reader sees
// the old file or the new one, whole, never a mix; writers take turns, so that no update is
// lost between one writer's read and its write.
//
// Neither QSaveFile nor QLockFile: the platform libraries do without Qt, and the lock file and
// the temporary files follow rules of this module's own, which those classes do not let a
// caller set. The lock is an flock() on a lock file that is never removed (a QLockFile is a
// file created to lock and deleted to unlock), and the system releases it when its holder ends.
// The temporary files bear names that a later save recognises, so that it can remove what a
// killed save left, and get the owner and the mode of the file they replace. What may be
// created or removed beside the file is decided here, and nowhere else.

// A write beyond the file-size limit (ulimit -f) raises SIGXFSZ, which ends the process unless
// it is caught. Called once at the start of the program, this catches it, so that such a write
// fails like a write to a full disk and the save reports it. A handler rather than SIG_IGN,
// because an ignored signal stays ignored in the programs the process starts. A handler someone
// else installed, or a disposition inherited as ignored, stays as it is.
void CatchFileSizeSignal();

// The new content of a file, made from its current content (empty for a file not there yet).
using FileEdit = std::function<std::string(std::string current)>;

// Replaces `file` by `edit`(its content), atomically: a new file takes its place by a rename,
// with its owner, group (where the process may set them) and permissions; a new file follows
// the umask. A symbolic link is followed to the file it names, which is created if need be.
// Another hard link to the old file keeps the old content. A file that exists but is not a
// regular file, cannot be read whole, is not writable, or is larger than `maxBytes` or would
// become so, stays untouched; beside one that is not a regular file nothing is created.
// Writers in every process take turns on a lock file beside the file (".NAME.lock"), waiting
// five seconds at most; anything but a regular file that the writer may read and write at the
// lock file's place is replaced by one, or the write fails. Only where the file system has no
// locks at all does the write go on without one. A writer removes the temporary files
// (".NAME.tmp-<process>-<count>") that writers killed midway left: regular files of its user,
// not changed for longer than a save lasts. False on any failure, the file then left exactly as
// it was.
[[nodiscard]] bool ReplaceFileAtomically(const std::filesystem::path& file, const FileEdit& edit,
                                         std::size_t maxBytes);

}  // namespace chiffrel
