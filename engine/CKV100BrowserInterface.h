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

private:
    CKV100AgentInterface* m_agent;
};
