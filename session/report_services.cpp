// The user's break of long jobs. Weak: the report services of the report
// area take its place when they are part of the library.
#include "bwps/report_services.h"

#include "fx.h"

extern "C" {

__attribute__((weak)) BWPS_EXPORT int ReportCheckUserBreak(void*)
{
    // Headless, only a key the script still holds can be waiting.
    if (!FxUsingTerminal() && FxScriptRemaining() == 0)
        return 0;
    const int key = FxGetKey(0);
    if (key != FX_KEY_ESC)
        return 0;
    return FxMessageBox(nullptr, "Stop now?", nullptr, FX_MB_YESNO | FX_MB_ICONQUESTION, 0) ==
                   FX_ID_YES
               ? 1
               : 0;
}

}  // extern "C"
