#pragma once

#include "platform/activex/IAxUnknown.h"

// An extra interface object aggregated into a control. It has no identity of its own: its
// references are those of the controlling unknown (the control that aggregates it), and it answers
// only the interfaces it implements.
class CAxAggregated : public IAxUnknown {
public:
    explicit CAxAggregated(IAxUnknown* controllingUnknown = nullptr);
    CAxAggregated(const CAxAggregated&) = delete;
    CAxAggregated& operator=(const CAxAggregated&) = delete;

    void SetControllingUnknown(IAxUnknown* controlling);
    IAxUnknown* ControllingUnknown() const { return m_controllingUnknown; }

    // E_POINTER for a null OBJECT; otherwise what queryInterface answers, with a reference taken
    // on success, and a null output on failure.
    HRESULT QueryInterface(const QUuid& iid, void** object) override;
    // Forward to the controlling unknown; 1 when there is none.
    ULONG AddRef() override;
    ULONG Release() override;

    // S_OK and the interface IID of this object in IFACE (no reference taken), or E_NOINTERFACE.
    virtual HRESULT queryInterface(const QUuid& iid, void** iface) = 0;

private:
    IAxUnknown* m_controllingUnknown;
};
