// The desktop's trash (freedesktop.org trash: the home trash, or the
// .Trash-$uid of another file system), so a mistaken delete can be undone
// from the file manager.
#pragma once

#include <string>

namespace vxm {

enum class Korb {
  Verschoben,     // the file is in the trash
  KeinKorb,       // no trash takes it here; the file is where it was
  NichtMoeglich,  // missing, read-only, or not on this machine's file system:
                  // the plain delete gives the right message
};

// Moves a file (Windows-form path) into the trash.
Korb InDenPapierkorb(const std::string& windowsPfad);

}  // namespace vxm
