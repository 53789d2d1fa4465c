#include "search_page/PageLabels.h"

#include "catalog/RecordingNames.h"
#include "platform/ui/CPropertyPage.h"
#include "platform/ui/QtStrings.h"
#include "res/Resource.h"
#include "settings/CLoadUISetting.h"

#include <QLabel>
#include <QPushButton>

namespace {

constexpr const char* kSection = "Clipscout";

// Keys whose empty value keeps the control's template text.
struct ControlLabel {
    const char* szKey;
    int nId;
};
constexpr ControlLabel kControlLabels[] = {
    {"GB_SearchingFiles", IDC_GB_SEARCHING_FILES},
    {"S_Start", IDC_S_START},
    {"S_End", IDC_S_END},
    {"S_FileType", IDC_S_FILE_TYPE},
    {"B_Search", IDC_SEARCH},
    {"B_ShowAll", IDC_SHOW_ALL},
    {"B_Playback", IDC_PLAYBACK},
    {"B_Delete", IDC_DELETE},
    {"B_Explore", IDC_EXPLORE},
};

// Keys whose empty value gives a built-in text.
struct DefaultedText {
    const char* szKey;
    const char* szDefault;
};
constexpr DefaultedText kColumnHeadings[] = {
    {"S_FileName", "File Name"},
    {"S_RecordedTime", "Recorded Time"},
    {"S_Duration", "Duration"},
};

} // namespace

PageLabels ReadPageLabels(CPropertyPage& page, const CLoadUISetting& settings)
{
    for (const ControlLabel& label : kControlLabels) {
        const std::string text = settings.GetAppSetting(kSection, label.szKey);
        if (text.empty())
            continue;
        QWidget* control = page.GetDlgItem(label.nId);
        if (auto* button = qobject_cast<QPushButton*>(control))
            button->setText(ToQString(text));
        else if (auto* staticText = qobject_cast<QLabel*>(control))
            staticText->setText(ToQString(text));
    }
    auto readText = [&settings](const DefaultedText& entry) {
        std::string text = settings.GetAppSetting(kSection, entry.szKey);
        return text.empty() ? std::string(entry.szDefault) : text;
    };
    PageLabels labels;
    for (std::size_t i = 0; i < std::size(kColumnHeadings); ++i)
        labels.astrHeadings[i] = readText(kColumnHeadings[i]);
    for (std::size_t i = 0; i < std::size(kCategoryLabels); ++i)
        labels.astrCategories[i] = readText({kCategoryLabels[i].szKey, kCategoryLabels[i].text.data()});
    return labels;
}
