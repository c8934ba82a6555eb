// The host's business-alert command: rules kept in the company folder,
// evaluated by the alert session of the base library, and the alert list.
#pragma once

namespace host {

// argv[1] is "alerts". The exit status: 0 done, 1 a rule was not added or
// not evaluated, 2 bad arguments, 3 missing libraries, 4 no company, 6 a
// record-manager error was reported.
int RunAlertCommand(int argc, char** argv);

} // namespace host
