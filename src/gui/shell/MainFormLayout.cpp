// Forwarders to the window's layout, for the areas and tests that set panes.
#include "shell/MainForm.h"

#include "layout/WindowLayout.h"
#include "tree/ItemCommands.h"

void TFormMain::ApplySettings() {
    m_layout->ApplyToWindow();
}

void TFormMain::CaptureSettings() {
    m_layout->CaptureFromWindow();
}

void TFormMain::SetStatusVisible(bool visible) {
    m_layout->SetStatusVisible(visible);
}

void TFormMain::SetLinkPanelVisible(bool visible) {
    m_layout->SetLinkPanelVisible(visible);
}

void TFormMain::SetFocusTrayVisible(bool visible) {
    m_layout->SetFocusTrayVisible(visible);
}

void TFormMain::SetCalendarVisible(bool visible) {
    m_layout->SetCalendarVisible(visible);
}

void TFormMain::SetDatePanelVisible(bool visible) {
    m_layout->SetDatePanelVisible(visible);
}

void TFormMain::SetRulerVisible(bool visible) {
    m_layout->SetRulerVisible(visible);
}

void TFormMain::SetTitlePanelVisible(bool visible) {
    m_layout->SetTitlePanelVisible(visible);
}

void TFormMain::SetMaxCalendar(bool max) {
    m_layout->SetMaxCalendar(max);
}

void TFormMain::ItemTitleClick(int tag) {
    TItemCommands::of(*this)->ItemTitleClick(tag);
}
