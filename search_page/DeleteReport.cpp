#include "search_page/DeleteReport.h"

namespace {

// The system's reason, where it gave one, after what could not be done.
std::string WithReason(const std::string& what, const std::string& strReason)
{
    return strReason.empty() ? what : what + " (" + strReason + ")";
}

} // namespace

void DeleteReport::AddDelete(const std::string& strName, FileDeleter::Result result, bool bToTrash,
                             const std::string& strReason)
{
    switch (result) {
    case FileDeleter::Result::Done:
    case FileDeleter::Result::NoTrash:
        return;
    case FileDeleter::Result::Gone:
        Add(strName, "the file is gone");
        return;
    case FileDeleter::Result::NotRegular:
        Add(strName, "it is not a regular file");
        return;
    case FileDeleter::Result::Changed:
        Add(strName, "the file has changed since the search");
        return;
    case FileDeleter::Result::Failed:
        Add(strName,
            WithReason(bToTrash ? "it could not be moved to the trash" : "it could not be deleted", strReason));
        return;
    }
}

void DeleteReport::AddRestore(const std::string& strName, FileDeleter::RestoreResult result,
                              const std::string& strReason)
{
    switch (result) {
    case FileDeleter::RestoreResult::Restored:
        return;
    case FileDeleter::RestoreResult::Occupied:
        Add(strName, "another file of that name is there now");
        return;
    case FileDeleter::RestoreResult::Gone:
        Add(strName, "it is no longer in the trash");
        return;
    case FileDeleter::RestoreResult::FolderChanged:
        Add(strName, "its folder has changed since the delete");
        return;
    case FileDeleter::RestoreResult::Failed:
        Add(strName, WithReason("it could not be moved back", strReason));
        return;
    }
}

void DeleteReport::Add(const std::string& strName, const std::string& strWhy)
{
    if (m_nFiles++ < kMaxFiles)
        m_aLines.push_back(strName + ": " + strWhy);
}

void DeleteReport::Clear()
{
    m_aLines.clear();
    m_nFiles = 0;
}

std::string DeleteReport::Text() const
{
    std::string text = m_strHeading;
    for (const std::string& line : m_aLines)
        text += "\n" + line;
    if (m_nFiles > m_aLines.size())
        text += "\nand " + std::to_string(m_nFiles - m_aLines.size()) + " more";
    return text;
}
