// The general error report: hands an unexpected error to the suite's error
// program vxmAllgError; the caller continues afterwards in every case.
#pragma once

#include <exception>

#include "platform/fehler.h"

namespace vxm {

void FehlerMelden(const VbFehler& fehler);

// Reports whatever a handler caught: platform errors as they are, anything
// else as an internal error.
void FehlerMelden(const std::exception& fehler);

inline constexpr const char* kMeldungKeinFehlerprogramm =
    "das allgem. Fehlermeldungsprogramm vxmAllgError konnte nicht aufgerufen werden";
inline constexpr const char* kMeldungFehlerprogrammProblem =
    "Problem beim Aufruf des allg. Fehlermeldungsprogrammes vxmAllgError: ";

}  // namespace vxm
