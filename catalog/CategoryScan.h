#pragma once

#include "catalog/RecordedFile.h"
#include "platform/CTime.h"

#include <string>
#include <vector>

class ScanControl;

// The folder recordingDir + "/" + deviceFolder + "/" + categoryFolder, with
// the last two pieces matched without regard to letter case when the exact
// name is missing (CFileFind::ResolveNoCase); a piece that matches nothing is
// kept as given. An empty categoryFolder gives the device folder itself. The
// file actions of the search page use this same function, so both act in the
// same folder.
std::string CategoryFolderPath(const std::string& recordingDir, const std::string& deviceFolder,
                               const std::string& categoryFolder);

// The category scan, free of widgets: the search page reads its controls and
// runs it off the window's thread.
class CategoryScan {
public:
    // Files are examined by up to this many threads at once. Each file costs
    // a few short reads, and on a share or a cold disk almost all of that is
    // waiting, so the pool is sized for requests in flight, not for cores: on
    // a store answering each call after 1 ms, 8 workers scan nearly 8 times as fast
    // as one, 32 about 30 times, and more gain little; on a warm local disk
    // 32 are no slower than one.
    static constexpr int kDefaultWorkers = 32;

    struct Options {
        // 1 examines the files one after another on the calling thread.
        int nWorkers = kDefaultWorkers;
        // Follows and stops the scan from another thread; may be null.
        ScanControl* pControl = nullptr;
    };

    // Appends to rows every recording of `category` in the category's folder
    // whose start lies in [searchStart, searchEnd] (both ends inclusive), in
    // listing order: every .asf row before every .avi row, or for "SnapShot"
    // every .jpg row before every .bmp row.
    //
    // categoryFolder is in/out: set from the category when it maps to a folder
    // (even when the range is then refused), otherwise kept (the previous
    // search's folder; empty before the first, which then scans the device
    // folder itself). A category that is none of the four runs the clip
    // passes and matches no clip.
    //
    // Returns false, reading nothing and leaving rows unchanged, when
    // searchEnd < searchStart. Files that cannot be read are skipped. The
    // rows and their order do not depend on nWorkers. A scan stopped through
    // pControl returns true and leaves rows as they were.
    static bool Run(const std::string& recordingDir, const std::string& deviceFolder, const std::string& category,
                    std::string& categoryFolder, const CTime& searchStart, const CTime& searchEnd,
                    std::vector<RecordedFile>& rows, const Options& options);
    // With the default options.
    static bool Run(const std::string& recordingDir, const std::string& deviceFolder, const std::string& category,
                    std::string& categoryFolder, const CTime& searchStart, const CTime& searchEnd,
                    std::vector<RecordedFile>& rows);
};
