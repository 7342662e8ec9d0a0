#pragma once
// The part of the settings that survives a restart: naming provider, model and base URL in
// the user's config file ($XDG_CONFIG_HOME/quelso/quelso.conf), the AI key in the keyring.
// Nothing else is saved.
#include <QString>

#include "settings/ProcessingSettings.h"

namespace quelso::Configuration {

QString filePath();

// Reads all four saved values before anything is written back, then puts them into the
// record. A key still in the config file (older versions kept it there) moves to the
// keyring when the keyring has none, and leaves the config file.
void load(ProcessingSettings& settings);

// Writes provider, model and base URL, then the key (an empty key removes the stored one).
void save(const ProcessingSettings& settings);

} // namespace quelso::Configuration
