#pragma once
#include "history/history_store.h"

#include <QString>

namespace vs {

// What an import did.
struct ImportCounts {
    long lines = 0;   // data lines read
    long added = 0;   // samples new to the history
    long skipped = 0; // samples the history held already
    long bad = 0;     // lines without a readable time
};

// Reads a value log (its header names the channels, "0:" and "1:" prefixes
// tell the sticks apart; "," and "." decimals alike) into the history. A
// stick's series is named after the file ("log:office.txt:0"), or `serial`
// when the log holds one stick: then its values join that stick's own series
// when labels and units agree. False (and why) when the file cannot be read
// or is not a value log; the samples read until then are stored.
bool importLog(HistoryStore& store, const QString& file, const QString& serial, ImportCounts& counts, QString& error);

} // namespace vs
