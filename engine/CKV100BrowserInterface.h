#pragma once

#include "engine/CKV100AgentInterface.h"

// The connected computer's drives and directories, from the agent's filter object (slot 14).
// Holds no state of its own: every operation goes through the application's connected agent
// wrapper, and answers E_FAIL when there is none.
class CKV100BrowserInterface {
public:
    explicit CKV100BrowserInterface(CKV100AgentInterface* agent);

    // Mounted volumes: root path, volume identifier, drive type (as GetDriveType of the engine),
    // sizes in bytes.
    HRESULT GetDrives(TStringList* roots, TStringList* volumes, QList<uint>* driveTypes,
                      QList<qulonglong>* totalBytes, QList<qulonglong>* freeBytes);
    // Entries directly in a directory. attributes: Windows file attribute bits (0x10 directory).
    // Sizes in bytes, modification as OLE date.
    HRESULT ListDirectory(const TString& directory, TStringList* names, QList<uint>* attributes,
                          QList<qulonglong>* sizes, QList<double>* modified);
    // The folders the duplicates search leaves out, each with whether its subfolders are left
    // out too (same index). An entry ending in "\" that is no absolute path names that folder at
    // the root of every volume.
    HRESULT GetDuplicateExclusions(TStringList* folders, QList<bool>* subfolders);
    // Replaces the whole list; E_INVALIDARG (nothing kept) for a blank, overlong or
    // control-character entry, too many entries, or lists of different lengths.
    HRESULT SetDuplicateExclusions(const TStringList& folders, const QList<bool>& subfolders);
    // The exclusions of a fresh installation.
    HRESULT GetDefaultDuplicateExclusions(TStringList* folders, QList<bool>* subfolders);

private:
    CKV100AgentInterface* m_agent;
};
