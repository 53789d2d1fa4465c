#pragma once

#include "catalog/CategoryScan.h"
#include "catalog/RecordedFile.h"
#include "platform/CTime.h"

#include <functional>
#include <string>
#include <vector>

class ScanControl;

// One search of a device's recordings, as the search page and the lister ask
// for it: the one way into the category scan.
struct SearchRequest {
    // As Viewdeck.ini named it when the caller read it: the search reads no
    // settings file and no global.
    std::string strRecordingDir;
    std::string strDevice;
    // The category as the category box shows it, or as typed.
    std::string strCategory;
    // The texts the box offers for the four categories, in the order of
    // kCategoryLabels (Clipscout.ini's or the built-in ones); empty: the
    // built-in texts. nCategoryEntry is the entry chosen in the box, -1 when
    // the text was typed. See CategoryOfText.
    std::vector<std::string> aCategoryTexts;
    int nCategoryEntry = -1;
    // The previous search's category folder: kept by a category text that
    // names none.
    std::string strCategoryFolder;
    CTime tSearchStart;
    CTime tSearchEnd;
    int nWorkers = CategoryScan::kDefaultWorkers;
    // Follows and stops the search from another thread; may be null.
    ScanControl* pControl = nullptr;
    // Called between blocks of rows (see CategoryScan::Options); may be empty.
    std::function<void()> fnPause;
};

struct SearchResult {
    // False when the range ends before it starts: nothing was read.
    bool bScanned = false;
    // False when the search was stopped, through its control or its sink.
    bool bComplete = false;
    // The category searched: one of the four texts, or the text as given.
    std::string strCategory;
    // The category folder's name, and the folders the search read, as the
    // file actions are to use them.
    std::string strCategoryFolder;
    std::string strDeviceFolderPath;
    std::string strFolderPath;
    // Every row, in listing order; empty when a sink took them.
    std::vector<RecordedFile> aRows;
};

// Called once before the first row, with everything of the result known
// before the scan: the category and the folders, and whether the range was
// accepted (bScanned).
using SearchStartSink = std::function<void(const SearchResult&)>;

// Searches request.strRecordingDir.
SearchResult RunSearch(const SearchRequest& request);
// The same, handing each row to sink as it becomes known (see RowSink), on
// the calling thread; aRows stays empty. started, if given, comes first.
SearchResult RunSearch(const SearchRequest& request, const RowSink& sink, const SearchStartSink& started = {});

// The same with the recording directory given.
SearchResult RunSearchIn(const std::string& recordingDir, const SearchRequest& request);
SearchResult RunSearchIn(const std::string& recordingDir, const SearchRequest& request, const RowSink& sink,
                         const SearchStartSink& started = {});

// The folder recordingDir + "/" + deviceFolder + "/" + categoryFolder, with
// the last two pieces matched without regard to letter case when the exact
// name is missing (CFileFind::ResolveNoCase); a piece that matches nothing is
// kept as given. An empty categoryFolder gives the device folder itself.
std::string CategoryFolderPath(const std::string& recordingDir, const std::string& deviceFolder,
                               const std::string& categoryFolder);
