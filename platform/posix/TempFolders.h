// POSIX: the temporary folders and files a process makes for itself only
// (the private registry's folder, the SMB client's folder, a file being
// written before it is renamed into place), and their removal however the
// process ends.
//
// A folder is named <prefix>.<pid>.XXXXXX in $TMPDIR (else /tmp), mode
// 0700, so that one left by a process killed outright (SIGKILL, a crash)
// can be told from one in use: when a process makes a folder, it removes
// the folders of the known prefixes that belong to this user and to no
// living process.
#pragma once

#include <string>

namespace zrplatform {
namespace posix {

// $TMPDIR, else /tmp.
std::string TempRoot();

// Makes a private folder (prefix "zraddrres-registry" or "zraddrres-smb")
// and arranges its removal, with everything in it, at exit and on the
// signals that end a process (UndoWhenProcessEnds). First sweeps the
// abandoned folders of the same root. "" with errno set when it cannot be made.
std::string MakeOwnTempFolder(const char* prefix);

// Arranges the removal of a file this process has just made, should the
// process end before ForgetRemoval(slot) is called. -1 when every slot is
// taken (the file is then not removed on a signal).
int RemoveWhenProcessEnds(const std::string& path);
void ForgetRemoval(int slot);

// Removes the folders of the known prefixes in `root` that this user owns
// and whose process no longer exists; never through a symbolic link.
void SweepAbandonedFolders(const std::string& root);

}  // namespace posix
}  // namespace zrplatform
