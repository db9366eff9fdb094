// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "photic/FlashWarning.h"
#include "platform/QtDialogs.h"

class QWidget;

namespace aurelith {

class NoticeStrip;

// The window's boxes, with the strobe's warning asked by its own buttons.
class DesktopDialogs : public QtDialogs, public FlashQuestion {
public:
    void setWindow(QWidget* window)
    {
        window_ = window;
        setParent(window);
    }
    // A warning box with "Flash" and "Cancel"; Cancel is the default and Esc's.
    bool askToFlash(const std::string& text, const std::string& title) override;
    // In the window itself (NoticeStrip): no box takes the focus or the Esc key.
    void notice(const std::string& text, const std::string& title) override;

private:
    QWidget* window_ = nullptr;
    NoticeStrip* strip_ = nullptr;
};

} // namespace aurelith
