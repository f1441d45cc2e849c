#pragma once

#include <QFont>
#include <QWidget>

#include <array>
#include <functional>

class QCheckBox;
class QDateEdit;
class QFrame;

// The band above the page that shows and edits the current item's four
// dates: created, modified, due, finished (the item's date indices). Each
// field is a label (a click toggles the date) and the date (a click opens a
// date picker over it).
class TDateAccessPanel : public QWidget {
    Q_OBJECT
public:
    enum TBevel { BevelNone, BevelRaised, BevelLowered };
    // At least 90 and 29 pixels; wider when the font needs it.
    int FieldWidth() const;
    int DateLeft() const;

    explicit TDateAccessPanel(QWidget* parent = nullptr);

    // "作成:", "更新:", "期日:", "完了:".
    static QString LabelText(int index);
    // "作成日" .. "完了日", for assistive tools.
    static QString FieldName(int index);
    // "yyyy/mm/dd", or "----/--/--" for no date and for a value no calendar
    // date names.
    static QString DateText(double value);
    // 0 outside the fields, 1..4 a date, 9..12 a label.
    int HitCode(int x) const;

    double Date(int index) const;
    // Shows an item's dates without counting a change; nothing is reported.
    void LoadDates(const std::array<double, 4>& dates);
    void SetPanelDate(int index, double value);
    void ToggleDate(int index);
    void OpenDatePicker(int index);
    void CommitDatePicker();
    // Closes the picker without taking its date.
    void CancelDatePicker();

    bool DatesChanged = false;
    std::function<void(int index, double value)> OnDateChange;
    TBevel Bevel = BevelNone;

    // The picker, once created; for tests and the window.
    QFrame* DatePicker() const { return m_picker; }
    QDateEdit* PickerDate() const { return m_pickerDate; }
    QCheckBox* PickerCheck() const { return m_pickerCheck; }
    int EditField() const { return m_editField; }
    QRect FieldRect(int index, bool label) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The width of the open picker, with or without its check box.
    int PickerWidth(bool check) const;
    void createPicker();
    bool pickerHasFocus() const;
    void onFocusChanged(QWidget* old, QWidget* now);

    std::array<double, 4> m_dates{};
    int m_pressed = 0;
    int m_editField = -1;
    // The last focus change of the picker came from window activation.
    bool m_activationFocus = false;
    QFrame* m_picker = nullptr;
    QDateEdit* m_pickerDate = nullptr;
    QCheckBox* m_pickerCheck = nullptr;
    mutable QFont m_probedFont;
    mutable int m_probedDate = 0;
    mutable int m_probedCheck = 0;
};
