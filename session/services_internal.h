// Library state of the shared services (options copy, status windows,
// message log, quiet flag) and its reset, called by BWPSResetSession.
#pragma once

namespace bwps::detail {

void ResetSystemOptions();
void ResetFileStatus();
void ResetScreenUtils();
void ResetStatusWindows();
void ResetServicesState();

}  // namespace bwps::detail

namespace bwps::posting {

// The module-wide state of the posting sources.
void ResetPostingState();

}  // namespace bwps::posting
