#include "schedule/CWizardSpinBox.h"

namespace {

// Whether appending digits to a typed number could still give a value in [minimum, maximum].
// Digits only ever take a number further from zero, so a negative number is looked at as its
// mirror image in the mirrored range.
bool CanGrowInto(long long value, long long minimum, long long maximum)
{
    if (value < 0)
        return CanGrowInto(-value, -maximum, -minimum);
    if (value == 0)
        return false;
    for (long long span = 10; maximum > 0 && span <= maximum / value; span *= 10) {
        // k more digits reach value*10^k .. value*10^k + 10^k - 1.
        if (value * span + span - 1 >= minimum)
            return true;
    }
    return false;
}

} // namespace

CWizardSpinBox::CWizardSpinBox(QWidget* parent)
    : QSpinBox(parent)
{}

CWizardSpinBox::CWizardSpinBox(int minimum, int maximum, QWidget* parent)
    : QSpinBox(parent)
{
    setRange(minimum, maximum);
}

QValidator::State CWizardSpinBox::validate(QString& text, int& pos) const
{
    const QValidator::State state = QSpinBox::validate(text, pos);
    if (state != QValidator::Intermediate)
        return state;
    QString number = text;
    if (number.startsWith(prefix()))
        number.remove(0, prefix().size());
    if (!suffix().isEmpty() && number.endsWith(suffix()))
        number.chop(suffix().size());
    bool ok = false;
    const long long value = locale().toLongLong(number.trimmed(), &ok);
    if (!ok)
        return state; // empty, a lone sign: still being typed
    if (value >= minimum() && value <= maximum())
        return state;
    return CanGrowInto(value, minimum(), maximum()) ? QValidator::Intermediate
                                                    : QValidator::Invalid;
}

void CWizardSpinBox::fixup(QString& text) const
{
    Q_UNUSED(text);
}
