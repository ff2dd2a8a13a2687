#include "app/CConnectionFailureMessage.h"

#include "core/CSystemMessage.h"
#include "core/CTranslatable.h"

const char* const CConnectionFailureMessage::kTitle = "Could Not Connect";

namespace {

const QByteArray kFailureContext = QByteArrayLiteral("Korvane");

CMessageTemplate Translated(const char* source)
{
    return CTranslatable::Translate(source, kFailureContext);
}

} // namespace

QString CConnectionFailureMessage::Text(const TName& computer, const TName& user,
                                        const TString& password, const TName& domain,
                                        HRESULT result)
{
    const bool currentUser = user.empty() && password.empty();
    const bool remote = !computer.empty();
    const long long code = static_cast<long long>(result);
    const QString systemText = CSystemMessage::Text(result);

    if (currentUser) {
        if (result == E_ACCESSDENIED) {
            if (remote)
                return Translated("Unable to connect to machine (%1) with current user. Access is "
                                  "denied (possibly the account is not recognized on that machine)")
                    .Arg(computer);
            return Translated(
                "Unable to connect to local machine with current user. Access is denied (this "
                "could indicate a COM issue or registry issue).  Please repair Korvane or run  "
                "Korvane Self-Diagnostic and Troubleshooting (see help for instructions).");
        }
        if (result == REGDB_E_CLASSNOTREG) {
            if (remote)
                return Translated("Unable to connect to machine (%1) with current user. Error (%4) "
                                  "Korvane  not installed on remote machine")
                    .Arg(computer)
                    .Arg(domain)
                    .Arg(user)
                    .Arg(code);
            return Translated("Unable to connect to local machine  Registration Error: Class not "
                              "registered(%1)")
                .Arg(code);
        }
        if (remote)
            return Translated(
                       "Unable to connect to computer (%1) with current user.  Error (%2)(%3).  "
                       "This "
                       "can indicate that the remote computer is not currently turned on, the "
                       "remote computer  currently is not reachable on your network, Korvane may "
                       "not be installed on the remote computer or your firewall may not allow "
                       "Korvane to access the remote computer.")
                .Arg(computer)
                .Arg(systemText)
                .Arg(code);
        return Translated("Unable to connect to local machine with current user.  Error (%1)(%2). "
                          "Please Repair Korvane.")
            .Arg(systemText)
            .Arg(code);
    }

    if (result == E_ACCESSDENIED)
        return Translated("Unable to connect to machine (%1) domain (%2) user (%3) with the "
                          "supplied password. Access Denied (possibly a bad user name/password)")
            .Arg(computer)
            .Arg(domain)
            .Arg(user);
    if (result == REGDB_E_CLASSNOTREG) {
        if (!remote)
            return Translated("Unable to connect to Local machine  with user(%2) domain (%1) "
                              "Registration Error: Class not Registered(%3)")
                .Arg(domain)
                .Arg(user)
                .Arg(code);
        return Translated("Unable to connect to machine (%1) domain (%2) user (%3) Error (%4) "
                          "Korvane is not installed on remote machine")
            .Arg(computer)
            .Arg(domain)
            .Arg(user)
            .Arg(code);
    }
    return Translated("Unable to connect to machine (%1) domain (%2) user (%3) Error (%5)(%4) "
                      "Possibly the machine doesn't exist or there are firewall issues.")
        .Arg(computer)
        .Arg(domain)
        .Arg(user)
        .Arg(code)
        .Arg(systemText);
}
