// The help page built into the program, shown as text in a plain window of its own: what the
// help button shows when the user's shell cannot open help.html for the user.
#pragma once

#include "platform/Dialog.h"

#include <string>

// The built-in page as text; empty when the program holds none.
std::string BuiltInHelpText();

class HelpWindow : public tw::Dialog {
public:
    HelpWindow();

protected:
    bool OnInitDialog() override;
};
