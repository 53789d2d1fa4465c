#pragma once

#include <string>

// The system's own words for an error number, as the user should see them.
std::string SystemErrorText(int error);
