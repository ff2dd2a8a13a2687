#pragma once

#include "core/CTranslatable.h"
#include "core/Types.h"

#include <QDialog>

#include <functional>

class QDialogButtonBox;
class QLabel;
class QLineEdit;

// Asks for a schedule's new name. It refuses, before anything reaches the agent, a blank name, a
// name already taken (the special schedules' fixed names always are), and a name the agent
// cannot keep: control characters or more than kMaxNameLength characters.
class CScheduleNameDialog : public QDialog, public CTranslatable {
    Q_OBJECT

public:
    static constexpr qsizetype kMaxNameLength = 256;
    enum class TProblem { kNone, kBlank, kTaken, kUnkeepable };
    using TTaken = std::function<bool(const TName&)>;

    // The name as the dialog gives it: without leading and trailing blanks.
    static QString Normalized(const QString& text);
    static TProblem Check(const QString& name, const TTaken& taken);

    CScheduleNameDialog(const QString& oldName, TTaken taken, QWidget* parent = nullptr);

    QLineEdit* NameEdit() const { return m_edit; }
    QString Name() const;
    TProblem Problem() const;
    // Why the name is refused; empty when it is not.
    QString ProblemText() const;

public slots:
    void accept() override;

private:
    void OnTextChanged();

    TTaken m_taken;
    QLineEdit* m_edit;
    QLabel* m_problem;
    QDialogButtonBox* m_buttons;
};
