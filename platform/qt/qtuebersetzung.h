// Qt's own texts (file dialog, standard buttons) in German, from the
// distribution's Qt translations, so they match the program's German.
#pragma once

namespace vxm {

// Installs the German Qt translations into the running application once.
// False when they are not installed (Debian: qt6-translations-l10n); the
// texts then stay English.
bool QtTexteDeutsch();

}  // namespace vxm
