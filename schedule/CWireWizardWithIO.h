#pragma once

#include "core/HResult.h"
#include "schedule/CWireWizardBase.h"

class QLabel;

// A schedule wizard with the two template links on its marker column: "Save this schedule as a
// template" collects the record from every page and writes it to a file the user chooses, "Use
// saved Template" reads one and, when it is a template, loads it into every page. A file that
// cannot be read or written is reported in an "Error" box and changes nothing: a template is
// written beside its name and only then put in its place. The file dialog starts in the folder
// last used for this kind of template (the console's settings, group "Directories"). F1 opens
// the wizard's help topic.
class CWireWizardWithIO : public CWireWizardBase {
    Q_OBJECT

public:
    // The kind of template file a wizard offers: its filter and remembered folder.
    enum TTemplateKind { kDriveTemplate, kExchangeTemplate, kGuestTemplate };

    // A wizard of drive schedules.
    CWireWizardWithIO(TWizardType type, TWireRecord record, QByteArray context,
                      QWidget* parent = nullptr);

    TTemplateKind TemplateKind() const { return m_kind; }
    // The file dialog's name filter, and the key of the remembered folder.
    QString TemplateFilter() const;
    QString DirectoryKey() const;

    void SetHelpTopic(const QString& topic) { m_helpTopic = topic; }
    QString HelpTopic() const { return m_helpTopic; }

    QLabel* SaveLink() const { return m_saveLink; }
    QLabel* LoadLink() const { return m_loadLink; }

public slots:
    // Writes the record as every page holds it to the file; false when it could not be done.
    bool SaveToFile(const QString& fileName);
    // Reads the file into the record and every page; false, changing nothing, when it is not a
    // readable template.
    bool LoadFromFile(const QString& fileName);
    // The links: ask for a file, then save or load.
    void OnSaveTemplate();
    void OnLoadTemplate();

protected:
    CWireWizardWithIO(TTemplateKind kind, TWizardType type, TWireRecord record, QByteArray context,
                      QWidget* parent);

    void keyPressEvent(QKeyEvent* event) override;

private:
    // The chosen file, or empty when the dialog was cancelled.
    QString AskForFile(bool save);
    void ShowError(DWORD error);

    TTemplateKind m_kind;
    QString m_helpTopic;
    QLabel* m_saveLink;
    QLabel* m_loadLink;
};

// A wizard of Exchange data-store schedules.
class CWireWizardExWithIO : public CWireWizardWithIO {
    Q_OBJECT

public:
    CWireWizardExWithIO(TWizardType type, TWireRecord record, QByteArray context,
                        QWidget* parent = nullptr);
};

// A wizard of virtual-machine guest schedules.
class CWireWizardVmWithIO : public CWireWizardWithIO {
    Q_OBJECT

public:
    CWireWizardVmWithIO(TWizardType type, TWireRecord record, QByteArray context,
                        QWidget* parent = nullptr);
};
