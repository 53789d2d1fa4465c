#pragma once

#include <string>

// The text of a string-table entry; empty for an unknown identifier.
std::string LoadResourceString(unsigned id);
