#pragma once

class CPropertyPage;

// Names the search page's controls for assistive technology from the labels
// the page shows (as Clipscout.ini may have replaced them): the category box
// and the pickers by their labels, each label linked to the control it
// labels, and the result list by what it holds.
class SearchPageAccessibility {
public:
    // Once the page's labels have their texts.
    static void Describe(CPropertyPage& page);
};
