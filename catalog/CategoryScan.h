#pragma once

#include "catalog/RecordedFile.h"
#include "platform/CTime.h"

#include <functional>
#include <string>
#include <string_view>

class ScanControl;

// Takes the rows of a scan one at a time, in listing order, each as soon as
// it and every row before it are known; never two calls at once. Returning
// false stops the scan: no further call comes.
using RowSink = std::function<bool(const RecordedFile&)>;

// The category scan of one folder, free of widgets and settings (the search
// request, catalog/SearchRequest.h, finds the folder).
class CategoryScan {
public:
    // Files are examined by up to this many threads at once. Each file costs
    // a few short reads, and on a share or a cold disk almost all of that is
    // waiting, so the pool is sized for requests in flight, not for cores. On
    // a store answering each call after 1 ms with nothing cached, 2,000 clips
    // took 0.78 s with 32 workers and 0.66 s with 64; after 5 ms, 2.8 s and
    // 1.8 s (128 gained more there, but nothing at 1 ms); on a warm local
    // disk the number matters little.
    static constexpr int kDefaultWorkers = 64;

    struct Options {
        // 1 examines the files one after another on the calling thread.
        int nWorkers = kDefaultWorkers;
        // Follows and stops the scan from another thread; may be null.
        ScanControl* pControl = nullptr;
        // Called on the sink's thread when the scan is about to wait for its
        // next row after handing over some: the rows since the last call
        // form a block that can be passed on in one go. May be empty.
        std::function<void()> fnPause;
        // Examines only the listed files this accepts by name, every file
        // when empty: a look again at a folder examines only what changed.
        std::function<bool(std::string_view name)> fnOnly;
    };

    // Hands sink, on the calling thread, every recording of `category` in
    // folder whose start lies in [searchStart, searchEnd] (both ends
    // inclusive), in listing order: every .asf row before every .avi row, or
    // for "SnapShot" every .jpg row before every .bmp row. A category that is
    // none of the four matches no clip. Files that cannot be read are
    // skipped. The rows and their order do not depend on nWorkers.
    //
    // Returns false when stopped, through options.pControl or by the sink.
    static bool Run(const std::string& folder, std::string_view category, const CTime& searchStart,
                    const CTime& searchEnd, const RowSink& sink, const Options& options);
};
