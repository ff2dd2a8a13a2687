// Message templates: "%N" substitution with hostile templates and arguments. Every "%N" whose N
// names an argument is replaced by it, anything else is kept, and an argument's own "%N" is
// never substituted again.
//
// Input: the template and then the arguments, UTF-16LE units separated by U+0000; at most 12
// arguments.

#include "FuzzSupport.h"

#include "core/CMessageTemplate.h"

#include <QStringList>

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString input = FuzzUtf16(data, size);
    QStringList parts = input.split(QChar(u'\0'));
    const QString templateText = parts.takeFirst();
    if (parts.size() > 12)
        return 0;

    CMessageTemplate message(templateText);
    qsizetype argumentsSize = 0;
    for (const QString& argument : parts) {
        message.Arg(argument);
        argumentsSize += argument.size();
    }
    const QString text = message.Text();
    // Each "%N" (two units at least) becomes at most one argument.
    FUZZ_CHECK(text.size() <= templateText.size() * (1 + argumentsSize));
    if (!templateText.contains(u'%'))
        FUZZ_CHECK(text == templateText);
    if (parts.isEmpty())
        FUZZ_CHECK(text == templateText);
    return 0;
}
