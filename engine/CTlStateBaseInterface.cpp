#include "engine/CTlStateBaseInterface.h"

#include "engine/CEngineMetaTypes.h"

#include <climits>
#include <cmath>

CTlStateBaseInterface::CTlStateBaseInterface(QObject* parent)
    : QObject(parent)
{
    CEngineMetaTypes::Register();
}

CTlStateBaseInterface::~CTlStateBaseInterface()
{
    Stop();
}

int CTlStateBaseInterface::TruncatedPercent(double percent)
{
    if (std::isnan(percent))
        return 0;
    if (percent >= static_cast<double>(INT_MAX))
        return INT_MAX;
    if (percent <= static_cast<double>(INT_MIN))
        return INT_MIN;
    return static_cast<int>(percent);
}
