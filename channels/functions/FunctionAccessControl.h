#pragma once

// The settings access control as computed functions see it. The main window's
// access control sits above the channel model, so it registers itself here at
// start-up; until it does, nothing is locked and manufacturer mode is off.
class FunctionAccessControl
{
public:
    virtual ~FunctionAccessControl() = default;
    virtual bool isLocked() const = 0;
    virtual bool isManufacturerMode() const = 0;

    // Registers the access control (not owned); nullptr removes it.
    static void set(FunctionAccessControl* control);
    static bool locked();
    static bool manufacturerMode();
};
