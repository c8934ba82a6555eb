/* bwps/progress.h: the progress dialog of long verification and repair
 * runs: a title, two text lines and a bar, and with a cancel button the
 * user's Esc. */
#ifndef BWPS_PROGRESS_H
#define BWPS_PROGRESS_H

#include <stdint.h>

#include "bwps/export.h"

class BWPS_EXPORT CProgressDialog {
public:
    CProgressDialog();
    ~CProgressDialog();
    CProgressDialog(const CProgressDialog&) = delete;
    CProgressDialog& operator=(const CProgressDialog&) = delete;

    CProgressDialog* Create(int16_t low, int16_t high, int step, bool cancel, bool disableClose,
                            bool show, const char* name = "SCRPROGDIALOG");
    bool Destroy();
    void SetLine(int line, const char* text);
    void SetItemText(int line, const char* text);
    void Step();
    void Show();
    /* True once the user pressed Esc (with a cancel button): the job stops
     * between records. */
    bool Cancelled();
    bool Exists() const { return m_window != nullptr; }
    int Position() const { return m_position; }

private:
    void* m_window;
    int m_low, m_high, m_step, m_position, m_shownPercent;
    bool m_cancel, m_cancelled;
    char m_name[32];
};

#endif
