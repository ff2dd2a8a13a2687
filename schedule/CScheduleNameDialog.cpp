#include "schedule/CScheduleNameDialog.h"

#include "schedule/CAgentSchedules.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

QString CScheduleNameDialog::Normalized(const QString& text)
{
    return text.trimmed();
}

CScheduleNameDialog::TProblem CScheduleNameDialog::Check(const QString& name, const TTaken& taken)
{
    const QString normalized = Normalized(name);
    if (normalized.isEmpty())
        return TProblem::kBlank;
    const bool control = std::any_of(normalized.cbegin(), normalized.cend(), [](QChar c) {
        return c.unicode() < 0x20 || c.unicode() == 0x7F;
    });
    if (control || normalized.size() > kMaxNameLength)
        return TProblem::kUnkeepable;
    const TName wide = normalized.toStdWString();
    if (wide == CAgentSchedules::kScreenSaverName || wide == CAgentSchedules::kQuietWatchName ||
        (taken && taken(wide)))
        return TProblem::kTaken;
    return TProblem::kNone;
}

CScheduleNameDialog::CScheduleNameDialog(const QString& oldName, TTaken taken, QWidget* parent)
    : QDialog(parent)
    , CTranslatable("CScheduleNameDialog")
    , m_taken(std::move(taken))
    , m_edit(new QLineEdit(oldName, this))
    , m_problem(new QLabel(this))
    , m_buttons(new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this))
{
    setWindowTitle(Translate("Rename Schedule"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(Translate("New name of schedule %1:").Arg(oldName), this));
    layout->addWidget(m_edit);
    layout->addWidget(m_problem);
    layout->addWidget(m_buttons);
    m_edit->selectAll();
    connect(m_edit, &QLineEdit::textChanged, this, &CScheduleNameDialog::OnTextChanged);
    connect(m_buttons, &QDialogButtonBox::accepted, this, &CScheduleNameDialog::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &CScheduleNameDialog::reject);
    OnTextChanged();
}

QString CScheduleNameDialog::Name() const
{
    return Normalized(m_edit->text());
}

CScheduleNameDialog::TProblem CScheduleNameDialog::Problem() const
{
    return Check(m_edit->text(), m_taken);
}

QString CScheduleNameDialog::ProblemText() const
{
    switch (Problem()) {
    case TProblem::kNone:
        return QString();
    case TProblem::kBlank:
        return Translate("Enter a name for the schedule.");
    case TProblem::kTaken:
        return Translate("A schedule named %1 already exists.").Arg(Name());
    case TProblem::kUnkeepable:
        return Translate("A schedule name has at most %1 characters and no control characters.")
            .Arg(int(kMaxNameLength));
    }
    return QString();
}

void CScheduleNameDialog::OnTextChanged()
{
    const QString problem = ProblemText();
    m_problem->setText(problem);
    m_buttons->button(QDialogButtonBox::Ok)->setEnabled(problem.isEmpty());
}

void CScheduleNameDialog::accept()
{
    if (Problem() == TProblem::kNone)
        QDialog::accept();
}
