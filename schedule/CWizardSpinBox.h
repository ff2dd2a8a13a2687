#pragma once

#include <QSpinBox>

// A spin box whose text is acceptable only inside its range: typing a number beyond it is
// refused outright instead of being clamped when the box loses the focus. A number below the
// minimum stays intermediate only while more digits could still bring it into the range.
class CWizardSpinBox : public QSpinBox {
    Q_OBJECT

public:
    explicit CWizardSpinBox(QWidget* parent = nullptr);
    CWizardSpinBox(int minimum, int maximum, QWidget* parent = nullptr);

protected:
    QValidator::State validate(QString& text, int& pos) const override;
    // Leaves an unacceptable text for the correction mode to undo; never clamps it.
    void fixup(QString& text) const override;
};
