#include "schedule/CWireWizardWithIO.h"

#include "appmodel/IAppController.h"
#include "appmodel/IMessagePresenter.h"
#include "core/CRegularFile.h"
#include "core/CSystemMessage.h"
#include "platform/registry/CSettings.h"
#include "schedule/CScheduleDataFileIO.h"
#include "schedule/CWirePageBase.h"
#include "schedule/CWireProgress.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QVBoxLayout>

#include <iterator>

using namespace Qt::StringLiterals;

namespace {

const QString kDirectoriesGroup = u"Directories"_s;

// Per kind of template: the file dialog's filter, the name's suffix, and the key under which
// the folder last used is kept.
struct TTemplateKindFiles {
    const char* filter;
    const char* suffix;
    const char* directoryKey;
};
constexpr TTemplateKindFiles kTemplateKinds[] = {
    {"Korvane Template files (*.kvt)", "kvt", "Schedules"},
    {"Korvane Exchange Template files (*.kxt)", "kxt", "Exchange Schedules"},
    {"Korvane vm Template files (*.kgt)", "kgt", "Virtual Computer Schedules"},
};
static_assert(std::size(kTemplateKinds) == CWireWizardWithIO::kGuestTemplate + 1);

// The link's text in white, on the marker column's dark background.
QString LinkText(const QString& target, const QString& text)
{
    return u"<a href=\"%1\" style=\"color: white;\">%2</a>"_s.arg(target, text);
}

} // namespace

CWireWizardWithIO::CWireWizardWithIO(TWizardType type, TWireRecord record, QByteArray context,
                                     QWidget* parent)
    : CWireWizardWithIO(kDriveTemplate, type, std::move(record), std::move(context), parent)
{}

CWireWizardWithIO::CWireWizardWithIO(TTemplateKind kind, TWizardType type, TWireRecord record,
                                     QByteArray context, QWidget* parent)
    : CWireWizardBase(type, std::move(record), std::move(context), parent)
    , m_kind(kind)
    , m_saveLink(new QLabel(Progress()))
    , m_loadLink(new QLabel(Progress()))
{
    m_saveLink->setObjectName(u"saveTemplateLink"_s);
    m_loadLink->setObjectName(u"loadTemplateLink"_s);
    m_saveLink->setText(LinkText(u"save"_s, QString(Translate("Save this schedule")) + u"<br>"_s +
                                                Translate("as a template")));
    m_loadLink->setText(LinkText(u"load"_s, Translate("Use saved Template")));
    for (QLabel* link : {m_saveLink, m_loadLink}) {
        link->setTextFormat(Qt::RichText);
        link->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
        link->setAlignment(Qt::AlignCenter);
    }
    // The links stand at the foot of the marker column.
    auto* column = new QVBoxLayout(Progress());
    column->addStretch(1);
    column->addWidget(m_saveLink);
    column->addWidget(m_loadLink);
    connect(m_saveLink, &QLabel::linkActivated, this, &CWireWizardWithIO::OnSaveTemplate);
    connect(m_loadLink, &QLabel::linkActivated, this, &CWireWizardWithIO::OnLoadTemplate);
}

QString CWireWizardWithIO::TemplateFilter() const
{
    return Translate(kTemplateKinds[m_kind].filter);
}

QString CWireWizardWithIO::DirectoryKey() const
{
    return QString::fromLatin1(kTemplateKinds[m_kind].directoryKey);
}

bool CWireWizardWithIO::SaveToFile(const QString& fileName)
{
    SaveSettings();
    const QByteArray contents = std::visit(
        [](const auto& schedule) {
            return CScheduleDataFileIO<std::decay_t<decltype(schedule)>>::Encode(schedule);
        },
        Record());
    const DWORD error = CRegularFile::Replace(fileName, contents);
    if (error != ERROR_SUCCESS) {
        ShowError(error);
        return false;
    }
    return true;
}

bool CWireWizardWithIO::LoadFromFile(const QString& fileName)
{
    // The file is read as a schedule of the wizard's kind, whatever kind saved it; the fields a
    // template does not hold (the exclusion windows) keep what the pages show.
    TWireRecord record = Record();
    for (int i = 0; i < PageCount(); ++i)
        Page(i)->Store(&record);
    const DWORD error = std::visit(
        [&fileName](auto& schedule) {
            return CScheduleDataFileIO<std::decay_t<decltype(schedule)>>().Read(fileName, schedule);
        },
        record);
    if (error != ERROR_SUCCESS) {
        ShowError(error);
        return false;
    }
    SetRecord(record);
    return true;
}

void CWireWizardWithIO::OnSaveTemplate()
{
    const QString fileName = AskForFile(true);
    if (!fileName.isEmpty())
        SaveToFile(fileName);
}

void CWireWizardWithIO::OnLoadTemplate()
{
    const QString fileName = AskForFile(false);
    if (!fileName.isEmpty())
        LoadFromFile(fileName);
}

void CWireWizardWithIO::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_F1 && event->modifiers() == Qt::NoModifier) {
        if (IAppController* controller = IAppController::Current();
            controller && !m_helpTopic.isEmpty())
            controller->ContextHelp(m_helpTopic);
        event->accept();
        return;
    }
    CWireWizardBase::keyPressEvent(event);
}

QString CWireWizardWithIO::AskForFile(bool save)
{
    IAppController* controller = IAppController::Current();
    QFileDialog dialog(this, save ? Translate("Save File") : Translate("Open File"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setNameFilter(TemplateFilter());
    if (save)
        dialog.setDefaultSuffix(QString::fromLatin1(kTemplateKinds[m_kind].suffix));
    if (controller) {
        CSettings& settings = controller->Settings();
        settings.beginGroup(kDirectoriesGroup);
        const QString folder = settings.value(DirectoryKey()).toString();
        settings.endGroup();
        if (!folder.isEmpty())
            dialog.setDirectory(QDir::fromNativeSeparators(folder));
    }
    if (IMessagePresenter::Instance().RunDialog(dialog) != QDialog::Accepted ||
        dialog.selectedFiles().isEmpty())
        return QString();
    const QString fileName = dialog.selectedFiles().constFirst();
    if (controller) {
        CSettings& settings = controller->Settings();
        settings.beginGroup(kDirectoriesGroup);
        settings.setValue(DirectoryKey(),
                          QDir::toNativeSeparators(QFileInfo(fileName).absolutePath()));
        settings.endGroup();
    }
    return fileName;
}

void CWireWizardWithIO::ShowError(DWORD error)
{
    IMessagePresenter::Show(
        QMessageBox::Critical, Translate("Error"),
        Translate("Error: %1").Arg(CSystemMessage::Text(HRESULT_FROM_WIN32(error))),
        QMessageBox::Ok, this);
}

CWireWizardExWithIO::CWireWizardExWithIO(TWizardType type, TWireRecord record, QByteArray context,
                                         QWidget* parent)
    : CWireWizardWithIO(kExchangeTemplate, type, std::move(record), std::move(context), parent)
{}

CWireWizardVmWithIO::CWireWizardVmWithIO(TWizardType type, TWireRecord record, QByteArray context,
                                         QWidget* parent)
    : CWireWizardWithIO(kGuestTemplate, type, std::move(record), std::move(context), parent)
{}
