#pragma once

// What the main window controller asks of the application object.
class cAppServices
{
public:
    virtual ~cAppServices() = default;
    // Places the main window from its saved record.
    virtual int RestoreMainPos() = 0;
    // Saves the main window's placement; called as the window closes.
    virtual int SaveMainPos() = 0;
    // Shows the help at a context (the main window's is 129).
    virtual void ShowHelpContext(int context) = 0;
    // True when the desktop offers a notification area to hide into.
    virtual bool HasTray() const = 0;
};
