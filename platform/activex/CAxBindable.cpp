#include "platform/activex/CAxBindable.h"

CAxBindable::~CAxBindable() = default;

CAxAggregated* CAxBindable::createAggregate()
{
    return nullptr;
}
