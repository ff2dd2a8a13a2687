#pragma once

// The defragmentation tab as the ribbon, the drive views and the controller reach it.
// Implemented by the feature's tab, which registers itself with the application controller
// when it is built and unregisters when it is destroyed.
class IDefragController {
public:
    virtual ~IDefragController() = default;

    // Defragments every selected volume with its default method.
    virtual void EntireDrive() = 0;
    // Analyses every selected volume.
    virtual void Analyse() = 0;
    // Defragments files of the current volume that the user picks.
    virtual void SelectedFiles() = 0;
    // Defragments the system files of every selected volume that allows it.
    virtual void SystemFiles() = 0;
    // Stop, pause and resume the operations of the selected volumes.
    virtual void Stop() = 0;
    virtual void Pause() = 0;
    virtual void Resume() = 0;
    // The drive properties notebook of the current volume.
    virtual void Properties() = 0;
    // Defragments the current volume with the Defrag Only method, or with TierLayout.
    virtual void EntireDriveDefragOnly() = 0;
    virtual void EntireDriveTierLayout() = 0;
    // Once, when the console has started and its window is made.
    virtual void OnStartUp() = 0;
};
