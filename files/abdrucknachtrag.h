// Prints for registered rows that have none yet: a register taken over from
// before prints, or rows written by other tools. Taken a few at a time while
// the window is idle, so a file moved outside the program before its folder
// was ever opened is still recognised by its content.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/datenbank.h"

namespace vxm {

struct Nachtragsschritt {
  int32_t Weiter = 0;      // the Dateinummer the next step starts at
  std::size_t Erfasst = 0;  // prints written
  bool Fertig = false;      // no row without a print left from there on
};

struct Nachtragsgrenzen {
  std::size_t Zeilen = 50;              // rows looked at per step
  int64_t LeseBudget = int64_t{1} << 20;  // bytes read per step (one file may pass it)
  int64_t GroessteDatei = int64_t{8} << 20;  // larger files wait for their folder's open
};

// One step from Dateinummer `ab` on; its prints are written in one
// transaction, each only while its row still names the file that was read.
// A register that cannot be written to (a server, a read-only file) is done
// at once.
Nachtragsschritt AbdrueckeNachtragen(Datenbank& db, int32_t ab, const Nachtragsgrenzen& grenzen = {});

}  // namespace vxm
