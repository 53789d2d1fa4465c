#pragma once

#include <QDateTimeEdit>

// A date or a time picker. As on the platform the template comes from, it is
// one stop in the tab order: Tab and Shift+Tab go to the next and previous
// control, Left and Right move between its fields.
class CDateTimeCtrl : public QDateTimeEdit {
    Q_OBJECT

public:
    enum class Kind { Date, Time };

    explicit CDateTimeCtrl(Kind kind, QWidget* parent = nullptr);

protected:
    bool focusNextPrevChild(bool next) override;
    void keyPressEvent(QKeyEvent* event) override;
};
