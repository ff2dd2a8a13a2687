#include "schedule/CSelectDrivesPage.h"

#include "schedule/CWizardButtonGroup.h"
#include "schedule/CWizardPageInfo.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QRadioButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int kVolumeIdRole = Qt::UserRole + 1;

} // namespace

CSelectDrivesPage::CSelectDrivesPage(TDrives drives, QWidget* parent)
    : CWirePageBase("CSelectDrivesPage", parent)
    , m_drives(std::move(drives))
    , m_allDrives(new QCheckBox(Translate("All Drives"), this))
    , m_tree(new QTreeWidget(this))
    , m_sequence(new QButtonGroup(this))
{
    m_allDrives->setObjectName(QStringLiteral("allDrives"));
    m_tree->setObjectName(QStringLiteral("driveTree"));
    m_tree->setHeaderHidden(true);
    m_tree->setRootIsDecorated(false);
    m_tree->setColumnCount(1);

    auto* sequenceBox = new QGroupBox(Translate("Defragmentation sequence"), this);
    auto* sequenceLayout = new QVBoxLayout(sequenceBox);
    const char* const sequenceTexts[] = {
        "Defragment drives one after another ( in series )",
        "Defrag drives at the same time ( in parallel )",
        "Auto detection (let Korvane decide for you)",
    };
    for (int option = 0; option < 3; ++option) {
        auto* button = new QRadioButton(Translate(sequenceTexts[option]), sequenceBox);
        m_sequence->addButton(button, option);
        sequenceLayout->addWidget(button);
    }
    m_sequence->button(0)->setChecked(true);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new CWizardPageInfo(
        Translate("Select the drives you would like to include for defragmentation in this "
                  "schedule"),
        this));
    layout->addWidget(m_allDrives);
    layout->addWidget(m_tree, 1);
    layout->addWidget(sequenceBox);

    for (const TDrive& drive : m_drives)
        AddItem(drive.volumeId, DriveText(drive));

    connect(m_allDrives, &QCheckBox::toggled, this, [this] {
        UpdateTree();
        emit Changed();
    });
    connect(m_tree, &QTreeWidget::itemChanged, this, &CWirePageBase::Changed);
    connect(m_sequence, &QButtonGroup::idToggled, this, [this](int, bool checked) {
        if (checked)
            emit Changed();
    });
    UpdateTree();
}

QString CSelectDrivesPage::Title() const
{
    return Translate("Select Drives");
}

QString CSelectDrivesPage::DriveText(const TDrive& drive) const
{
    return Translate("(%1) %2").Arg(drive.mountPoint).Arg(drive.label);
}

QTreeWidgetItem* CSelectDrivesPage::AddItem(const TString& volumeId, const QString& text)
{
    auto* item = new QTreeWidgetItem(m_tree, QStringList{text});
    item->setData(0, kVolumeIdRole, QString::fromStdWString(volumeId));
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemIsSelectable);
    item->setCheckState(0, Qt::Unchecked);
    return item;
}

QAbstractButton* CSelectDrivesPage::SequenceButton(int option) const
{
    return m_sequence->button(option);
}

void CSelectDrivesPage::UpdateTree()
{
    m_tree->setEnabled(!m_allDrives->isChecked());
}

TStringList CSelectDrivesPage::CheckedDrives() const
{
    TStringList drives;
    for (int row = 0; row < m_tree->topLevelItemCount(); ++row) {
        const QTreeWidgetItem* item = m_tree->topLevelItem(row);
        if (item->checkState(0) == Qt::Checked)
            drives.push_back(item->data(0, kVolumeIdRole).toString().toStdWString());
    }
    return drives;
}

QString CSelectDrivesPage::Summary() const
{
    QString drives;
    if (m_allDrives->isChecked()) {
        drives = Translate("All Drives");
    } else {
        QStringList names;
        for (int row = 0; row < m_tree->topLevelItemCount(); ++row) {
            const QTreeWidgetItem* item = m_tree->topLevelItem(row);
            if (item->checkState(0) != Qt::Checked)
                continue;
            const QString volumeId = item->data(0, kVolumeIdRole).toString();
            const auto known = std::find_if(m_drives.begin(), m_drives.end(), [&](const TDrive& d) {
                return QString::fromStdWString(d.volumeId) == volumeId;
            });
            names << (known != m_drives.end() && !known->mountPoint.isEmpty() ? known->mountPoint
                                                                              : volumeId);
        }
        drives = names.join(QStringLiteral(" "));
    }
    QString sequence;
    switch (m_sequence->checkedId()) {
    case 0:
        sequence = Translate("Series");
        break;
    case 1:
        sequence = Translate("Parallel");
        break;
    case 2:
        sequence = Translate("Auto");
        break;
    default:
        break;
    }
    return sequence.isEmpty() ? drives : Translate("%1, %2").Arg(drives).Arg(sequence).Text();
}

void CSelectDrivesPage::Load(const TWireRecord& record)
{
    const auto* schedule = std::get_if<CCadence::CScheduleData>(&record);
    if (schedule == nullptr)
        return;
    const QSignalBlocker treeBlocker(m_tree);
    // Drives the record names but the computer no longer shows stay, marked unknown, until
    // the user unchecks them; those of an earlier load go unless this record names them.
    for (int row = m_tree->topLevelItemCount() - 1; row >= int(m_drives.size()); --row)
        delete m_tree->takeTopLevelItem(row);
    for (int row = 0; row < m_tree->topLevelItemCount(); ++row)
        m_tree->topLevelItem(row)->setCheckState(0, Qt::Unchecked);
    for (const TString& volumeId : schedule->drives) {
        const QString id = QString::fromStdWString(volumeId);
        QTreeWidgetItem* item = nullptr;
        for (int row = 0; row < m_tree->topLevelItemCount() && item == nullptr; ++row) {
            if (m_tree->topLevelItem(row)->data(0, kVolumeIdRole).toString() == id)
                item = m_tree->topLevelItem(row);
        }
        if (item == nullptr)
            item = AddItem(volumeId, Translate("(Unknown drive) %1").Arg(id));
        item->setCheckState(0, Qt::Checked);
    }
    {
        const QSignalBlocker allBlocker(m_allDrives);
        m_allDrives->setChecked(schedule->allDrives);
    }
    UpdateTree();
    m_loadedOption = schedule->settings.option;
    CheckGroupButton(m_sequence, int(std::min<quint32>(m_loadedOption, 3)));
    emit Changed();
}

void CSelectDrivesPage::Store(TWireRecord* record) const
{
    auto* schedule = std::get_if<CCadence::CScheduleData>(record);
    if (schedule == nullptr)
        return;
    schedule->allDrives = m_allDrives->isChecked();
    if (schedule->allDrives)
        schedule->drives.clear();
    else
        schedule->drives = CheckedDrives();
    const int option = m_sequence->checkedId();
    schedule->settings.option = option >= 0 ? quint32(option) : m_loadedOption;
}

QString CSelectDrivesPage::Validate() const
{
    if (m_allDrives->isChecked() || !CheckedDrives().empty())
        return {};
    return Translate("All drives or individual drives should be selected");
}

QWidget* CSelectDrivesPage::FirstField() const
{
    return m_allDrives;
}
