// The progress dialog over the framework's progress window.
#include "bwps/progress.h"

#include <cstdio>
#include <cstring>

#include "fx.h"

CProgressDialog::CProgressDialog()
    : m_window(nullptr), m_low(0), m_high(0), m_step(1), m_position(0), m_shownPercent(-1),
      m_cancel(false), m_cancelled(false), m_name{}
{
}

CProgressDialog::~CProgressDialog()
{
    Destroy();
}

CProgressDialog* CProgressDialog::Create(int16_t low, int16_t high, int step, bool cancel, bool,
                                         bool show, const char* name)
{
    Destroy();
    std::snprintf(m_name, sizeof m_name, "%s",
                  name != nullptr ? name : (cancel ? "SCRPROGDIALOG" : "SCRPROGDIALOG_NOCANCEL"));
    m_low = low;
    m_high = high > low ? high : low;
    m_step = step > 0 ? step : 1;
    m_position = low;
    m_shownPercent = -1;
    m_cancel = cancel;
    m_cancelled = false;
    m_window = FxProgressOpen(m_name, m_high - m_low);
    if (m_window != nullptr) {
        FxProgressSetLine(static_cast<FxStatus*>(m_window), 0, nullptr);
        FxProgressSetLine(static_cast<FxStatus*>(m_window), 1, nullptr);
        if (cancel)
            FxProgressSetLine(static_cast<FxStatus*>(m_window), 1, "Esc Cancel");
        if (show)
            Show();
    }
    return this;
}

bool CProgressDialog::Destroy()
{
    if (m_window == nullptr)
        return false;
    FxProgressClose(static_cast<FxStatus*>(m_window));
    m_window = nullptr;
    return true;
}

void CProgressDialog::SetLine(int line, const char* text)
{
    SetItemText(line, text);
}

void CProgressDialog::SetItemText(int line, const char* text)
{
    if (m_window == nullptr || (line != 0 && line != 1))
        return;
    char buffer[261] = {};
    if (text != nullptr)
        std::snprintf(buffer, sizeof buffer, "%s", text);
    FxProgressSetLine(static_cast<FxStatus*>(m_window), line, text != nullptr ? buffer : nullptr);
}

void CProgressDialog::Step()
{
    if (m_window == nullptr)
        return;
    m_position += m_step;
    if (m_position > m_high)
        m_position = m_high;
    const int total = m_high - m_low;
    const int done = m_position - m_low;
    // The bar moves at most once per whole percent.
    const int percent = total > 0 ? static_cast<int>(100LL * done / total) : 100;
    if (percent != m_shownPercent) {
        m_shownPercent = percent;
        FxProgressStep(static_cast<FxStatus*>(m_window), done);
    }
}

void CProgressDialog::Show()
{
    if (m_window != nullptr)
        FxPump();
}

bool CProgressDialog::Cancelled()
{
    if (m_cancelled || !m_cancel || m_window == nullptr)
        return m_cancelled;
    if (!FxUsingTerminal() && FxScriptRemaining() == 0)
        return false;
    if (FxGetKey(0) == FX_KEY_ESC) {
        m_cancelled = true;
        char note[64];
        std::snprintf(note, sizeof note, "progress %s cancelled", m_name);
        FxTranscriptNote(note);
    }
    return m_cancelled;
}
