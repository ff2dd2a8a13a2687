#pragma once

#include "core/CTranslatable.h"
#include "core/HResult.h"
#include "core/Types.h"
#include "defrag/CDirectoryTreeModelBase.h"

#include <QWidget>

#include <string>

class CDefragFeed;
class CKV100EngineInterface;
class IDefragController;

// What the pages of the drive properties notebook work with: the feed (its engine and drive
// model), the defragmentation controller and what the connected computer offers.
struct TDrivePropertiesContext {
    CDefragFeed* feed = nullptr;
    // Calls through the controller are left out while there is none.
    IDefragController* controller = nullptr;
    // The agent of the connected computer is of the newest generation.
    bool newestAgent = false;
    // The product edition code of the engine.
    quint32 edition = 0;
    // Reads the folders of the connected computer; none: the volume's tree stays empty.
    CDirectoryTreeModelBase::TReader reader;
};

// One page of the drive properties notebook. The notebook loads every page once when it opens,
// and on saving asks each page in turn whether its input is wrong, then has it save.
class CDiskNoteBookPage : public QWidget, public CTranslatable {
    Q_OBJECT

public:
    CDiskNoteBookPage(const TDrivePropertiesContext& context, QByteArray translationContext,
                      QWidget* parent = nullptr);

    // The page's entry in the notebook's list, and its help topic.
    virtual QString Label() const = 0;
    virtual QString HelpTopic() const = 0;

public slots:
    // Reads the volume's settings into the widgets; on failure the widgets that could not be
    // read keep their defaults, and the failure is answered.
    virtual HRESULT Load(std::wstring drive_guid) = 0;
    // Writes the widgets' settings. S_FALSE keeps the notebook open on this page; a failure
    // aborts saving.
    virtual HRESULT Save(std::wstring drive_guid) = 0;
    // True when an input is wrong; the page has shown its message and moved the focus.
    virtual bool Verify() = 0;

signals:
    void SetWindowTitle(QString title);

protected:
    const TDrivePropertiesContext& Context() const { return m_context; }
    CDefragFeed& Feed() const { return *m_context.feed; }
    CKV100EngineInterface& Engine() const;

private:
    TDrivePropertiesContext m_context;
};
