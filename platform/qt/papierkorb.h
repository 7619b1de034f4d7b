// The desktop's trash (freedesktop.org trash: the home trash, or the
// .Trash-$uid of another file system), so a mistaken delete can be undone
// from the file manager.
#pragma once

#include <string>

namespace vxm {

// Moves a file (Windows-form path) into the trash. False, with the file left
// where it is, when the file system has no trash for it, the file is
// read-only or missing, or the platform's file system is not this machine's:
// the caller then deletes it plainly.
bool InDenPapierkorb(const std::string& windowsPfad);

}  // namespace vxm
