// A page for the settings tests: check states and edit texts by name, and nothing else.
#pragma once

#include "settings/SettingsElements.h"

#include <map>

struct TestPage : SettingsElements {
    std::map<std::string, int> checks;
    std::map<std::string, std::string> edits;
    int GetButtonChecked(const std::string& n) const override { return checks.count(n) ? checks.at(n) : 0; }
    void SetButtonChecked(const std::string& n, bool c) override { checks[n] = c; }
    std::string GetEditByName(const std::string& n) const override { return edits.count(n) ? edits.at(n) : ""; }
    void SetEditByName(const std::string& n, const std::string& t) override { edits[n] = t; }
};
