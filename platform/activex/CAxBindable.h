#pragma once

#include "platform/activex/CAxAggregated.h"

// The base of a control served through a CAxFactory: what the control adds to its own interfaces.
class CAxBindable {
public:
    CAxBindable() = default;
    virtual ~CAxBindable();
    CAxBindable(const CAxBindable&) = delete;
    CAxBindable& operator=(const CAxBindable&) = delete;

    // A new object of extra interfaces to aggregate into the control, owned by the caller; null
    // when the control has none.
    virtual CAxAggregated* createAggregate();
};
