// What the settings and the schedule need of a page: its buttons' check states and its edit boxes'
// texts, addressed by skin name. The pages implement it with their element set's by-name
// operations, so the settings code never sees a window.
#pragma once

#include <string>

class SettingsElements {
public:
    virtual ~SettingsElements() = default;

    // A name without a button reads 0 and sets nothing; likewise for edit boxes (empty text).
    virtual int GetButtonChecked(const std::string& name) const = 0;
    virtual void SetButtonChecked(const std::string& name, bool checked) = 0;
    virtual std::string GetEditByName(const std::string& name) const = 0;
    virtual void SetEditByName(const std::string& name, const std::string& text) = 0;
};
