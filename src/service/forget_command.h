#pragma once
#include <string>

namespace vs {

// Removes a stick's Home Assistant entities that this node published (its
// retained discovery configs and its state, availability and "seen"
// topics) from the broker of the settings' section MQTT, beside a running
// copy. Exit code 0 once the broker has taken the removal (also when there
// was nothing to remove), 1 when the broker cannot be reached or refuses.
int runForgetStick(int argc, char** argv, const std::string& serial);

} // namespace vs
