#pragma once

namespace vs {

struct NetSettings;
class Settings;

// Reads the stored network role, listen port and remembered servers. An
// unreadable role counts as off; a role outside 0..2 as well.
void LoadNetworkDefaults(NetSettings& net, const Settings& settings);
// Writes them back; false when the settings file could not be written.
bool SaveNetworkDefaults(const NetSettings& net, Settings& settings);

} // namespace vs
