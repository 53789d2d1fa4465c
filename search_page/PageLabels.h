#pragma once

#include <string>

class CLoadUISetting;
class CPropertyPage;

// The texts of the search page that Clipscout.ini may replace (section
// "Clipscout"). A key that is missing or empty never blanks a text: a button
// or label keeps its template text, a heading or category its built-in one.
struct PageLabels {
    std::string astrHeadings[3];   // of the result list's columns 0 to 2
    std::string astrCategories[4]; // in the category box's order
};

// Sets the page's button and label texts that the file gives, and reads the
// headings and category names.
PageLabels ReadPageLabels(CPropertyPage& page, const CLoadUISetting& settings);
