# sources of src/gui/shell
list(APPEND WRENGUI_SOURCES
    shell/CommandRows.cpp
    shell/CommandTable.cpp
    shell/FontList.cpp
    shell/MainForm.cpp
    shell/MainFormCommands.cpp
    shell/MainFormItems.cpp
    shell/MainFormLayout.cpp
    shell/WrenApplication.cpp
)
list(APPEND WRENGUI_SOURCES
    shell/DesktopClipping.cpp
    shell/DocumentCommands.cpp
    shell/ImportCommands.cpp
    shell/LoadProgress.cpp
    shell/NavigationHistory.cpp
    shell/Splash.cpp
    shell/StartUp.cpp
    shell/TrayGuard.cpp
    shell/VersionForm.cpp
)
