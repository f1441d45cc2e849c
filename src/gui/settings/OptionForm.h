#pragma once

#include "settings/OptionDesc.h"

#include <QDialog>

#include <array>
#include <cstdint>
#include <functional>

class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTabWidget;
class QToolButton;
class TColorLookupComboBox;
class THotKeyEdit;
class TLabelImageGrid;

// The options dialog: edits a copy of the settings in its controls, loaded
// when it opens and written back only on OK.
class TFormOption : public QDialog {
    Q_OBJECT
public:
    explicit TFormOption(QWidget* parent = nullptr);
    ~TFormOption() override;

    // The codes each position list shows, by list index.
    static const std::array<uint8_t, 4> SisterCodes;
    static const std::array<uint8_t, 2> DaughterCodes;
    static const std::array<uint8_t, 4> AuntCodes;
    static const std::array<uint8_t, 6> ClipCodes;

    void LoadFrom(const TOptionDesc& options);
    void StoreTo(TOptionDesc& options) const;
    // What this desktop allows, under the tray and hot-key controls; empty hides it.
    void SetTrayNote(const QString& text);
    void SetHotKeyNote(const QString& text);

    // Set by the user's changes since LoadFrom.
    bool ColumnsChanged() const { return m_columnsChanged; }
    bool LabelImagesChanged() const { return m_labelImagesChanged; }
    // The key in the hot-key field differs from the one loaded.
    bool HotKeyChanged() const;

    // The date formats offered: "DateFormat.txt" of the program folder
    // (installed from the shipped copy when missing). Runs at every showing.
    void LoadDateFormats();

    // Showing the dialog modally; replaceable so that tests never block.
    static std::function<int(TFormOption&)> Exec;
    // The font dialog: true for OK. Replaceable for tests.
    static std::function<bool(TFontDesc& font, QWidget* parent)> ChooseFont;

    // Controls, by their object names.
    QTabWidget* PageControl1 = nullptr;
    QComboBox* SisterBox = nullptr;
    QComboBox* DaughterBox = nullptr;
    QComboBox* AuntBox = nullptr;
    QComboBox* ClipBox = nullptr;
    THotKeyEdit* HotKey1 = nullptr;
    QLineEdit* EditHierSymbol = nullptr;
    QCheckBox* CheckPreferText = nullptr;
    QCheckBox* CheckConfirmDelete = nullptr;
    QCheckBox* CheckFinishedAutoMove = nullptr;
    QCheckBox* CheckProceedingAutoMove = nullptr;
    QCheckBox* CheckTargetExpand = nullptr;
    QCheckBox* CheckDragCollapse = nullptr;
    QCheckBox* CheckExpandOnlyOne = nullptr;
    std::array<QToolButton*, TOptionDesc::LabelsUsed> IB{};
    std::array<QLineEdit*, TOptionDesc::LabelsUsed> Edit{};
    QFrame* PopupPanel1 = nullptr;
    TLabelImageGrid* DrawGrid1 = nullptr;
    QLabel* Label5 = nullptr; // font name
    QLabel* Label7 = nullptr; // size
    QLabel* Label6 = nullptr; // styles
    QFrame* PanelColor = nullptr;
    QPushButton* ButtonFont = nullptr;
    QPushButton* ButtonFontColor = nullptr;
    QFrame* PanelTitleBkColor = nullptr;
    QFrame* PanelTextBkColor = nullptr;
    QFrame* PanelLinkBkColor = nullptr;
    TColorLookupComboBox* CLCBoxInFileLink = nullptr;
    TColorLookupComboBox* CLCBoxHyperLink = nullptr;
    QComboBox* CBDateFormat = nullptr;
    QComboBox* CBDateViewFormat = nullptr;
    QLabel* LabelDateFormatNote = nullptr;
    QListWidget* AvailableColumnBox = nullptr;
    QListWidget* SelectedColumnBox = nullptr;
    QPushButton* BTNAdd = nullptr;
    QPushButton* BTNRemove = nullptr;
    QToolButton* SBUp = nullptr;
    QToolButton* SBDown = nullptr;
    QCheckBox* CheckOutOfDate = nullptr;
    QCheckBox* CheckShowProcs = nullptr;
    QCheckBox* CheckLinkAutoShow = nullptr;
    QCheckBox* CheckDateAutoShow = nullptr;
    QCheckBox* CheckConfirmSave = nullptr;
    QCheckBox* CheckHideForm = nullptr;
    QCheckBox* CheckStayOn = nullptr;
    QLabel* LabelTrayNote = nullptr;
    QLabel* LabelHotKeyNote = nullptr;
    QCheckBox* CheckSaveTemporal = nullptr;
    QCheckBox* CheckSaveBAKFile = nullptr;
    QCheckBox* CBTrashOnTerminate = nullptr;
    QPushButton* BitBtn1 = nullptr; // OK
    QPushButton* BitBtn2 = nullptr; // Cancel

    // Page behaviours, as the controls run them.
    void CheckStayOnClick();
    void IBClick(int index);
    void DrawGrid1Click(int row, int column);
    void Button1Click();
    void BackColorClick(QFrame* swatch);
    void MoveColumnClick(bool add);
    void SBUpClick(bool up);

    // The image each label button shows.
    int labelImage(int index) const { return m_labelImages.at(size_t(index)); }

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildPagePositions();
    void buildPageOperations();
    void buildPageLabels();
    void buildPageFonts();
    void buildPageDates();
    void buildPageColumns();
    void buildPageOthers();
    void showFont();
    void setLabelImage(int index, int image);
    void closeChooser();

    TFontDesc m_defFont;
    std::array<int, TOptionDesc::LabelsUsed> m_labelImages{};
    int m_chooserFor = -1;
    bool m_columnsChanged = false;
    bool m_labelImagesChanged = false;
    uint16_t m_loadedKey = 0;
    uint16_t m_loadedMods = 0;
};

// Swatch colour of a panel, 0x00BBGGRR.
uint32_t SwatchColor(const QFrame* swatch);
void SetSwatchColor(QFrame* swatch, uint32_t bgr);
