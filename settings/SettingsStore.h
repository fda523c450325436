// The settings in the registry. Every operation opens the key afresh and closes it again, so the
// store holds no handle; writers create the key when it is missing. A user without write rights
// under HKEY_LOCAL_MACHINE reads every setting as its default and stores nothing.
#pragma once

#include "settings/Settings.h"

#include <windows.h>

#include <string>

extern const char kSettingsKeyPath[];  // "Software\TIDEWARP"

class SettingsStore : public Settings {
public:
    explicit SettingsStore(HKEY root = HKEY_LOCAL_MACHINE, std::string path = kSettingsKeyPath)
        : root_(root), path_(std::move(path)) {}

    std::uint32_t ReadNumber(const std::string& name) override;
    void WriteNumber(const std::string& name, std::uint32_t value) override;
    // A REG_SZ, REG_EXPAND_SZ or REG_MULTI_SZ value of at most 256 bytes ending in its terminator.
    bool ReadFlag(const std::string& name) override;
    void WriteFlag(const std::string& name, bool on) override;
    bool ReadText(const std::string& name, std::string& text) override;
    void WriteText(const std::string& name, const std::string& text) override;

private:
    HKEY root_;
    std::string path_;
};
