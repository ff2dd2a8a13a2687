#pragma once

#include "engine/CKVStateListener.h"

#include <QObject>
#include <QString>

// The common part of the tool wrappers: the signals their listener callbacks turn into.
class CTlStateBaseInterface : public QObject, public CKVStateListener {
    Q_OBJECT

public:
    explicit CTlStateBaseInterface(QObject* parent = nullptr);
    ~CTlStateBaseInterface() override;

    // A percent cut to a whole number; values no int can hold (or not numbers) are clamped.
    static int TruncatedPercent(double percent);

signals:
    void Started();
    void Stopped();
    void Finished();
    void Failed(HRESULT hr);
    void Progress(QString message, int percent);
};
