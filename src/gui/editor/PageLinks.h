#pragma once

#include "links/LinkKind.h"

#include <QObject>
#include <QStringList>
#include <QUrl>

#include <functional>

class TFormMain;
class TLinkHighlighter;
class TRichEditLink;

// Links in the page: colouring, following a clicked link (web addresses,
// items, lines, files, commands), the copy-link and file-link commands.
// Created by InstallPageLinks as a child of the window.
class TPageLinks : public QObject {
    Q_OBJECT
public:
    explicit TPageLinks(TFormMain& form);
    static TPageLinks* of(TFormMain& form);

    // Desktop services, replaceable for tests: open a URL or file with its
    // program; start a program with its arguments (never through a shell);
    // choose files to link to.
    static std::function<bool(const QUrl& url)> OpenUrl;
    static std::function<bool(const QString& program, const QStringList& arguments)> StartProgram;
    static std::function<QStringList(QWidget* parent, const QString& caption,
                                     const QString& filter)>
        ChooseFiles;

    void FollowLink(LinkKind kind, const QString& text);
    void JumpToNode(const QString& body);
    void JumpToLine(const QString& body);
    void JumpToFile(const QString& body);

    void ItemCopyNodeLinkClick();
    void ItemCopyLineLinkInsideClick();
    void ItemCopyLineLinkOutsideClick();
    void ItemAddFileLinkClick();
    void ItemOpenSelectionClick();
    void ItemJumpOnClickClick();

    TLinkHighlighter* highlighter() const { return m_highlighter; }

private:
    void installHandlers();
    void openWithSystem(const QUrl& url);
    void showError(const QString& text);
    QString selectCurrentLine();

    TFormMain& m_form;
    TRichEditLink* m_page;
    TLinkHighlighter* m_highlighter;
};

void InstallPageLinks(TFormMain& form);
