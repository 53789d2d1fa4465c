#pragma once

#include "catalog/RecordedFile.h"
#include "platform/FileIdentity.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// The rows of one search as the page keeps them while it lists them. A row
// takes a few dozen bytes where a RecordedFile takes hundreds: the names lie
// back to back in blocks of text, the time and length are integers, and the
// texts the list shows are made again when asked for. A row whose recorder
// wrote its time or length in a form those integers would not give back keeps
// that text beside its name, so that every text is the one the scan read.
// Every row of a search comes from one folder listing, so the folder's
// identity is kept once.
//
// Built on one thread and then only read, from any thread.
class RecordedFileTable {
public:
    RecordedFileTable();
    ~RecordedFileTable();
    RecordedFileTable(RecordedFileTable&&) noexcept;
    RecordedFileTable& operator=(RecordedFileTable&&) noexcept;

    // Keeps what the list shows of row and the identities the actions check.
    // False, keeping nothing, when the table can hold no more rows.
    bool Append(const RecordedFile& row);
    // Keeps every row of rows after these, as they are: rows that come in
    // blocks from another thread are made there and only copied here. The
    // folder's identity stays this table's unless it has no rows yet. False
    // when the table cannot hold them all; those it could hold are kept.
    bool Append(const RecordedFileTable& rows);
    // Keeps row i of from after these, as it is, of size bytes: a table keeps
    // only the sum of its rows' sizes, so the caller says what the row's was.
    // A table without rows takes the row's folder as its own. False when the
    // table can hold no more rows.
    bool AppendRowOf(const RecordedFileTable& from, std::size_t i, std::uint64_t size);

    // The rows of tables, each the rows of one source (a device's search,
    // named by names), in one table ordered by recorded time (see
    // DeviceSearches::MergedOrder); rows beyond what a table holds are left
    // out.
    static RecordedFileTable Merged(std::span<const RecordedFileTable> tables, std::vector<std::string> names);

    std::size_t GetCount() const { return m_nCount; }
    // The sum of the rows' sizes.
    std::uint64_t GetTotalSize() const { return m_nTotalSize; }
    FileIdentity GetFolderIdentity() const { return m_idFolder; }
    // Of a merged table: the table row i came from and its name, and the
    // identity of its folder; 0, empty and GetFolderIdentity() otherwise.
    std::size_t GetSource(std::size_t i) const;
    std::string_view GetSourceName(std::size_t i) const;
    FileIdentity GetFolderIdentity(std::size_t i) const;

    // The texts of row i, as the list shows them: szFileName, ToDisplayTime
    // of szStartTime, and szDuration (empty for snapshots).
    std::string_view GetFileName(std::size_t i) const;
    std::string GetDisplayTime(std::size_t i) const;
    std::string GetDuration(std::size_t i) const;
    FileIdentity GetFileIdentity(std::size_t i) const;
    // What the list sorts row i by besides its name: its recorded time, and
    // its length in seconds, MAX_DURATION_SECONDS + 1 for any longer clip and
    // -1 for a snapshot.
    std::int64_t GetRecordedTime(std::size_t i) const;
    int GetDurationSeconds(std::size_t i) const;

private:
    struct Row;

    const Row& At(std::size_t i) const;
    const char* TextOf(const Row& row) const;
    // What row keeps after its name of the kind flag: in this order its time
    // text and its duration text, each after its length byte, and its
    // device.
    const char* Kept(const Row& row, unsigned flag) const;
    std::string_view KeptText(const Row& row, unsigned flag) const;
    // Room for length bytes of text that stays within one block.
    char* TextRoom(std::size_t length, std::uint32_t& offset);
    // Keeps row, its text already in place.
    void Keep(const Row& row, std::uint64_t size);
    // Row i of from, its texts copied, as a row of this table.
    bool AppendRow(const RecordedFileTable& from, std::size_t i);

    std::vector<std::unique_ptr<Row[]>> m_rowBlocks;
    std::vector<std::unique_ptr<char[]>> m_textBlocks;
    std::size_t m_nCount = 0;
    std::size_t m_nTextUsed = 0; // in the last text block
    std::uint64_t m_nTotalSize = 0;
    FileIdentity m_idFolder;
    // Of a merged table: each row's source, and each source's name and
    // folder; empty otherwise.
    std::vector<std::uint16_t> m_aSource;
    std::vector<std::string> m_aSourceNames;
    std::vector<FileIdentity> m_aSourceFolders;
};
