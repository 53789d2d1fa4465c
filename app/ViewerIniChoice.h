#pragma once

#include <QString>

#include <string>

// The Viewdeck.ini a user chose on the placeholder page. It is kept in the
// program's own state file, never in a settings file, and used at the next
// start when no Viewdeck.ini is found where one is looked for.
class ViewerIniChoice {
public:
    explicit ViewerIniChoice(QString stateFile);

    // The file to read as Viewdeck.ini: namedPath when one is named; else,
    // when none is found in its usual places, the remembered one if it is
    // still there; else empty (the usual places decide).
    std::string Choose(const std::string& executablePath, const std::string& namedPath) const;
    void Remember(const std::string& path) const;

private:
    QString m_strStateFile;
};
