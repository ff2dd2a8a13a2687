#pragma once

#include "core/HResult.h"

#include <functional>
#include <vector>

// The writes of one settings page. The engine keeps each value as soon as it is written, so when
// one write fails the earlier ones are undone (newest first): a page is kept whole or not at all.
class CSettingsTransaction {
public:
    using TCall = std::function<HRESULT()>;

    CSettingsTransaction() = default;
    CSettingsTransaction(const CSettingsTransaction&) = delete;
    CSettingsTransaction& operator=(const CSettingsTransaction&) = delete;

    // Makes the write unless an earlier one failed. undo puts the value back as it was; none
    // when the value before is not known (its read failed), which then cannot be undone.
    CSettingsTransaction& Write(const TCall& write, TCall undo);

    // S_OK, or the first failure.
    HRESULT Result() const { return m_result; }

private:
    HRESULT m_result = S_OK;
    std::vector<TCall> m_undo;
};
