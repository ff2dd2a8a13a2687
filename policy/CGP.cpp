#include "policy/CGP.h"

CGP::CGP()
{
    ClearAll();
}

void CGP::ClearAll()
{
    m_slots.fill(TSlotValue());
}

void CGP::Store(int slot, DWORD value)
{
    if (!IsInRange(slot))
        return;
    m_slots[static_cast<size_t>(slot - 1)] = TSlotValue{false, value};
}

bool CGP::IsSet(int slot) const
{
    return IsInRange(slot) && !m_slots[static_cast<size_t>(slot - 1)].unset;
}

bool CGP::Value(int slot, DWORD* value) const
{
    if (!IsSet(slot))
        return false;
    *value = m_slots[static_cast<size_t>(slot - 1)].value;
    return true;
}

bool CGP::IsGranted(int slot) const
{
    DWORD value = 0;
    return !Value(slot, &value) || value == 1;
}
