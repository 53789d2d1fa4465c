// clipscout-list: prints the rows that a search page would list for one
// device folder (or every one), category and range, read from a Viewdeck.ini,
// each row as soon as the rows before it are known.
//
// Exit status: 0 success (no rows is success with no output; so is a reader
// that stops reading), 1 the output cannot be written, 2 bad usage or unusable
// settings, 3 the start time lies after the end time.

#include "catalog/DeviceSearches.h"
#include "catalog/RecordingNames.h"
#include "catalog/ScanControl.h"
#include "catalog/SearchRequest.h"
#include "catalog/StoreSummary.h"
#include "platform/CTime.h"
#include "platform/Console.h"
#include "platform/FileHandle.h"
#include "platform/ModulePath.h"
#include "settings/AppGlobals.h"
#include "settings/CLoadUISetting.h"
#include "settings/DeviceFolders.h"
#include "settings/SettingsLookup.h"
#include "tools/ListerArguments.h"
#include "tools/ProgressLine.h"
#include "tools/RowWriter.h"
#include "tools/SummaryWriter.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr int kExitWriteError = 1;
constexpr int kExitUsage = 2;
constexpr int kExitInvertedRange = 3;

CLI::Validator RangeTime()
{
    return CLI::Validator(
        [](std::string& text) -> std::string {
            if (ParseRangeTime(text, RangeEnd::Start))
                return {};
            return "expected YYYY-MM-DD, YYYY-MM-DD HH:MM or YYYY-MM-DDTHH:MM (a real local time from 1970 on), got '" +
                   text + "'";
        },
        "DATE[ HH:MM]");
}

CTime CurrentMinute()
{
    const CTime now = CTime::GetCurrentTime();
    return CTime(now.GetYear(), now.GetMonth(), now.GetDay(), now.GetHour(), now.GetMinute(), 0);
}

// The texts the page's category box offers: Clipscout.ini's, or the built-in ones.
std::vector<std::string> CategoryTexts(const CLoadUISetting& settings)
{
    std::vector<std::string> texts;
    for (const CategoryLabel& category : kCategoryLabels) {
        std::string shown = settings.GetAppSetting("Clipscout", category.szKey);
        texts.push_back(shown.empty() ? std::string(category.text) : std::move(shown));
    }
    return texts;
}

std::string Joined(const std::vector<std::string>& names)
{
    std::string text;
    for (const std::string& name : names)
        text += (text.empty() ? "" : ", ") + name;
    return text;
}

int Run(int argc, char** argv)
{
    CLI::App app{"Prints the recordings that a Clipscout search page lists for one device folder\n"
                 "(or every one), category and range, one row a line, each as soon as the rows\n"
                 "before it are known.\n"
                 "Exit status: 0 done (no rows: no output), 1 output not writable, 2 bad usage\n"
                 "or settings, 3 start time after end time.",
                 "clipscout-list"};
    app.failure_message([](const CLI::App*, const CLI::Error& e) {
        return std::string("clipscout-list: ") + e.what() + "\nRun with --help for more information.\n";
    });
    app.set_version_flag("--version", std::string("clipscout-list ") + CLIPSCOUT_VERSION);
    std::string viewerIni;
    std::string appIni;
    std::string device;
    bool allDevices = false;
    bool merged = false;
    bool summary = false;
    bool listDevices = false;
    std::string category;
    std::string from = "2005-01-01";
    std::string to;
    std::string format = "tsv";
    app.add_option("--viewer-ini", viewerIni,
                   "The recorder's settings file (default: Viewdeck.ini beside this program,\n"
                   "else in $XDG_CONFIG_HOME/clipscout/ (~/.config/clipscout/), else in /etc/xdg/clipscout/)");
    app.add_option("--app-ini", appIni,
                   "Clipscout's own settings file (default: Clipscout.ini, looked for as above);\n"
                   "--category also takes the category texts it gives the search page");
    auto* deviceOption = app.add_option("--device", device, "Device folder name, as --list-devices prints it");
    auto* allOption = app.add_flag("--all-devices", allDevices, "Every device, device by device in page order");
    deviceOption->excludes(allOption);
    app.add_flag("--merged", merged,
                 "With --all-devices: the devices searched at once and their rows in one list\n"
                 "by recorded time, printed once every device is searched")
        ->needs(allOption);
    app.add_flag("--list-devices", listDevices, "Print the device folder names, one a line, in page order")
        ->excludes(deviceOption)
        ->excludes(allOption);
    app.add_option("--category", category,
                   "Scheduled Recording, SnapShot, Instant Recording or Motion Detection,\n"
                   "or sr, ss, ir, md (any letter case)");
    auto* summaryOption = app.add_flag("--summary", summary,
                                       "For each device and category (or the one --category names), the\n"
                                       "recordings over all time: device, category, recordings, sizeBytes,\n"
                                       "oldest, newest (ISO 8601 local times; none without recordings)");
    app.add_option("--from", from,
                   "Range start, local time: YYYY-MM-DD HH:MM, YYYY-MM-DDTHH:MM, or a date alone for\n"
                   "its first minute (default: 2005-01-01)")
        ->check(RangeTime())
        ->excludes(summaryOption);
    app.add_option("--to", to, "Range end, as --from; a date alone for its last minute (default: the current minute)")
        ->check(RangeTime())
        ->excludes(summaryOption);
    app.add_option("--format", format,
                   "tsv (default): fileName, recordedTimeText, duration, path, device, sizeBytes;\n"
                   "backslash, tab and line breaks written as \\\\ \\t \\n \\r.\n"
                   "json: one object per row and line:\n"
                   "  fileName          the file's name\n"
                   "  recordedTime      start, ISO 8601 local time with its UTC offset,\n"
                   "                    e.g. 2026-12-05T09:30:00+01:00 (seconds 00 where the\n"
                   "                    recording keeps only the minute)\n"
                   "  recordedTimeText  start as the search page shows it\n"
                   "  duration          length as the search page shows it (MM:SS, at most\n"
                   "                    15:00; empty for snapshots)\n"
                   "  durationSeconds   whole length in seconds, not capped; null for snapshots\n"
                   "  sizeBytes         the file's size\n"
                   "  device, category  the device folder and the category searched\n"
                   "  path              the file's full path\n"
                   "A field whose bytes are not valid UTF-8 shows U+FFFD in their place and is\n"
                   "followed by the same name with \"Base64\" appended, e.g. pathBase64, holding\n"
                   "its exact bytes.")
        ->check(CLI::IsMember({"tsv", "json"}));

    // UTF-8 on every system, as the folder names the lister compares them with.
    std::vector<std::string> arguments = Console::Arguments(argc, argv);
    std::vector<char*> pointers;
    pointers.reserve(arguments.size());
    for (std::string& argument : arguments)
        pointers.push_back(argument.data());
    try {
        app.parse(static_cast<int>(pointers.size()), pointers.data());
    } catch (const CLI::ParseError& e) {
        return app.exit(e) == 0 ? 0 : kExitUsage; // --help and --version are no error
    }
    const auto usage = [](const std::string& message) {
        std::cerr << "clipscout-list: " << message << "\n";
        return kExitUsage;
    };
    if (!listDevices && device.empty() && !allDevices)
        return usage("--device or --all-devices is required (--list-devices names the devices)");
    if (!listDevices && !summary && category.empty())
        return usage("--category is required");

    // The range is wrong whatever the settings say, so it is refused first.
    const CTime searchStart = *ParseRangeTime(from, RangeEnd::Start);
    const CTime searchEnd = to.empty() ? CurrentMinute() : *ParseRangeTime(to, RangeEnd::End);
    if (searchEnd < searchStart) {
        std::cerr << "clipscout-list: The start time should be earlier than the end time\n";
        return kExitInvertedRange;
    }

    // Without one named or found, the Viewdeck.ini chosen in the window.
    CLoadUISetting settings = CLoadUISetting::Locate(
        GetModuleFileName(), appIni,
        viewerIni.empty() ? SettingsLookup::RememberedViewerIni(GetModuleFileName(), SettingsLookup::StateFile())
                          : viewerIni);
    // FileHandle opens regular files only, so a FIFO given here cannot block.
    if (FileHandle settingsFile; !settingsFile.Open(settings.ViewerIniPath())) {
        if (viewerIni.empty())
            return usage(SettingsLookup::DescribeSearch(GetModuleFileName(), kViewerIniName, "") +
                         "\nName one with --viewer-ini.");
        return usage("cannot read the settings file " + viewerIni);
    }
    const std::string& recordingDir = settings.RecordingDir();
    if (recordingDir.empty())
        return usage(settings.ViewerIniPath() + " names no recording directory ([Directory] Recording=)");

    std::array<std::string, MAX_DEVICE_FOLDERS> folders;
    const std::vector<std::string> devices(folders.begin(), folders.begin() + FindDeviceFolders(settings, folders));
    if (listDevices) {
        for (const std::string& name : devices)
            std::cout << name << '\n';
        std::cout.flush();
        return std::cout ? 0 : kExitWriteError;
    }
    std::vector<std::string> searched = devices;
    // Nothing to list is not "no recordings": a job that runs this must see
    // that the store is not where the settings say.
    if (allDevices && devices.empty()) {
        if (std::error_code error; !std::filesystem::is_directory(recordingDir, error))
            return usage("--all-devices: the recording directory " + recordingDir + " does not exist");
        return usage("--all-devices: " + recordingDir + " holds no device folder of a configured device");
    }
    if (!allDevices) {
        if (std::find(devices.begin(), devices.end(), device) == devices.end())
            return usage("--device: no device '" + device + "' in " + recordingDir + "; " +
                         (devices.empty() ? std::string("it holds no device folder of a configured device")
                                          : "the devices are: " + Joined(devices)));
        searched = {device};
    }

    const std::vector<std::string> categoryTexts = CategoryTexts(settings);
    const int entry = CategoryEntryOfArgument(category, categoryTexts);
    const std::string categoryText = entry >= 0 ? categoryTexts[static_cast<std::size_t>(entry)] : category;
    if ((!summary || !category.empty()) && CategoryFolder(CategoryOfText(categoryText, categoryTexts, entry)).empty())
        return usage("--category: '" + category +
                     "' is none of Scheduled Recording (sr), SnapShot (ss), Instant Recording (ir), Motion "
                     "Detection (md)");

    // A reader that goes away (head) shows up as a failed write, which ends
    // the scan, instead of killing the process.
    Console::SurviveClosedReaders();
    if (summary) {
        std::vector<std::string_view> categories;
        for (const CategoryLabel& label : kCategoryLabels)
            if (category.empty() || label.text == CategoryOfText(categoryText, categoryTexts, entry))
                categories.push_back(label.text);
        ScanControl control;
        std::optional<ProgressLine> progress;
        if (!Console::IsTerminal(stdout))
            progress.emplace(control);
        std::vector<StoreSummary::Totals> totals;
        StoreSummary::Run(recordingDir, searched, categories, &control, totals);
        progress.reset();
        if (!SummaryWriter::Write(stdout, format == "json" ? SummaryWriter::Format::Json : SummaryWriter::Format::Tsv,
                                  totals)) {
            std::cerr << "clipscout-list: cannot write the output\n";
            return kExitWriteError;
        }
        return 0;
    }
    RowWriter writer(stdout, format == "json" ? RowWriter::Format::Json : RowWriter::Format::Tsv);
    // What every device's search asks; each names its device.
    SearchRequest asked;
    asked.strRecordingDir = recordingDir;
    asked.strCategory = categoryText;
    asked.aCategoryTexts = categoryTexts;
    asked.nCategoryEntry = entry;
    asked.tSearchStart = searchStart;
    asked.tSearchEnd = searchEnd;
    if (merged) {
        SearchRequest request = asked;
        ScanControl control;
        request.pControl = &control;
        std::optional<ProgressLine> progress;
        if (!Console::IsTerminal(stdout))
            progress.emplace(control);
        std::vector<std::vector<RecordedFile>> rows(searched.size());
        const std::vector<SearchResult> results =
            DeviceSearches::Run(request, searched, [&rows](std::size_t at) -> RowSink {
                return [&kept = rows[at]](const RecordedFile& row) {
                    kept.push_back(row);
                    return true;
                };
            });
        progress.reset();
        std::vector<std::size_t> counts;
        counts.reserve(rows.size());
        for (const std::vector<RecordedFile>& kept : rows)
            counts.push_back(kept.size());
        for (const DeviceSearches::Place& place : DeviceSearches::MergedOrder(
                 counts, [&rows](DeviceSearches::Place at) { return rows[at.nDevice][at.nRow].tRecorded.GetTime(); })) {
            const SearchResult& result = results[place.nDevice];
            if (!writer.Write(rows[place.nDevice][place.nRow], searched[place.nDevice], result.strCategory,
                              result.strFolderPath))
                break;
        }
    }
    for (const std::string& name : merged ? std::vector<std::string>() : searched) {
        SearchRequest request = asked;
        request.strDevice = name;
        ScanControl control;
        request.pControl = &control;
        request.fnPause = [&writer] { writer.Pause(); };
        // Rows on a terminal are progress enough; a second line there would
        // tangle with them.
        std::optional<ProgressLine> progress;
        if (!Console::IsTerminal(stdout))
            progress.emplace(control);
        std::string folder, searchedCategory;
        RunSearch(
            request, [&](const RecordedFile& row) { return writer.Write(row, name, searchedCategory, folder); },
            [&](const SearchResult& started) {
                folder = started.strFolderPath;
                searchedCategory = started.strCategory;
            });
        if (!writer.Flush())
            break;
    }
    if (!writer.Flush() && !writer.Closed()) {
        std::cerr << "clipscout-list: cannot write the output\n";
        return kExitWriteError;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    Console::Prepare();
    // Out of memory, say: a message and a status rather than an abort.
    try {
        return Run(argc, argv);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "clipscout-list: %s\n", e.what());
        return 1;
    }
}
