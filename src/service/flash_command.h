#pragma once
#include <string>

namespace vs {

// ventiscope --download-flash=FILE [--end=HH:MM]: downloads the latest
// recording of the one connected stick without a display and writes it to
// FILE in the value log's format. The recording ended at `endTime` ("HH:MM",
// empty for now). Returns the exit code: 0 only when every value was read
// intact (FILE is then written whole); otherwise 1 with the reason said, and
// FILE is left as it was.
int runFlashDownload(int argc, char** argv, const std::string& fileName, const std::string& endTime);

} // namespace vs
