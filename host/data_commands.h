// The host's data commands: export and import of a data file as
// comma-separated text, and the list of a company's data files.
#pragma once

namespace host {

// argv[1] is "export", "import" or "files". The exit status: 0 done, 1 the
// transfer failed, 2 bad arguments or no company, 3 missing libraries.
int RunDataCommand(int argc, char** argv);

} // namespace host
