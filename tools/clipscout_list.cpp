// clipscout-list: prints the rows that a search page would list for one
// device folder, category and range, read from a Viewdeck.ini.
//
// Exit status: 0 success (no rows is success with no output), 2 bad usage or
// unusable settings, 3 the start time lies after the end time.

#include "catalog/RecordingNames.h"
#include "catalog/ScanControl.h"
#include "catalog/SearchRequest.h"
#include "platform/CTime.h"
#include "platform/FileHandle.h"
#include "platform/ModulePath.h"
#include "settings/AppGlobals.h"
#include "settings/CLoadUISetting.h"
#include "settings/SettingsLookup.h"
#include "tools/ProgressLine.h"

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr int kExitUsage = 2;
constexpr int kExitInvertedRange = 3;

// "YYYY-MM-DD HH:MM" in local time, nothing more and nothing less.
std::optional<CTime> ParseMinute(const std::string& text)
{
    if (text.size() != 16 || text[4] != '-' || text[7] != '-' || text[10] != ' ' || text[13] != ':')
        return std::nullopt;
    const auto number = [&text](std::size_t at, std::size_t count) -> std::optional<int> {
        int value = 0;
        for (std::size_t i = at; i < at + count; ++i) {
            if (text[i] < '0' || text[i] > '9')
                return std::nullopt;
            value = value * 10 + (text[i] - '0');
        }
        return value;
    };
    const auto year = number(0, 4), month = number(5, 2), day = number(8, 2);
    const auto hour = number(11, 2), minute = number(14, 2);
    if (!year || !month || !day || !hour || !minute)
        return std::nullopt;
    return CTime::FromLocalFields(*year, *month, *day, *hour, *minute, 0);
}

CLI::Validator LocalMinute()
{
    return CLI::Validator(
        [](std::string& text) -> std::string {
            if (ParseMinute(text))
                return {};
            return "expected YYYY-MM-DD HH:MM (a real local time from 1970 on), got '" + text + "'";
        },
        "YYYY-MM-DD HH:MM");
}

CTime CurrentMinute()
{
    const CTime now = CTime::GetCurrentTime();
    return CTime(now.GetYear(), now.GetMonth(), now.GetDay(), now.GetHour(), now.GetMinute(), 0);
}

// A TSV field: backslash, tab, line feed and carriage return escaped.
std::string TsvField(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
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
    return out;
}

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

// The texts the page's category box offers: Clipscout.ini's, or the built-in ones.
std::vector<std::string> CategoryTexts()
{
    const CLoadUISetting settings;
    std::vector<std::string> texts;
    for (const CategoryLabel& category : kCategoryLabels) {
        std::string shown = settings.GetAppSetting("Clipscout", category.szKey);
        texts.push_back(shown.empty() ? std::string(category.text) : std::move(shown));
    }
    return texts;
}

} // namespace

int main(int argc, char** argv)
{
    CLI::App app{"Prints the recordings that a Clipscout search page lists for one device folder,\n"
                 "category and range: file name, recorded time, duration and full path.\n"
                 "Exit status: 0 done (no rows: no output), 2 bad usage or settings,\n"
                 "3 start time after end time.",
                 "clipscout-list"};
    std::string viewerIni;
    std::string appIni;
    std::string device;
    std::string category;
    std::string from = "2005-01-01 00:00";
    std::string to;
    std::string format = "tsv";
    app.add_option("--viewer-ini", viewerIni,
                   "The recorder's settings file (default: Viewdeck.ini beside this program,\n"
                   "else in $XDG_CONFIG_HOME/clipscout/ (~/.config/clipscout/), else in /etc/xdg/clipscout/)");
    app.add_option("--app-ini", appIni,
                   "Clipscout's own settings file (default: Clipscout.ini, looked for as above);\n"
                   "--category also takes the category texts it gives the search page");
    app.add_option("--device", device, "Device folder name")->required();
    app.add_option("--category", category, "Scheduled Recording, SnapShot, Instant Recording or Motion Detection")
        ->required();
    app.add_option("--from", from, "Range start, local time (default: 2005-01-01 00:00)")->check(LocalMinute());
    app.add_option("--to", to, "Range end, local time (default: the current minute)")->check(LocalMinute());
    app.add_option("--format", format,
                   "tsv (default; backslash, tab and line breaks written as \\\\ \\t \\n \\r)\n"
                   "or json (one object per row and line: fileName, recordedTime, duration, path;\n"
                   "a field whose bytes are not valid UTF-8 shows U+FFFD in their place and is\n"
                   "followed by the same name with \"Base64\" appended, e.g. pathBase64, holding\n"
                   "its exact bytes)")
        ->check(CLI::IsMember({"tsv", "json"}));

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return app.exit(e) == 0 ? 0 : kExitUsage; // --help is no error
    }

    // The range is wrong whatever the settings say, so it is refused first.
    const CTime searchStart = *ParseMinute(from);
    const CTime searchEnd = to.empty() ? CurrentMinute() : *ParseMinute(to);
    if (searchEnd < searchStart) {
        std::cerr << "The start time should be earlier than the end time\n";
        return kExitInvertedRange;
    }

    CLoadUISetting::LocateSettingsFiles(GetModuleFileName(), appIni, viewerIni);
    // FileHandle opens regular files only, so a FIFO given here cannot block.
    if (FileHandle settingsFile; !settingsFile.Open(g_strViewerIniPath)) {
        if (viewerIni.empty())
            std::cerr << "clipscout-list: " << SettingsLookup::DescribeSearch(GetModuleFileName(), kViewerIniName, "")
                      << "\nName one with --viewer-ini.\n";
        else
            std::cerr << "clipscout-list: cannot read the settings file " << viewerIni << "\n";
        return kExitUsage;
    }
    const std::vector<std::string> categoryTexts = CategoryTexts();
    if (CategoryFolder(CategoryOfText(category, categoryTexts)).empty()) {
        std::cerr << "clipscout-list: --category: '" << category
                  << "' is none of Scheduled Recording, SnapShot, Instant Recording, Motion Detection\n";
        return kExitUsage;
    }
    const std::string recordingDir = CLoadUISetting().GetViewerSetting("Directory", "Recording");
    if (recordingDir.empty()) {
        std::cerr << "clipscout-list: " << g_strViewerIniPath
                  << " names no recording directory ([Directory] Recording=)\n";
        return kExitUsage;
    }

    SearchRequest request;
    const CLoadUISetting settings;
    request.pSettings = &settings;
    request.strDevice = device;
    request.strCategory = category;
    request.aCategoryTexts = categoryTexts;
    request.tSearchStart = searchStart;
    request.tSearchEnd = searchEnd;
    ScanControl control;
    request.pControl = &control;
    std::string folder;
    const auto print = [&folder, &format](const RecordedFile& row) {
        const std::string path = folder + "/" + row.szFileName;
        const std::string recorded = ToDisplayTime(row.szStartTime);
        if (format == "json") {
            nlohmann::ordered_json line = nlohmann::ordered_json::object();
            AddField(line, "fileName", row.szFileName);
            AddField(line, "recordedTime", recorded);
            AddField(line, "duration", row.szDuration);
            AddField(line, "path", path);
            std::cout << line.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
        } else {
            std::cout << TsvField(row.szFileName) << '\t' << TsvField(recorded) << '\t' << TsvField(row.szDuration)
                      << '\t' << TsvField(path) << '\n';
        }
    };
    std::vector<RecordedFile> rows;
    {
        const ProgressLine progress(control);
        // Cannot be refused: the range was checked above.
        SearchResult result = RunSearch(request);
        folder = std::move(result.strFolderPath);
        rows = std::move(result.aRows);
    }
    for (const RecordedFile& row : rows)
        print(row);
    std::cout.flush();
    if (!std::cout) {
        std::cerr << "clipscout-list: cannot write the output\n";
        return 1;
    }
    return 0;
}
