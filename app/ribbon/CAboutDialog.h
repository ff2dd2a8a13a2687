#pragma once

#include "core/CTranslatable.h"

#include <QDialog>

class QLabel;

// "About Korvane": the product, its version, the toolkit's version and the build date.
class CAboutDialog : public QDialog, public CTranslatable {
    Q_OBJECT

public:
    explicit CAboutDialog(QWidget* parent = nullptr);

    // Runs the dialog modally through the process-wide presenter.
    static void Show(QWidget* parent);

    // The application's version, or the product's own when the application sets none.
    static QString Version();
    // The day this program was built, in the system's short date form.
    static QString BuildDate();

    QLabel* VersionLabel() const { return m_version; }

private:
    QLabel* m_version;
};
