#pragma once

#include "catalog/RecordedFile.h"
#include "platform/CTime.h"

#include <cstdio>
#include <string>
#include <string_view>

// Writes the lister's rows, one a line, as TSV or as JSON objects: a script
// reading the output sees the first rows while the scan goes on. A terminal
// gets each row as it is given; a pipe gets the rows in blocks, one write
// each time the scan pauses for its next row (see Pause) or a buffer fills,
// rather than one write per row.
class RowWriter {
public:
    enum class Format { Tsv, Json };
    RowWriter(std::FILE* out, Format format);

    // False once the output cannot be written; Closed() tells whether that is
    // because the reader went away (a closed pipe), which is no error.
    bool Write(const RecordedFile& row, const std::string& device, const std::string& category,
               const std::string& folder);
    bool Flush();
    // The scan waits for its next row: the rows given since are passed on.
    void Pause();
    bool Closed() const { return m_bClosed; }

private:
    bool Check();

    std::FILE* m_out;
    Format m_format;
    // A terminal gets each row at once, a pipe each block; a file, whole buffers.
    bool m_bFlushEachRow;
    bool m_bFlushOnPause;
    bool m_bFailed = false;
    bool m_bClosed = false;
    // The row being written, its room kept for the next.
    std::string m_line;
};

// ISO 8601 local time with its offset from UTC, "2026-12-05T09:30:00+01:00";
// empty when the local fields cannot be computed.
std::string IsoLocalTime(const CTime& time);

// A TSV field: backslash, tab, line feed and carriage return escaped as \\,
// \t, \n and \r, every other control character (C0, DEL, C1) as \xHH of its
// bytes, so that a field never acts on the terminal that shows it.
std::string TsvField(std::string_view text);
// The same, appended to out.
void AppendTsvField(std::string& out, std::string_view text);
