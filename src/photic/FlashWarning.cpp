// SPDX-License-Identifier: GPL-3.0-or-later
#include "photic/FlashWarning.h"

namespace aurelith {

const char* const kFlashHazard =
    "Flashing light can trigger seizures in people with photosensitive epilepsy. Do not use the color strobe if "
    "you or anyone who can see the screen has epilepsy or has ever had a seizure, and stop at once if you feel "
    "unwell, dizzy or see anything odd.";

std::string flashWarningText(double flashesPerSecond)
{
    return std::string(kFlashHazard) + "\n\nThe light will flash " + formatNumber(flashesPerSecond) +
           " times a second. Esc stops it at once.\n\nFlash now?";
}

bool mayStartFlashing(App& app, double flashesPerSecond)
{
    if (const auto answer = app.files.read(dataFile::kFlashAnswer);
        answer && !answer->empty() && answer->front() == Value(1))
        return true;
    const std::string text = flashWarningText(flashesPerSecond);
    const std::string title = "Color Strobe Warning";
    bool flash = false;
    {
        const Form::ModalScope modal(app.form);
        if (auto* question = dynamic_cast<FlashQuestion*>(&app.dialogs))
            flash = question->askToFlash(text, title);
        else
            flash = app.dialogs.confirm(text, title);
    }
    if (flash)
        app.files.write(dataFile::kFlashAnswer, {Value(1)});
    return flash;
}

} // namespace aurelith
