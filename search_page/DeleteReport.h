#pragma once

#include "platform/FileDeleter.h"

#include <cstddef>
#include <string>
#include <vector>

// The message a delete or an undo ends with: which files were left where they
// were and why, one line each. Only the first kMaxFiles are named, then how
// many more, so that the box fits on a screen however many fail.
class DeleteReport {
public:
    static constexpr std::size_t kMaxFiles = 20;

    explicit DeleteReport(std::string strHeading) : m_strHeading(std::move(strHeading)) { }

    void AddDelete(const std::string& strName, FileDeleter::Result result, bool bToTrash, const std::string& strReason);
    void AddRestore(const std::string& strName, FileDeleter::RestoreResult result, const std::string& strReason);

    bool IsEmpty() const { return m_nFiles == 0; }
    void Clear();
    std::string Text() const;

private:
    void Add(const std::string& strName, const std::string& strWhy);

    std::string m_strHeading;
    std::vector<std::string> m_aLines;
    std::size_t m_nFiles = 0;
};
