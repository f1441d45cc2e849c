#pragma once

#include <QObject>

class TFormMain;
class TFormOption;

// The options command: runs the options dialog on the window's settings and
// puts what changed into effect. Created by InstallOptionCommands as a child
// of the window.
class TOptionCommands : public QObject {
    Q_OBJECT
public:
    explicit TOptionCommands(TFormMain& form);

    static TOptionCommands* of(TFormMain& form);

    // Load, hot key off, the dialog; on OK store and apply; the hot key on
    // again in every case. True when the user pressed OK.
    bool RunOptions();
    // The dialog, created on first use and kept.
    TFormOption& dialog();

    // Colours of the panes, the tray icon and the page's links.
    static void ApplyColors(TFormMain& form);
    // The focus tray's columns from the settings, with standard widths; its rows go.
    static void RebuildColumns(TFormMain& form);
    // Every item's label image again.
    static void RefreshLabelImages(TFormMain& form);

private:
    TFormMain& m_form;
    TFormOption* m_dialog = nullptr;
};

void InstallOptionCommands(TFormMain& form);
