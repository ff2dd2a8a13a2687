#include "schedule/CAutoExclusions.h"

#include "appmodel/IMessagePresenter.h"
#include "schedule/CExcludedProgram.h"
#include "schedule/CTimeline.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

// Where the file dialog starts: the programs of the system.
const QString kProgramFolder = u"/usr/bin"_s;

} // namespace

CAutoExclusions::CAutoExclusions(QWidget* parent)
    : CWirePageBase("CAutoExclusions", parent)
    , m_programs(new QListWidget(this))
    , m_add(new QPushButton(Translate("Add..."), this))
    , m_remove(new QPushButton(Translate("Remove"), this))
    , m_removeAll(new QPushButton(Translate("Remove All"), this))
    , m_timeline(new CTimeline(this))
{
    m_programs->setObjectName(u"excludedPrograms"_s);
    m_programs->setSelectionMode(QAbstractItemView::ExtendedSelection);
    for (QPushButton* button : {m_add, m_remove, m_removeAll})
        button->setAutoDefault(false);

    auto* programs = new QGridLayout;
    programs->addWidget(
        new QLabel(Translate("Do not defragment when the following programs are running:")), 0, 0,
        1, 2);
    programs->addWidget(m_programs, 1, 0, 4, 1);
    programs->addWidget(m_add, 1, 1);
    programs->addWidget(m_remove, 2, 1);
    programs->addWidget(m_removeAll, 3, 1);
    programs->setRowStretch(4, 1);
    programs->setColumnStretch(0, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(programs, 1);
    layout->addWidget(m_timeline, 2);

    connect(m_add, &QPushButton::clicked, this, &CAutoExclusions::OnAdd);
    connect(m_remove, &QPushButton::clicked, this, &CAutoExclusions::OnRemove);
    connect(m_removeAll, &QPushButton::clicked, this, &CAutoExclusions::OnRemoveAll);
    connect(m_programs, &QListWidget::itemSelectionChanged, this, &CAutoExclusions::UpdateButtons);
    connect(m_timeline, &CTimeline::Updated, this, [this] {
        m_windowsChanged = true;
        emit Changed();
    });
    UpdateButtons();
}

QString CAutoExclusions::Title() const
{
    return Translate("Exclusions");
}

QString CAutoExclusions::Summary() const
{
    return Programs().join(u", "_s);
}

void CAutoExclusions::Load(const TWireRecord& record)
{
    const CScheduleSettings& settings = WireSettings(record);
    m_programs->clear();
    for (const TString& program : settings.excludedPrograms)
        m_programs->addItem(QString::fromStdWString(program));
    m_loadedWindows = settings.exclusionWindows;
    m_windowsChanged = false;
    m_timeline->SetWindows(m_loadedWindows);
    UpdateButtons();
    emit Changed();
}

void CAutoExclusions::Store(TWireRecord* record) const
{
    CScheduleSettings& settings = WireSettings(*record);
    settings.excludedPrograms.clear();
    for (const QString& program : Programs())
        settings.excludedPrograms.push_back(program.toStdWString());
    settings.exclusionWindows = m_windowsChanged ? m_timeline->Windows() : m_loadedWindows;
}

QString CAutoExclusions::Validate() const
{
    return QString();
}

QWidget* CAutoExclusions::FirstField() const
{
    return m_programs;
}

QStringList CAutoExclusions::Programs() const
{
    QStringList programs;
    for (int row = 0; row < m_programs->count(); ++row)
        programs.append(m_programs->item(row)->text());
    return programs;
}

bool CAutoExclusions::AddProgram(const QString& path)
{
    const QString name = QFileInfo(path).fileName();
    if (!CExcludedProgram::Storable(name)) {
        IMessagePresenter::Show(
            QMessageBox::Warning, Translate("Cannot add"),
            Translate("The program name \"%1\" cannot be listed: it may not begin or end with a "
                      "blank or hold \",\" or \";\".")
                .Arg(name),
            QMessageBox::Ok, this);
        return false;
    }
    const QStringList programs = Programs();
    const bool listed = std::any_of(programs.cbegin(), programs.cend(), [&](const QString& other) {
        return CExcludedProgram::Same(other, name);
    });
    if (listed) {
        IMessagePresenter::Show(QMessageBox::Information, Translate("Already added"),
                                Translate("This program is already been added."), QMessageBox::Ok,
                                this);
        return false;
    }
    m_programs->addItem(name);
    UpdateButtons();
    emit Changed();
    return true;
}

void CAutoExclusions::OnAdd()
{
    QFileDialog dialog(this, Translate("Add Program"), kProgramFolder);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    // Programs are the files one may run; folders to find them in.
    dialog.setFilter(QDir::AllDirs | QDir::Files | QDir::Executable | QDir::NoDot);
    dialog.setNameFilter(Translate("Programs (*)"));
    if (IMessagePresenter::Instance().RunDialog(dialog) != QDialog::Accepted ||
        dialog.selectedFiles().isEmpty())
        return;
    AddProgram(dialog.selectedFiles().constFirst());
}

void CAutoExclusions::OnRemove()
{
    const QList<QListWidgetItem*> selected = m_programs->selectedItems();
    if (selected.isEmpty())
        return;
    qDeleteAll(selected);
    UpdateButtons();
    emit Changed();
}

void CAutoExclusions::OnRemoveAll()
{
    if (m_programs->count() == 0)
        return;
    m_programs->clear();
    UpdateButtons();
    emit Changed();
}

void CAutoExclusions::UpdateButtons()
{
    m_remove->setEnabled(!m_programs->selectedItems().isEmpty());
    m_removeAll->setEnabled(m_programs->count() > 0);
}
