#pragma once

#include "core/HResult.h"
#include "defrag/CStatisticsReport.h"

class QPrinter;
class QWidget;

// "Save Statistics": the report written to a file the user picks, never half-written.
class CStatisticsReportFile {
public:
    CStatisticsReportFile() = delete;

    // Writes BYTES to a new file in the folder of PATH, then renames it to PATH, so that PATH
    // holds either its old contents or all of BYTES. S_OK, or the HRESULT of the failing call's
    // system error; the temporary file is removed on failure.
    static HRESULT Write(const QString& path, const QByteArray& bytes);

    // Asks for the file (through the message presenter) and saves the report in the format the
    // name or the chosen filter gives. False when cancelled or failed.
    static bool Save(QWidget* parent, const CStatisticsReport::TData& data);
    // Saves without asking; a failure is shown with its system text.
    static bool SaveTo(QWidget* parent, const CStatisticsReport::TData& data, const QString& path,
                       bool html);
};

// "Print Statistics": the printed HTML report through the toolkit's print dialog, which offers
// the installed printers and printing to a PDF file.
class CStatisticsPrinter {
public:
    CStatisticsPrinter() = delete;

    // Printing is possible with an installed printer or with file output.
    static bool CanPrint(bool hasPrinter, bool hasFileOutput)
    {
        return hasPrinter || hasFileOutput;
    }
    static bool HasPrinter();
    static bool HasFileOutput();

    // Renders the printed report into PRINTER as it is set up.
    static void Render(QPrinter& printer, const CStatisticsReport::TData& data);

    // Shows "There is no installed printer" when printing is not possible, else the print
    // dialog (through the message presenter), and prints when it is accepted.
    static bool Print(QWidget* parent, const CStatisticsReport::TData& data);
    // Print with the availability given, for callers that decide it themselves.
    static bool Print(QWidget* parent, const CStatisticsReport::TData& data, bool hasPrinter,
                      bool hasFileOutput);
};
