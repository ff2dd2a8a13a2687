#pragma once

#include "core/HResult.h"
#include "policy/CLockable.h"

#include <array>

// The permission slots of a console policy, numbered from 1 to kSlotCount. Each slot is a
// nullable 32-bit value. A permission is granted while its slot is unset or holds exactly 1:
// only an explicit restriction denies, and a value nobody understands (2, 0xFFFFFFFF) denies
// rather than grants.
class CGP : public CLockable {
public:
    static constexpr int kSlotCount = 17;

    CGP();

    // Marks every slot unset.
    void ClearAll();
    // Stores the value, which sets the slot. A slot number out of range is ignored.
    void Store(int slot, DWORD value);

    bool IsSet(int slot) const;
    // False, leaving VALUE alone, when the slot is unset or out of range.
    bool Value(int slot, DWORD* value) const;
    // A slot number out of range names nothing that could be restricted, so it is granted.
    bool IsGranted(int slot) const;

private:
    struct TSlotValue {
        bool unset = true;
        DWORD value = 0;
    };

    static bool IsInRange(int slot) { return slot >= 1 && slot <= kSlotCount; }

    std::array<TSlotValue, kSlotCount> m_slots;
};
