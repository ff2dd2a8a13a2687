#pragma once

#include "core/CTranslatable.h"
#include "core/Types.h"
#include "defrag/CDiskNoteBookPage.h"

#include <QDialog>
#include <QList>

class CDefragFeed;
class QListWidget;
class QPushButton;
class QStackedWidget;

// The modal drive properties notebook of one volume: a list of pages beside the current page,
// Save and Cancel. The pages are loaded once when the notebook is made; nothing is written
// before Save, which verifies and saves the pages in order. F1 opens the current page's help.
class CDiskPropertiesNotebook : public QDialog, public CTranslatable {
    Q_OBJECT

public:
    // The five pages of the volume, loaded at once. The controller, the agent's generation and
    // the edition come from the application controller and the engine.
    CDiskPropertiesNotebook(CDefragFeed& feed, const TId& volume, QWidget* parent = nullptr);
    // A notebook without pages, for pages of the caller's (AddPage, then LoadPages).
    CDiskPropertiesNotebook(const TDrivePropertiesContext& context, const TId& volume,
                            QWidget* parent = nullptr);

    // Makes the notebook of the volume and runs it through the message presenter; answers the
    // dialog's result.
    static int Launch(CDefragFeed& feed, const TId& volume, QWidget* parent);
    // What the pages of the feed's volumes work with, as the application offers it.
    static TDrivePropertiesContext ContextOf(CDefragFeed& feed);

    // Takes the page (reparenting it) as the last one.
    void AddPage(CDiskNoteBookPage* page);
    // Has every page read the volume's settings.
    void LoadPages();

    const TId& Volume() const { return m_volume; }
    int PageCount() const { return int(m_pages.size()); }
    CDiskNoteBookPage* Page(int index) const { return m_pages.value(index); }
    int CurrentPage() const;
    void SetCurrentPage(int index);
    // The current page's help topic.
    QString HelpTopic() const;

public slots:
    void OnHelp();
    // Verifies and saves the pages in order; closes with acceptance when all saved.
    void SaveChanges();
    void Cancel();
    void OnCurrentChanged(int current);

private:
    TDrivePropertiesContext m_context;
    QList<CDiskNoteBookPage*> m_pages;
    TId m_volume;
    QListWidget* m_list;
    QStackedWidget* m_stack;
    QPushButton* m_save;
    QPushButton* m_cancel;
};
