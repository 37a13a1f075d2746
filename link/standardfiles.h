#pragma once

namespace qn62 {

// Opens /dev/null on standard input, output or error where the program was
// started with one of them closed (as a cron job or a careless service may
// do), before anything else opens a file. Otherwise the next file opened,
// a port or a traffic log, would take that number, and what the program
// prints for its user would go down the line to the projector or into the
// log.
void keepStandardFilesOpen();

} // namespace qn62
