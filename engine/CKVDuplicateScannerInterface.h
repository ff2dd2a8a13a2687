#pragma once

#include "engine/CTlStateBaseInterface.h"

#include <QList>

// The duplicates scanner's wrapper: states 1, 2 and 3 are started, stopped and finished;
// progress comes as a message with a percent (2001).
class CKVDuplicateScannerInterface : public CTlStateBaseInterface {
    Q_OBJECT

public:
    explicit CKVDuplicateScannerInterface(QObject* parent = nullptr);
    ~CKVDuplicateScannerInterface() override;

    // Slot 17: category bits: 0x08 text, 0x10 pictures, 0x20 video, 0x40 other, 0x80 music.
    HRESULT GetFlags(uint* flags);
    // Slot 18.
    HRESULT SetFlags(uint flags);
    // Slot 19.
    HRESULT GetTextExtensions(TStringList* extensions);
    // Slot 20.
    HRESULT SetTextExtensions(const TStringList& extensions);
    // Slot 21.
    HRESULT GetPictureExtensions(TStringList* extensions);
    // Slot 22.
    HRESULT SetPictureExtensions(const TStringList& extensions);
    // Slot 23.
    HRESULT GetVideoExtensions(TStringList* extensions);
    // Slot 24.
    HRESULT SetVideoExtensions(const TStringList& extensions);
    // Slot 25.
    HRESULT GetOtherExtensions(TStringList* extensions);
    // Slot 26.
    HRESULT SetOtherExtensions(const TStringList& extensions);
    // Slot 27.
    HRESULT GetMusicExtensions(TStringList* extensions);
    // Slot 28.
    HRESULT SetMusicExtensions(const TStringList& extensions);
    // Slot 30: the drives the next search or deletion works on.
    HRESULT SetVolumes(const TStringList& volumes);
    // Slot 31: what is searched.
    HRESULT GetTargetDirectories(TStringList* directories);
    // Slot 32.
    HRESULT SetTargetDirectories(const TStringList& directories);
    // Slot 33: left out, their subdirectories still searched.
    HRESULT GetExcludedDirectories(TStringList* directories);
    // Slot 34.
    HRESULT SetExcludedDirectories(const TStringList& directories);
    // Slot 35: left out with everything below them.
    HRESULT GetRecursiveExcludedDirectories(TStringList* directories);
    // Slot 36.
    HRESULT SetRecursiveExcludedDirectories(const TStringList& directories);

    void OnProgress(const std::wstring& message, double percent) override;
    void OnState(quint32 state) override;
    void OnFailure(HRESULT hr) override;
};
