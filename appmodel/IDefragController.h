#pragma once

#include "core/HResult.h"
#include "core/Types.h"

#include <QtGlobal>

#include <list>
#include <set>

// The defragmentation tab as the ribbon, the drive views and the controller reach it.
// Implemented by the feature's tab, which registers itself with the application controller
// when it is built and unregisters when it is destroyed. The tab also emits, as signals,
// Started, Completed, Stopped (each with the volume), StatisticsChanged and ColorsUpdated.
class IDefragController {
public:
    virtual ~IDefragController() = default;

    // Defragments the volume with its default method (and remembers that the pass was started
    // here); without a volume, every selected one.
    virtual void EntireDrive(const TId& kv_volume_guid) = 0;
    virtual void EntireDrive() = 0;
    // Analyses the volume; without one, every selected volume.
    virtual void Analyse(const TId& kv_volume_guid) = 0;
    virtual void Analyse() = 0;
    // Defragments files of the current volume that the user picks.
    virtual void SelectedFiles() = 0;
    // Defragments the system files of the volume; without one, of every selected volume that
    // allows it.
    virtual void SystemFiles(const TId& kv_volume_guid) = 0;
    virtual void SystemFiles() = 0;
    // Stop, pause and resume the operation of the volume; without one, of the selected volumes.
    virtual void Stop(const TId& kv_volume_guid) = 0;
    virtual void Stop() = 0;
    virtual void Pause(const TId& kv_volume_guid) = 0;
    virtual void Pause() = 0;
    virtual void Resume(const TId& kv_volume_guid) = 0;
    virtual void Resume() = 0;
    // The drive properties notebook of the current volume.
    virtual void Properties() = 0;
    // Keeps the files with their fragment counts for the results, then asks the engine to
    // defragment them; the engine's result.
    virtual HRESULT DefragmentFilesList(const TId& kv_volume_guid, TStringList& list) = 0;
    // Boot-time defragmentation of system files (positive: scheduled).
    virtual void SetBootTime(const TId& kv_volume_guid, qint32 at_boot) = 0;
    // The placement method the engine keeps for the volume (0 TierLayout, 1 Defrag Only,
    // 2 Consolidate Free Space); reading yields 3 when the engine cannot say.
    virtual void SetDefaultAlgorithm(const TId& kv_volume_guid, qint32 algorithm) = 0;
    virtual HRESULT GetDefaultAlgorithm(const TId& kv_volume_guid, qint32& algorithm) = 0;
    // The drive type the user sets in place of the detected one (0: detected).
    virtual void SetOverrideDriveType(const TId& kv_volume_guid, int override_type) = 0;
    // Defragments the current volume with the Defrag Only method, or with TierLayout.
    virtual void EntireDriveDefragOnly() = 0;
    virtual void EntireDriveTierLayout() = 0;
    // Selection and current volume of the drive model.
    virtual void SelectVolumes(const std::list<TId>& kv_volume_guid) = 0;
    virtual void DeselectVolumes(const std::list<TId>& kv_volume_guid) = 0;
    virtual void SetCurrentVolume(const TId& kv_volume_guid) = 0;
    virtual void UpdateColors() = 0;
    // The drive-map blocks of the file picked in the map's file search.
    virtual void SetSelectedBlocks(const std::wstring& kv_volume_guid,
                                   const std::set<quint32>& selected_blocks,
                                   const std::wstring& selected_filename) = 0;
    // The drive-map blocks that hold a file; the engine's result.
    virtual HRESULT EnumFileExtents(const TId& volume_guid, const TString& file_path,
                                    std::set<quint32>& bitmap_blocks) = 0;
    // Once, when the console has started and its window is made.
    virtual void OnStartUp() = 0;
};
