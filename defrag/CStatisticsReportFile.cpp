#include "defrag/CStatisticsReportFile.h"

#include "appmodel/IMessagePresenter.h"
#include "core/CRegularFile.h"
#include "core/CSystemMessage.h"
#include "core/CTranslatable.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTextDocument>

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
    if (path.isEmpty())
        return E_INVALIDARG;
    const DWORD error = CRegularFile::Replace(path, bytes);
    return error == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(error);
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
