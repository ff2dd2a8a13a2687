#include "settings/CSettingsTransaction.h"

CSettingsTransaction& CSettingsTransaction::Write(const TCall& write, TCall undo)
{
    if (FAILED(m_result))
        return *this;
    const HRESULT result = write();
    if (SUCCEEDED(result)) {
        m_undo.push_back(std::move(undo));
        return *this;
    }
    m_result = result;
    // Best effort: an undo that fails leaves that value as written, which is all there is to do.
    for (auto undoCall = m_undo.rbegin(); undoCall != m_undo.rend(); ++undoCall)
        if (*undoCall)
            (*undoCall)();
    m_undo.clear();
    return *this;
}
