#pragma once

#include <QDialog>

#include <functional>
#include <stdexcept>

class QCheckBox;
class QComboBox;
class QDateEdit;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class TFindDesc;
class TOptionDesc;

// A command that stops with a message for the user (a text that is not a
// number, a search text the code page cannot hold).
class ESearchInputError : public std::runtime_error {
public:
    explicit ESearchInputError(const QString& message)
        : std::runtime_error(message.toStdString()) {}
};

// "一覧検索の条件設定": the criteria of the command "一覧検索".
// Created on first use and kept, so its controls and the history of
// StringBox persist from one search to the next.
class TFormFind : public QDialog {
    Q_OBJECT
public:
    explicit TFormFind(QWidget* parent = nullptr);

    // Runs the dialog and fills the criteria; false when cancelled (the
    // criteria untouched). Throws ESearchInputError for a number of days that
    // is not an integer, after the scope and the text condition are set.
    bool Execute(TFindDesc& find, const TOptionDesc& settings);

    // How the dialog is run; tests replace it to set controls and answer.
    static std::function<int(TFormFind& form)> Runner;

    // Controls, by their names in the form.
    QGroupBox* RGFindTarget = nullptr;
    QRadioButton* FindTargetAll = nullptr;
    QRadioButton* FindTargetLevel = nullptr;
    QRadioButton* FindTargetTray = nullptr;
    QCheckBox* CheckOnString = nullptr;
    QLabel* Label1 = nullptr;
    QComboBox* StringBox = nullptr;
    QCheckBox* CheckIgnoreCase = nullptr;
    QCheckBox* CheckMatchWord = nullptr;
    QLabel* Label3 = nullptr;
    QCheckBox* CheckInTitle = nullptr;
    QCheckBox* CheckInText = nullptr;
    QCheckBox* CheckOnDate = nullptr;
    QGroupBox* RGDateType = nullptr;
    QRadioButton* DateTypeButtons[4] = {};
    QGroupBox* RGKeyDate = nullptr;
    QRadioButton* KeyDateToday = nullptr;
    QRadioButton* KeyDateGiven = nullptr;
    QDateEdit* KeyDatePicker = nullptr;
    QCheckBox* CheckBeforeDate = nullptr;
    QCheckBox* CheckAfterDate = nullptr;
    QCheckBox* CheckIsDate = nullptr;
    QCheckBox* CheckUseMaxDays = nullptr;
    QLineEdit* EditMaxDays = nullptr;
    QLabel* Label2 = nullptr;
    QCheckBox* CheckOnLabel = nullptr;
    QCheckBox* CheckLabels[8] = {};
    QCheckBox* CheckOnProcStatus = nullptr;
    QCheckBox* CheckUnstarted = nullptr;
    QCheckBox* CheckProceeding = nullptr;
    QCheckBox* CheckFinished = nullptr;
    QCheckBox* CheckStopped = nullptr;
    QCheckBox* CheckHasLimitDate = nullptr;
    QCheckBox* CheckHasFinishDate = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* Button2 = nullptr;

    // The index of the checked button of a radio group.
    int findTargetIndex() const;
    int dateTypeIndex() const;

    void FormShow(const TOptionDesc& settings);
    void Button1Click();
    void CheckOnStringClick();
    void CheckOnDateClick();
    void CheckUseMaxDaysClick();
    void CheckOnLabelClick();
    void CheckOnProcStatusClick();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};
