#pragma once

// The space reports sub-pane of the "Space Management" tab.
// Implemented by the feature's tab, which registers itself with the application controller
// when it is built and unregisters when it is destroyed.
class ISpaceReportsController {
public:
    virtual ~ISpaceReportsController() = default;

    // Scans the files' usage and allocation and builds the reports.
    virtual void Start() = 0;
    // Stops the running scan.
    virtual void Stop() = 0;
};
