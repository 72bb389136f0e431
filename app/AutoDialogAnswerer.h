#pragma once

#include "lib/DialogAnswerer.h"

// Answers every modal box at once and writes what it showed to the debug log.
// Installed by main only under tests that ask for it (ZEMBO_TEST=1 and
// ZEMBO_ANSWER_DIALOGS=1), so an integration test of the real program can
// follow an error path to its end without a person closing the box.
class AutoDialogAnswerer : public DialogAnswerer
{
public:
    int answer(QDialog* dialog) override;
};
