#include "catalog/SearchRequest.h"

#include "catalog/RecordingNames.h"
#include "platform/CFileFind.h"

namespace {

std::string ResolvePiece(const std::string& parent, const std::string& name)
{
    if (!name.empty()) {
        std::string resolved = CFileFind::ResolveNoCase(parent, name);
        if (!resolved.empty())
            return resolved;
    }
    return parent + "/" + name;
}

} // namespace

std::string CategoryFolderPath(const std::string& recordingDir, const std::string& deviceFolder,
                               const std::string& categoryFolder)
{
    std::string device = ResolvePiece(recordingDir, deviceFolder);
    if (categoryFolder.empty())
        return device;
    return ResolvePiece(device, categoryFolder);
}

SearchResult RunSearchIn(const std::string& recordingDir, const SearchRequest& request, const RowSink& sink,
                         const SearchStartSink& started)
{
    SearchResult result;
    result.strCategory = CategoryOfText(request.strCategory, request.aCategoryTexts, request.nCategoryEntry);
    // Set from the category even when the range is then refused.
    const std::string_view mapped = CategoryFolder(result.strCategory);
    result.strCategoryFolder = mapped.empty() ? request.strCategoryFolder : std::string(mapped);
    // The folders even for a refused range: the actions act in them.
    result.strDeviceFolderPath = ResolvePiece(recordingDir, request.strDevice);
    result.strFolderPath = result.strCategoryFolder.empty()
                               ? result.strDeviceFolderPath
                               : ResolvePiece(result.strDeviceFolderPath, result.strCategoryFolder);
    result.bScanned = (request.tSearchEnd - request.tSearchStart).GetTotalSeconds() >= 0;
    if (started)
        started(result);
    if (!result.bScanned)
        return result;
    result.bComplete =
        CategoryScan::Run(result.strFolderPath, result.strCategory, request.tSearchStart, request.tSearchEnd, sink,
                          {request.nWorkers, request.pControl, request.fnPause, {}});
    return result;
}

SearchResult RunSearchIn(const std::string& recordingDir, const SearchRequest& request)
{
    std::vector<RecordedFile> rows;
    SearchResult result = RunSearchIn(recordingDir, request, [&rows](const RecordedFile& row) {
        rows.push_back(row);
        return true;
    });
    result.aRows = std::move(rows);
    return result;
}

SearchResult RunSearch(const SearchRequest& request, const RowSink& sink, const SearchStartSink& started)
{
    return RunSearchIn(request.strRecordingDir, request, sink, started);
}

SearchResult RunSearch(const SearchRequest& request)
{
    return RunSearchIn(request.strRecordingDir, request);
}
