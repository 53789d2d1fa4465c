#pragma once

#include "platform/ui/DialogControlTemplate.h"

#include <span>

// A dialog template: its size in dialog units, its caption and its controls
// in template order, which is also the tab order.
struct DialogTemplate {
    int nId;
    int cx;
    int cy;
    const char* szCaption;
    std::span<const DialogControlTemplate> controls;
};
