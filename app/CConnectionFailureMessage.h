#pragma once

#include "core/HResult.h"
#include "core/Types.h"

#include <QString>

// The words in which a failed connection to a computer's engine is reported, chosen by the
// credentials (the current user when user name and password are both empty), the result and the
// target, and translated in the console's context.
class CConnectionFailureMessage {
public:
    static const char* const kTitle; // "Could Not Connect"

    static QString Text(const TName& computer, const TName& user, const TString& password,
                        const TName& domain, HRESULT result);
};
