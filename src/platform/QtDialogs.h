// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ports/Dialogs.h"

class QWidget;

namespace aurelith {

class QtDialogs : public Dialogs {
public:
    void setParent(QWidget* parent) { parent_ = parent; }

    void message(const std::string& text, const std::string& title) override;
    bool confirm(const std::string& text, const std::string& title) override;
    std::optional<std::string> input(const std::string& prompt, const std::string& title,
                                     const std::string& initial) override;
    std::optional<Colour> pickColour(Colour initial) override;

private:
    QWidget* parent_ = nullptr;
};

} // namespace aurelith
