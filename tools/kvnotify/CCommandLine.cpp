#include "tools/kvnotify/CCommandLine.h"

#include "engine/CNoticeOwners.h"

using namespace Qt::StringLiterals;

bool CCommandLine::Parse(const QStringList& arguments, QString* error)
{
    *this = CCommandLine();
    if (arguments.isEmpty()) {
        *error = u"no command given: use send or listen (--help for the usage)"_s;
        return false;
    }
    const QString& command = arguments.first();
    if (command == u"--help" || command == u"-h" || command == u"help")
        return true;

    qsizetype next = 1;
    // The value of the option at arguments[next], which must follow it.
    auto optionValue = [&](QString* value) {
        if (next + 1 >= arguments.size()) {
            *error = u"%1 needs a value"_s.arg(arguments[next]);
            return false;
        }
        *value = arguments[next + 1];
        next += 2;
        return true;
    };

    if (command == u"send") {
        mode = TMode::Send;
        while (next < arguments.size() && arguments[next] == u"--computer") {
            if (!optionValue(&computer))
                return false;
        }
        if (arguments.size() - next < 2) {
            *error = u"send needs a mailslot NAME and a notice TYPE"_s;
            return false;
        }
        name = arguments[next];
        type = arguments[next + 1];
        noticeArguments = arguments.mid(next + 2);
        return true;
    }

    if (command == u"listen") {
        mode = TMode::Listen;
        while (next < arguments.size()) {
            const QString& option = arguments[next];
            if (option == u"--owner") {
                if (!optionValue(&owner))
                    return false;
            } else if (option == u"--name") {
                if (!optionValue(&name))
                    return false;
                hasName = true;
            } else {
                *error = u"unknown listen option '%1'"_s.arg(option);
                return false;
            }
        }
        const QStringList kinds = CNoticeOwners::Kinds();
        if (!kinds.contains(owner)) {
            *error = owner.isEmpty()
                         ? u"listen needs --owner %1"_s.arg(kinds.join(u'|'))
                         : u"unknown owner '%1': use one of %2"_s.arg(owner, kinds.join(u", "_s));
            return false;
        }
        return true;
    }

    *error = u"unknown command '%1': use send or listen"_s.arg(command);
    return false;
}

QString CCommandLine::Usage()
{
    return u"Usage:\n"
           u"  kvnotify send [--computer C] NAME TYPE [ARG...]\n"
           u"      Writes one notice into the mailslot NAME: the u32 TYPE, then each ARG:\n"
           u"      s:TEXT  u8:N  u32:N  i32:N  u64:N  i64:N  f64:X\n"
           u"      Integers are decimal or 0x hex; u32 also takes negative values (HRESULTs).\n"
           u"  kvnotify listen --owner %1 [--name NAME]\n"
           u"      Listens as that owner and prints each signal as: NAME [JSON arguments].\n"
           u"      Without --name, a fresh mailslot name is printed on the first line.\n"
           u"      Runs until SIGINT or SIGTERM.\n"
           u"Exit codes: 0 success, 1 failure, 2 bad command line.\n"_s.arg(
               CNoticeOwners::Kinds().join(u'|'));
}
