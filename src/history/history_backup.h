#pragma once
#include <QString>

namespace vs {

// Copies the history at `path` whole into `target` with SQLite's online
// backup, a few pages at a time, also while a copy of the program writes it.
// The copy is made beside the target and put in its place when complete:
// a failure leaves the target as it was. False (and why) on failure.
bool backupHistory(const QString& path, const QString& target, QString& error);

} // namespace vs
