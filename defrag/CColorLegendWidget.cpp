#include "defrag/CColorLegendWidget.h"

#include "appmodel/IAppController.h"
#include "appmodel/IDefragController.h"
#include "appmodel/IMessagePresenter.h"
#include "defrag/CBlockImage.h"
#include "defrag/CDefragFeed.h"
#include "defrag/CLegendColorDlg.h"
#include "defrag/CSelectRemoteFileDialog.h"

#include <QGridLayout>
#include <QLabel>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

CColorLegendWidget::CColorLegendWidget(CDefragFeed& feed, QWidget* parent)
    : QWidget(parent)
    , CTranslatable("CColorLegendWidget")
    , m_feed(feed)
    , m_colors(CBitmapColors::Load())
{
    auto* entries = new QGridLayout;
    entries->setColumnStretch(1, 1);
    int row = 0;
    for (const quint32 code : kEntryCodes) {
        auto* swatch = new QLabel(this);
        swatch->setObjectName(u"legendSwatch%1"_s.arg(code));
        swatch->setFixedSize(kSwatchSize);
        auto* name = new QLabel(CTranslatable::Translate(CBitmapColors::CategoryName(code),
                                                         CBitmapColors::kNameContext),
                                this);
        entries->addWidget(swatch, row, 0);
        entries->addWidget(name, row, 1);
        m_swatches.insert(code, swatch);
        ++row;
    }
    auto* note =
        new QLabel(Translate("<center><b>Fragmented blocks<br>are outlined</b></center>"), this);
    note->setObjectName(u"legendNote"_s);
    note->setTextFormat(Qt::RichText);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(entries);
    layout->addSpacing(8);
    layout->addWidget(note);
    layout->addStretch(1);
    ResetColors();
}

void CColorLegendWidget::ResetColors()
{
    m_colors = CBitmapColors::Load();
    for (auto it = m_swatches.cbegin(); it != m_swatches.cend(); ++it)
        it.value()->setPixmap(
            QPixmap::fromImage(CBlockImage::Draw(kSwatchSize, m_colors[it.key()], false)));
    update();
}

void CColorLegendWidget::EnableInput(bool enable)
{
    m_inputEnabled = enable;
}

void CColorLegendWidget::OnConnectComputer()
{
    ResetColors();
}

void CColorLegendWidget::LaunchColorDialog()
{
    const CDefrager& model = m_feed.Model();
    const CDefrager::TVolumeInfo* volume = model.FindVolume(model.CurrentVolume());
    CLegendColorDlg dialog(volume ? volume->sizeMegabytes : 0.0, this);
    if (IMessagePresenter::Instance().RunDialog(dialog) != QDialog::Accepted)
        return;
    ResetColors();
    emit ColorsChanged();
}

QString CColorLegendWidget::ChooseFile(const QString& mountName)
{
    IAppController* app = IAppController::Current();
    if (!app)
        return {};
    CSelectRemoteFileDialog dialog(app->FileBrowser(), this);
    dialog.SetVolume(mountName);
    if (IMessagePresenter::Instance().RunDialog(dialog) != QDialog::Accepted)
        return {};
    return dialog.SelectedFile();
}

TId CColorLegendWidget::VolumeOfPath(const QString& path) const
{
    TId owner;
    qsizetype longest = -1;
    for (const auto& [id, volume] : m_feed.Model()) {
        const QString mount = QString::fromStdWString(volume.mountName);
        if (mount.isEmpty() || mount.size() <= longest)
            continue;
        const bool inside =
            path == mount || path.startsWith(mount.endsWith(u'/') ? mount : mount + u'/');
        if (inside) {
            owner = id;
            longest = mount.size();
        }
    }
    return owner;
}

void CColorLegendWidget::LaunchFindDialog()
{
    if (!m_inputEnabled)
        return;
    const TId volume = m_feed.Model().CurrentVolume();
    const CDefrager::TVolumeInfo* info = m_feed.Model().FindVolume(volume);
    if (volume.empty() || !info)
        return;
    // The model may change while the chooser runs: keep what the search needs.
    const QString mountName = QString::fromStdWString(info->mountName);
    const bool ntfs = info->fileSystem == L"NTFS";

    QString path;
    for (;;) {
        path = ChooseFile(mountName);
        if (path.isEmpty())
            return;
        if (VolumeOfPath(path) == volume)
            break;
        const auto answer = IMessagePresenter::Show(
            QMessageBox::Question,
            Translate("The selected file is not in the current displayed drive"),
            Translate("The Selected File %1 is not in the current displayed drive %2, would you "
                      "like to try a different file?")
                .Arg(path)
                .Arg(mountName),
            QMessageBox::Yes | QMessageBox::No, this);
        if (answer != QMessageBox::Yes)
            return;
    }

    IAppController* app = IAppController::Current();
    IDefragController* controller = app ? app->DefragController() : nullptr;
    if (!controller || !m_feed.Model().Contains(volume))
        return;
    std::set<quint32> blocks;
    if (FAILED(controller->EnumFileExtents(volume, path.toStdWString(), blocks))) {
        IMessagePresenter::Show(QMessageBox::Warning, Translate("Korvane"),
                                Translate("Unable to access file."), QMessageBox::Ok, this);
        return;
    }
    if (blocks.empty()) {
        IMessagePresenter::Show(QMessageBox::Information, Translate("Korvane"),
                                ntfs ? Translate("File is resident inside the Master File Table "
                                                 "(MFT).")
                                     : Translate("File is empty"),
                                QMessageBox::Ok, this);
        return;
    }
    controller->SetSelectedBlocks(volume, blocks, path.toStdWString());
}
