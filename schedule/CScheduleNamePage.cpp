#include "schedule/CScheduleNamePage.h"

#include "schedule/CAgentSchedules.h"
#include "schedule/CCadenceWizardTableModel.h"

#include <QIdentityProxyModel>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QVBoxLayout>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

// The list entries of the existing schedules: the name with its type.
class CScheduleNameListModel : public QIdentityProxyModel {
public:
    using QIdentityProxyModel::QIdentityProxyModel;

    QVariant data(const QModelIndex& index, int role) const override
    {
        return QIdentityProxyModel::data(
            index, role == Qt::DisplayRole ? CCadenceWizardTableModel::kListTextRole : role);
    }
};

} // namespace

QString CScheduleNamePage::Normalized(const QString& text)
{
    return text.trimmed();
}

bool CScheduleNamePage::IsKeepable(const QString& name)
{
    if (name.size() > kMaxNameLength)
        return false;
    for (qsizetype i = 0; i < name.size(); ++i) {
        const char16_t unit = name[i].unicode();
        if (unit < 0x20 || unit == 0x7F)
            return false;
        // The agent's strings travel as UTF-8, which has no form for half a pair.
        if (QChar::isHighSurrogate(unit)) {
            if (i + 1 == name.size() || !QChar::isLowSurrogate(name[i + 1].unicode()))
                return false;
            ++i;
        } else if (QChar::isLowSurrogate(unit)) {
            return false;
        }
    }
    return true;
}

bool CScheduleNamePage::IsReserved(const QString& name)
{
    // The agent keeps the special schedules under the names the scheduling tab shows them by.
    const TName wide = name.toStdWString();
    return wide == CAgentSchedules::kScreenSaverName || wide == CAgentSchedules::kQuietWatchName;
}

CScheduleNamePage::CScheduleNamePage(const CCadence& cadence, QWidget* parent)
    : CWirePageBase("CScheduleNamePage", parent)
    , m_schedules(new CCadenceWizardTableModel(cadence, this))
    , m_edit(new QLineEdit(this))
    , m_existing(new QListView(this))
{
    m_edit->setObjectName(u"scheduleName"_s);
    m_existing->setObjectName(u"existingSchedules"_s);
    auto* list = new CScheduleNameListModel(this);
    list->setSourceModel(m_schedules);
    m_existing->setModel(list);
    m_existing->setModelColumn(CCadenceWizardTableModel::kNameColumn);
    m_existing->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_existing->setSelectionMode(QAbstractItemView::NoSelection);
    m_existing->setFocusPolicy(Qt::NoFocus);

    auto* nameLabel = new QLabel(Translate("Enter a unique schedule name:"), this);
    nameLabel->setBuddy(m_edit);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(nameLabel);
    layout->addWidget(m_edit);
    layout->addWidget(new QLabel(Translate("Existing Schedules:"), this));
    layout->addWidget(m_existing, 1);

    connect(m_edit, &QLineEdit::textChanged, this, &CWirePageBase::Changed);
}

void CScheduleNamePage::RefuseName(const TName& name)
{
    m_refused.insert(name);
}

CScheduleNamePage::TProblem CScheduleNamePage::Problem() const
{
    const QString name = Normalized(m_edit->text());
    if (name.isEmpty())
        return TProblem::kBlank;
    if (!IsKeepable(name))
        return TProblem::kUnkeepable;
    const TName wide = name.toStdWString();
    if (m_refused.contains(wide))
        return TProblem::kTaken;
    if (Editing() && m_original == wide)
        return TProblem::kNone;
    if (IsReserved(name))
        return TProblem::kReserved;
    if (m_schedules->Contains(wide))
        return TProblem::kTaken;
    return TProblem::kNone;
}

QString CScheduleNamePage::Title() const
{
    return Translate("Schedule Name");
}

QString CScheduleNamePage::Summary() const
{
    return Normalized(m_edit->text());
}

void CScheduleNamePage::Load(const TWireRecord& record)
{
    // The first record is the schedule the wizard was opened on; a template loaded later does
    // not change whose name may stay.
    if (!m_original)
        m_original = WireName(record);
    m_edit->setText(QString::fromStdWString(WireName(record)));
}

void CScheduleNamePage::Store(TWireRecord* record) const
{
    WireName(*record) = Normalized(m_edit->text()).toStdWString();
}

QString CScheduleNamePage::Validate() const
{
    return Problem() == TProblem::kNone ? QString()
                                        : QString(Translate("A unique schedule name is required"));
}

QWidget* CScheduleNamePage::FirstField() const
{
    return m_edit;
}
