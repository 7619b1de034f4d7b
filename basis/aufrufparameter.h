// The host's parameter array: one-dimensional, slots 0 to 100, and the slots
// the component reads or writes. All other slots are carried unchanged and
// passed on, with the whole array, to the suite's outside components.
#pragma once

#include <cstddef>

namespace vxm {

inline constexpr std::size_t kParameterAnzahl = 101;  // slots 0 to 100

namespace slot {
inline constexpr std::size_t Datenbank = 0;         // in: host data database (full file name)
inline constexpr std::size_t FirmenDatenbank = 1;   // in: database of the company record
inline constexpr std::size_t Mandant = 3;           // in: Mandant folder below the document root
inline constexpr std::size_t Verbindung = 4;        // in: connect text; anything but "Access 2000;" becomes "Access"
inline constexpr std::size_t Aufrufer = 39;         // out: caller name handed to the appointment component
inline constexpr std::size_t Objekt = 70;           // in: Objekt number (0 or less: none)
inline constexpr std::size_t Bestandseinheit = 71;  // in: Bestandseinheit number (0 or less: none)
inline constexpr std::size_t Bestandnehmer = 72;    // in: Bestandnehmer number (0 or less: none)
inline constexpr std::size_t Dokument = 74;         // scratch: document of the serial-letter functions
}  // namespace slot

}  // namespace vxm
