#pragma once

#include "schedule/CWirePageBase.h"

class QFormLayout;
class QSpinBox;

// "Minimum Period" of the screen-saver wizard: the least number of hours between two runs (the
// record's interval). A value the field cannot hold is shown as an empty field, which the page
// refuses and which leaves the record as it was when stored.
class CScreenMinimumPeriod : public CWirePageBase {
    Q_OBJECT

public:
    // The hours the period field accepts.
    static constexpr int kMinimumHours = 1;
    static constexpr int kMaximumHours = 8760;

    explicit CScreenMinimumPeriod(QWidget* parent = nullptr);

    QString Title() const override;
    QString Summary() const override;
    void Load(const TWireRecord& record) override;
    void Store(TWireRecord* record) const override;
    QString Validate() const override;
    QWidget* FirstField() const override;

    QSpinBox* PeriodField() const { return m_period; }

protected:
    CScreenMinimumPeriod(QByteArray context, QWidget* parent);

    // A number field refusing text outside its range.
    static QSpinBox* NewNumberField(int minimum, int maximum, QWidget* parent);
    // Shows a value of the record in a number field; empty when the field cannot hold it.
    static void ShowNumber(QSpinBox& field, quint32 value);
    // Whether a number field holds a value (it is empty once the user cleared it).
    static bool HasNumber(const QSpinBox& field);
    // Stores a number field into a field of the record when it holds a value.
    static void StoreNumber(const QSpinBox& field, quint32* value);
    // The period's part of the summary, from its text.
    QString PeriodSummary(const char* source) const;

    QFormLayout& Form() const { return *m_form; }

private:
    QFormLayout* m_form;
    QSpinBox* m_period;
};
