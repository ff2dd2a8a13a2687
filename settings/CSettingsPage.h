#pragma once

#include "core/CTranslatable.h"
#include "core/HResult.h"
#include "settings/TSettingsContext.h"
#include "widgets/CBaseStyleWidget.h"

class QShowEvent;

// One page of the settings notebook. A page reads its values the first time it is shown and is
// written only when it was read, so that a page the user never opened cannot overwrite values it
// never knew. Verify checks what the user entered before the notebook writes anything; Save
// writes it. Both report their own failures to the user (through IMessagePresenter).
class CSettingsPage : public CBaseStyleWidget, public CTranslatable {
    Q_OBJECT

public:
    CSettingsPage(QByteArray context, const char* title, QString helpTopic,
                  const TSettingsContext& settings, QWidget* parent = nullptr);

    // The translated title shown in the notebook's list.
    QString Title() const;
    const QString& HelpTopic() const { return m_helpTopic; }
    bool IsLoaded() const { return m_loaded; }

    // Reads the values once; later calls do nothing. A read failure leaves the controls at their
    // defaults and still counts as loaded.
    void EnsureLoaded();

    // False (after telling the user why) when a value may not be written.
    virtual bool Verify() { return true; }
    // Writes the values through the engine; on failure the user has been told and the result is
    // returned. Called only for a loaded page whose Verify passed.
    virtual HRESULT Save() = 0;

protected:
    virtual HRESULT Load() = 0;
    void showEvent(QShowEvent* event) override;

    const TSettingsContext& Context() const { return m_context; }
    // Tells the user that the engine refused to keep this page's values.
    void ReportSaveFailure(HRESULT result);
    // Tells the user that a value is wrong; answers false for use in Verify.
    bool RefuseValue(const QString& title, const QString& text);

private:
    const char* m_title;
    QString m_helpTopic;
    const TSettingsContext& m_context;
    bool m_loaded = false;
};
