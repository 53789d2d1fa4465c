#pragma once

#include "platform/ui/DialogTemplate.h"

// Dialog template 107: the search page.
const DialogTemplate& SearchPageTemplate();
