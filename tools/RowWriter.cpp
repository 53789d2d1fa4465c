#include "tools/RowWriter.h"

#include "catalog/RecordingNames.h"
#include "platform/Console.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <sys/stat.h>

namespace {

constexpr std::size_t kBlockBytes = 64 * 1024;

// Whether text is well-formed UTF-8: no stray or missing continuation bytes,
// no overlong forms, no surrogates, nothing above U+10FFFF.
bool IsValidUtf8(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        std::size_t length = 1;
        unsigned char low = 0x80, high = 0xBF; // allowed range of the second byte
        if (lead < 0x80) {
            ++i;
            continue;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            low = lead == 0xE0 ? 0xA0 : 0x80;
            high = lead == 0xED ? 0x9F : 0xBF;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            low = lead == 0xF0 ? 0x90 : 0x80;
            high = lead == 0xF4 ? 0x8F : 0xBF;
        } else {
            return false;
        }
        if (text.size() - i < length)
            return false;
        for (std::size_t k = 1; k < length; ++k) {
            const auto c = static_cast<unsigned char>(text[i + k]);
            if (c < (k == 1 ? low : 0x80) || c > (k == 1 ? high : 0xBF))
                return false;
        }
        i += length;
    }
    return true;
}

std::string Base64(std::string_view bytes)
{
    static constexpr char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        const std::size_t n = std::min<std::size_t>(3, bytes.size() - i);
        std::uint32_t group = 0;
        for (std::size_t k = 0; k < 3; ++k)
            group = group << 8 | (k < n ? static_cast<unsigned char>(bytes[i + k]) : 0u);
        for (std::size_t k = 0; k < 4; ++k)
            out += k <= n ? kDigits[(group >> (18 - 6 * k)) & 0x3F] : '=';
    }
    return out;
}

// A JSON text holds only Unicode: a field whose bytes are not UTF-8 is
// written with U+FFFD for what cannot be read, and followed by the field's
// exact bytes in base64, so that two names that read alike stay apart.
void AddField(nlohmann::ordered_json& line, const std::string& key, std::string_view text)
{
    line[key] = text;
    if (!IsValidUtf8(text))
        line[key + "Base64"] = Base64(text);
}

} // namespace

RowWriter::RowWriter(std::FILE* out, Format format) : m_out(out), m_format(format)
{
    struct stat status { };
    m_bFlushEachRow = Console::IsTerminal(out);
    m_bFlushOnPause = ::fstat(::fileno(out), &status) != 0 || !S_ISREG(status.st_mode);
    // A pipe's default buffer is a page: room for a block of rows instead,
    // set while nothing has been written yet.
    if (!m_bFlushEachRow)
        std::setvbuf(out, nullptr, _IOFBF, kBlockBytes);
}

bool RowWriter::Write(const RecordedFile& row, const std::string& device, const std::string& category,
                      const std::string& folder)
{
    if (m_bFailed)
        return false;
    const std::string shown = ToDisplayTime(row.szStartTime);
    std::string& line = m_line;
    line.clear();
    if (m_format == Format::Json) {
        const bool snapshot = row.nDurationSeconds < 0;
        nlohmann::ordered_json object = nlohmann::ordered_json::object();
        AddField(object, "fileName", row.szFileName);
        object["recordedTime"] = IsoLocalTime(row.tRecorded);
        AddField(object, "recordedTimeText", shown);
        AddField(object, "duration", row.szDuration);
        object["durationSeconds"] =
            snapshot ? nlohmann::ordered_json(nullptr) : nlohmann::ordered_json(row.nDurationSeconds);
        object["sizeBytes"] = row.nSize;
        AddField(object, "device", device);
        AddField(object, "category", category);
        AddField(object, "path", folder + "/" + row.szFileName);
        line = object.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    } else {
        // Made in place in one buffer kept from row to row. The path's two
        // parts escape as the whole would: no escaped pair of bytes spans
        // the slash.
        AppendTsvField(line, row.szFileName);
        line += '\t';
        AppendTsvField(line, shown);
        line += '\t';
        AppendTsvField(line, row.szDuration);
        line += '\t';
        AppendTsvField(line, folder);
        line += '/';
        AppendTsvField(line, row.szFileName);
        line += '\t';
        AppendTsvField(line, device);
        line += '\t';
        char digits[24];
        line.append(digits, std::to_chars(digits, digits + sizeof digits, row.nSize).ptr);
    }
    line += '\n';
    std::fwrite(line.data(), 1, line.size(), m_out);
    if (m_bFlushEachRow)
        std::fflush(m_out);
    return Check();
}

void RowWriter::Pause()
{
    if (m_bFlushOnPause && !m_bFailed) {
        std::fflush(m_out);
        Check();
    }
}

bool RowWriter::Flush()
{
    if (!m_bFailed)
        std::fflush(m_out);
    return Check();
}

bool RowWriter::Check()
{
    if (!m_bFailed && std::ferror(m_out)) {
        m_bFailed = true;
        m_bClosed = errno == EPIPE;
    }
    return !m_bFailed;
}

std::string IsoLocalTime(const CTime& time)
{
    struct tm local { };
    if (!time.GetLocalTm(&local))
        return {};
    const long offset = local.tm_gmtoff;
    const long minutes = (offset < 0 ? -offset : offset) / 60;
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d%c%02ld:%02ld", local.tm_year + 1900,
                  local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec, offset < 0 ? '-' : '+',
                  minutes / 60, minutes % 60);
    return text;
}

std::string TsvField(std::string_view text)
{
    std::string out;
    AppendTsvField(out, text);
    return out;
}

void AppendTsvField(std::string& out, std::string_view text)
{
    // Most fields hold nothing to escape: one look for the bytes that may.
    if (std::none_of(text.begin(), text.end(), [](char c) {
            const auto byte = static_cast<unsigned char>(c);
            return byte < 0x20 || byte == 0x7F || byte == 0xC2 || c == '\\';
        })) {
        out += text;
        return;
    }
    out.reserve(out.size() + text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const auto byte = static_cast<unsigned char>(c);
        // Other control characters, which a terminal would act on: C0, DEL
        // and C1 (in UTF-8, C2 80 to C2 9F), each byte as \xHH.
        const bool c1 = byte == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
                        static_cast<unsigned char>(text[i + 1]) < 0xA0;
        if ((byte < 0x20 && c != '\t' && c != '\n' && c != '\r') || byte == 0x7F || c1) {
            const std::size_t count = c1 ? 2 : 1;
            for (std::size_t k = 0; k < count; ++k) {
                char hex[8];
                std::snprintf(hex, sizeof hex, "\\x%02x", static_cast<unsigned char>(text[i + k]));
                out += hex;
            }
            i += count - 1;
            continue;
        }
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        default:
            out += c;
            break;
        }
    }
}
