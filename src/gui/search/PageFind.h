#pragma once

#include <QDialog>
#include <QObject>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTextEdit;
class TFormMain;

// The modeless find and replace dialogs of the page ("検索", "置換"); the
// direction choice is there but disabled: both search downwards only.
class TFindReplaceDialog : public QDialog {
    Q_OBJECT
public:
    TFindReplaceDialog(bool replace, QWidget* parent);

    QString findText() const;
    QString replaceText() const;
    bool matchCase() const;
    bool wholeWord() const;

    QLineEdit* FindText = nullptr;
    QLineEdit* ReplaceText = nullptr; // replace dialog only
    QCheckBox* MatchCase = nullptr;
    QCheckBox* WholeWord = nullptr;
    QRadioButton* Up = nullptr;
    QRadioButton* Down = nullptr;
    QPushButton* FindNext = nullptr;
    QPushButton* Replace = nullptr;    // replace dialog only
    QPushButton* ReplaceAll = nullptr; // replace dialog only
    QPushButton* Cancel = nullptr;

Q_SIGNALS:
    void findRequested();
    void replaceRequested();
    void replaceAllRequested();
};

// Find and replace in the page with the scanner's rule (blank skipping,
// whole-character advance, whole-word test, folding of a-z only).
class TPageFind : public QObject {
    Q_OBJECT
public:
    explicit TPageFind(TFormMain& form);
    static TPageFind* of(TFormMain& form);

    TFindReplaceDialog* FindDialog1() const { return m_find; }
    TFindReplaceDialog* ReplaceDialog1() const { return m_replace; }

    void ItemFindInPageClick();
    void ItemReplaceInPageClick();
    // The find event of either dialog: the next occurrence after the
    // selection, or the message that there is none (and the dialog closes).
    void FindDialog1Find(TFindReplaceDialog* dialog);
    // Replace (the selection, then find the next) or replace all.
    void ReplaceDialog1Replace(bool all);

    // The scans themselves, usable without a dialog. Return whether one was found.
    static bool FindNextInPage(QTextEdit* page, const QString& pattern, bool matchCase,
                               bool wholeWord);
    // Returns the number of replacements.
    static int ReplaceAllInPage(QTextEdit* page, const QString& pattern, const QString& replacement,
                                bool matchCase, bool wholeWord);

private:
    TFormMain& m_form;
    TFindReplaceDialog* m_find;
    TFindReplaceDialog* m_replace;
};

void InstallPageFind(TFormMain& form);
