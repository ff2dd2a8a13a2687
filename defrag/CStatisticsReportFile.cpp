#include "defrag/CStatisticsReportFile.h"

#include "appmodel/IMessagePresenter.h"
#include "core/CRegularFile.h"
#include "core/CSystemMessage.h"
#include "core/CTranslatable.h"
#include "core/CWin32Error.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QRandomGenerator>
#include <QTextDocument>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

const QByteArray FileContext = QByteArrayLiteral("CStatisticsReportFile");

QString FileText(const char* source)
{
    return CTranslatable::Translate(source, FileContext).Text();
}

} // namespace

HRESULT CStatisticsReportFile::Write(const QString& path, const QByteArray& bytes)
{
    const QFileInfo target(path);
    if (path.isEmpty() || target.fileName().isEmpty())
        return E_INVALIDARG;
    // A hidden name beside the target, so that the rename never crosses file systems; made
    // with O_EXCL so that nothing already there is opened, and with the usual mode.
    CRegularFile file;
    QString temporary;
    DWORD error = ERROR_ALREADY_EXISTS;
    for (int attempt = 0; error == ERROR_ALREADY_EXISTS && attempt < 16; ++attempt) {
        temporary = u"%1/.%2.%3"_s.arg(target.absolutePath(), target.fileName())
                        .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
        error = file.Open(temporary, O_WRONLY | O_CREAT | O_EXCL, 0666);
    }
    if (error != ERROR_SUCCESS)
        return HRESULT_FROM_WIN32(error);
    error = file.WriteAll(bytes);
    if (error == ERROR_SUCCESS && ::fsync(file.Descriptor()) != 0)
        error = CWin32Error::FromErrno(errno, ERROR_WRITE_FAULT);
    const DWORD closed = file.Close();
    if (error == ERROR_SUCCESS)
        error = closed;
    if (error == ERROR_SUCCESS && ::rename(QFile::encodeName(temporary).constData(),
                                           QFile::encodeName(path).constData()) != 0)
        error = CWin32Error::FromErrno(errno, ERROR_WRITE_FAULT);
    if (error != ERROR_SUCCESS) {
        ::unlink(QFile::encodeName(temporary).constData());
        return HRESULT_FROM_WIN32(error);
    }
    return S_OK;
}

bool CStatisticsReportFile::Save(QWidget* parent, const CStatisticsReport::TData& data)
{
    QFileDialog dialog(parent, FileText("Save Statistics To File"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setNameFilter(FileText("HTML Format (*.htm *.html);;Text Format (*.txt *.log)"));
    if (IMessagePresenter::Instance().RunDialog(dialog) != QDialog::Accepted ||
        dialog.selectedFiles().isEmpty())
        return false;
    const QString path = dialog.selectedFiles().constFirst();
    return SaveTo(parent, data, path,
                  CStatisticsReport::IsHtmlChoice(path, dialog.selectedNameFilter()));
}

bool CStatisticsReportFile::SaveTo(QWidget* parent, const CStatisticsReport::TData& data,
                                   const QString& path, bool html)
{
    const HRESULT result = Write(path, CStatisticsReport::FileBytes(data, html));
    if (SUCCEEDED(result))
        return true;
    IMessagePresenter::Show(
        QMessageBox::Warning, FileText("Unable to save"),
        CTranslatable::Translate("We are unable to save to file %1 due to error %2", FileContext)
            .Arg(QDir::toNativeSeparators(path))
            .Arg(CSystemMessage::Text(result))
            .Text(),
        QMessageBox::Ok, parent);
    return false;
}

bool CStatisticsPrinter::HasPrinter()
{
    return !QPrinterInfo::availablePrinterNames().isEmpty();
}

bool CStatisticsPrinter::HasFileOutput()
{
    // The toolkit writes PDF files itself, with or without a print system.
    QPrinter printer(QPrinter::ScreenResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    return printer.outputFormat() == QPrinter::PdfFormat;
}

void CStatisticsPrinter::Render(QPrinter& printer, const CStatisticsReport::TData& data)
{
    QTextDocument document;
    // The page asks for table borders in a form the document does not read; the same borders
    // as a style sheet.
    document.setDefaultStyleSheet(
        u"table { border-width: 1px; border-style: solid; border-color: #808080;"
        " border-collapse: collapse }"
        " td, th { border-width: 1px; border-style: solid; border-color: #808080 }"_s);
    document.setHtml(CStatisticsReport::Html(data, CStatisticsReport::kPrinted));
    document.print(&printer);
}

bool CStatisticsPrinter::Print(QWidget* parent, const CStatisticsReport::TData& data)
{
    return Print(parent, data, HasPrinter(), HasFileOutput());
}

bool CStatisticsPrinter::Print(QWidget* parent, const CStatisticsReport::TData& data,
                               bool hasPrinter, bool hasFileOutput)
{
    if (!CanPrint(hasPrinter, hasFileOutput)) {
        IMessagePresenter::Show(QMessageBox::Warning, FileText("Korvane"),
                                FileText("There is no installed printer"), QMessageBox::Ok, parent);
        return false;
    }
    QPrinter printer(QPrinter::HighResolution);
    QPrintDialog dialog(&printer, parent);
    if (IMessagePresenter::Instance().RunDialog(dialog) != QDialog::Accepted)
        return false;
    Render(printer, data);
    return true;
}
