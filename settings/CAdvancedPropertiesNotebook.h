#pragma once

#include "core/CTranslatable.h"
#include "settings/TSettingsContext.h"

#include <QDialog>
#include <QList>

class CSettingsPage;
class IAppController;
class QListWidget;
class QPushButton;
class QStackedWidget;

// The modal settings notebook of the connected computer: the list of pages beside the current
// page, OK, Cancel and Help. Pages read their values when first shown; OK verifies every page
// that was read, then saves them in the save order, and stays open on the first refusal or
// failure with that page current.
class CAdvancedPropertiesNotebook : public QDialog, public CTranslatable {
    Q_OBJECT

public:
    // The pages not every computer has.
    struct TOptionalPages {
        bool duplicateSearch = false;
        bool exchange = false;
        bool virtualEnvironment = false;

        bool operator==(const TOptionalPages&) const = default;
    };

    // A notebook without pages over its own copy of the context: pages are built on Context().
    explicit CAdvancedPropertiesNotebook(const TSettingsContext& context,
                                         QWidget* parent = nullptr);

    // What the pages work with, as the application controller has it.
    static TSettingsContext ContextOf(IAppController& app);
    // Duplicate search with the free-space tools, Exchange with the Exchange edition on this
    // computer, the virtual environment with the virtual-machine edition or on a virtual guest.
    static TOptionalPages OptionalPagesFor(const TSettingsContext& context);
    // Builds the notebook with every page the edition and policy allow and runs it modally
    // through the message presenter; answers the dialog's result.
    static int Open(IAppController& app, QWidget* parent);

    // The context the pages must be built on: it lives as long as the notebook.
    const TSettingsContext& Context() const { return m_context; }

    // Adds every page of the connected computer, in the notebook's order.
    void AddPages(const TOptionalPages& optional);
    // Takes the page (reparenting it) at its place in the notebook's order; pages the order does
    // not know come last. A page's ViewLogRequested() is passed on.
    void AddPage(CSettingsPage* page);

    int PageCount() const { return int(m_pages.size()); }
    CSettingsPage* Page(int index) const { return m_pages.value(index); }
    int CurrentIndex() const;
    CSettingsPage* CurrentPage() const { return Page(CurrentIndex()); }
    void SetCurrentPage(CSettingsPage* page);
    // The pages in the order they are saved.
    QList<CSettingsPage*> SaveOrder() const;

public slots:
    void CurrentChanged(int index);
    // Verifies, then saves; closes with acceptance when every loaded page was written.
    void SaveChanges();
    void Cancel();
    // The current page's help topic.
    void OnHelp();

signals:
    void ViewLogRequested();

private:
    TSettingsContext m_context;
    QList<CSettingsPage*> m_pages;
    QListWidget* m_list;
    QStackedWidget* m_stack;
    QPushButton* m_ok;
    QPushButton* m_cancel;
    QPushButton* m_help;
};
