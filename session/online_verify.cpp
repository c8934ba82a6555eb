// The on-line verification runs: each a whole session of its own over a
// data folder that repairs the unposted ledger transactions (or register
// entries) of the on-line posting, rebuilds what is missing, and leaves a
// text log ("ONLINEGL.LOG", "ONLINECK.LOG") in the data folder.

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "bwps/check_register.h"
#include "bwps/ledger.h"
#include "bwps/options.h"
#include "bwps/session.h"
#include "bwps/settings.h"
#include "bwps/status_windows.h"
#include "fx.h"
#include "recman.h"

namespace {

constexpr int kRunFailed = 32;
constexpr int kStopIcon = 16;
constexpr const char* kFeatureOff =
    "This feature will run only when the 'Update online general ledger' feature is enabled.";

// A session is open while the record manager holds a session block.
bool SessionOpen()
{
    uint8_t block[RECMAN_CLIENT_BLOCK] = {};
    if (BtrGetClientConfig(block) != 0)
        return false;
    for (uint8_t byte : block)
        if (byte != 0)
            return true;
    return false;
}

void Tell(const std::string& text, int style)
{
    FxMessageBox(nullptr, text.c_str(), FxGetAppCaption(style), style, 0);
}

// The log, created new in the data folder (an old one is removed first);
// null, after saying why, when it cannot be made.
std::FILE* CreateLog(const char* dataFolder, const char* name)
{
    std::string path = dataFolder;
    if (!path.empty() && path.back() != '/')
        path += '/';
    path += name;
    std::remove(path.c_str());
    std::FILE* file = std::fopen(path.c_str(), "wbx");
    if (file == nullptr) {
        const int cause = errno;
        Tell("The log " + path + " could not be created (" + std::strerror(cause) +
                 ").\n\nThe check runs without a log.",
             kStopIcon);
    }
    return file;
}

struct RunTexts {
    const char* logName;
    const char* emptyLog;
};

// The steps both runs share. may(repair) tells whether the run may go on;
// verify(repair) rebuilds after the repair.
template <class Repair, class May, class Verify>
int RunVerification(const char* programFolder, const char* dataFolder, const RunTexts& texts,
                    May may, Verify verify)
{
    if (SessionOpen()) {
        // The open session stays exactly as it is.
        Tell("The online verification runs in a session of its own.\n\nClose the open company "
             "first.",
             kStopIcon);
        return kRunFailed;
    }
    if (dataFolder == nullptr || dataFolder[0] == '\0') {
        Tell("The online verification needs the folder of the company's data files.", kStopIcon);
        return kRunFailed;
    }
    if (BWPSStartSession(programFolder, dataFolder) == 0) {
        Tell("Unable to start Bramlow Point of Sale.\n\nBWPSStartSession failed.", 0);
        return kRunFailed;
    }
    // The interface record decides where the shared files lie: the record
    // manager is told again once it is read.
    const bool interfaced = BWPSIsInterfaced() != 0;
    StartRecordManagerSession();
    bool passed = true;
    {
        Repair repair;
        if (!interfaced || !may(repair)) {
            Tell(kFeatureOff, kStopIcon);
        } else {
            std::FILE* log = CreateLog(dataFolder, texts.logName);
            if (log != nullptr)
                repair.SetFileHandle(log);
            OpenMessageLog();
            const bool fixed = repair.FixIntegrity();
            const bool verified = verify(repair);
            CloseMessageLog();
            passed = fixed && verified;
            if (log != nullptr) {
                if (repair.GetNumRecords() == 0) {
                    std::fputs(texts.emptyLog, log);
                    std::fputs("\r\n", log);
                }
                repair.SetFileHandle(nullptr);
                std::fclose(log);
            }
        }
    }
    BWPSStopSession();
    return passed ? 0 : kRunFailed;
}

}  // namespace

extern "C" {

BWPS_EXPORT int BWPSVerifyOnlineGenLedger(const char* programFolder, const char* dataFolder)
{
    return RunVerification<CBaseGLExt>(
        programFolder, dataFolder,
        {"ONLINEGL.LOG", "No invalid transactions were detected in the GL."},
        [](CBaseGLExt& gl) {
            return ReadSystemRecord(0, nullptr) == 0 && gl.ReadSysIntf() && gl.IsPosOnLine();
        },
        [](CBaseGLExt& gl) { return gl.Verify(); });
}

BWPS_EXPORT int BWPSVerifyOnlineCheckRegister(const char* programFolder, const char* dataFolder)
{
    return RunVerification<CBaseCheckRegExt>(
        programFolder, dataFolder,
        {"ONLINECK.LOG", "No invalid source transactions were detected in the check register."},
        [](CBaseCheckRegExt& reg) { return reg.IsPosOnLine(); },
        [](CBaseCheckRegExt& reg) { return reg.Verify(); });
}

}  // extern "C"
