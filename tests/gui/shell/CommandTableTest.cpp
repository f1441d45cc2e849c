#include "GuiSupport.h"

#include "TestSupport.h"
#include "dialogs/FileDialog.h"
#include "dialogs/MessageBox.h"
#include "file/ByteStream.h"
#include "file/Cp932.h"
#include "outline/LeafNote.h"
#include "outline/Outline.h"
#include "platform/HotKey.h"
#include "settings/OptionDesc.h"
#include "shell/CommandTable.h"
#include "shell/DesktopClipping.h"
#include "shell/FontList.h"
#include "shell/MainForm.h"
#include "tree/ExplorerView.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFontDatabase>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QSet>
#include <QStatusBar>
#include <QSystemTrayIcon>
#include <QTest>
#include <QTextEdit>
#include <QToolBar>

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

// parent|name|caption|shortcut|tag|handler|kind, as the window must offer them.
const char* const kExpected = R"(
|Menubar|||0||MenuBar
Menubar|MenuFile|ファイル(&F)||0||Menu
MenuFile|ItemNew|新規作成(&N)||0|ItemNewClick|Item
MenuFile|ItemOpen|開く...(&O)||0|ItemOpenClick|Item
MenuFile|ItemLoadWZFile|階層付テキストを読み込む...(&H)||0|ItemLoadWZFileClick|Item
MenuFile|MenuImport|インポート(&I)||0||Menu
MenuImport|ItemImportOpml|OPML...(&O)||0|ItemImportClick|Item
MenuImport|ItemImportMarkdown|Markdown...(&M)||1|ItemImportClick|Item
MenuImport|ItemImportCherryTree|CherryTree (.ctd/.ctb)...(&C)||2|ItemImportClick|Item
MenuImport|ItemImportTreeLine|TreeLine (.trln)...(&T)||3|ItemImportClick|Item
MenuFile|MenuExport|エクスポート(&R)||0||Menu
MenuExport|ItemExportOpml|OPML...(&O)||0|ItemExportClick|Item
MenuExport|ItemExportMarkdown|Markdown...(&M)||1|ItemExportClick|Item
MenuExport|ItemExportHtml|HTML...(&H)||2|ItemExportClick|Item
MenuExport|ItemExportSelection|選択項目以下だけを書き出す(&S)||0|ItemExportSelection|Item
MenuFile|ItemClose|ウィンドウを閉じる(&C)||0|ItemCloseClick|Item
MenuFile|ItemSave|上書き保存(&S)|Ctrl+S|0|ItemSaveClick|Item
MenuFile|ItemSaveAs|名前を付けて保存...(&A)||0|ItemSaveAsClick|Item
MenuFile|ItemRevert|復帰(&E)||0|ItemRevertClick|Item
MenuFile|ItemMergeVersion|他の版と統合...(&G)||0|ItemMergeVersionClick|Item
MenuFile|ItemMergeConflict|競合コピーと統合...(&K)||0|ItemMergeConflictClick|Item
MenuFile|ItemTextOutput|選択項目以下を保存...(&T)||0|ItemSaveSelectionClick|Item
MenuFile|ItemSavePage|現在のページを保存...(&B)||0|ItemSavePageClick|Item
MenuFile|ItemPrinterSetUp|用紙設定...||0|ItemPrinterSetUpClick|Item
MenuFile|ItemPrint|現在のページを印刷(&P)...|Ctrl+P|0|ItemPrintClick|Item
MenuFile|ItemExitWithoutSaving|現在のファイルを保存せずに終了(&Z)||0||Menu
ItemExitWithoutSaving|N27|本当に保存しなくてよろしいですね？||1|ItemExitClick|Item
MenuFile|ItemExit|ファイルを保存して終了(&X)||0|ItemExitClick|Item
Menubar|MenuEdit|編集(&E)||0|MenuEditClick|Menu
MenuEdit|ItemUndo|元に戻す(&U)|Ctrl+Z|0|ItemUndoClick|Item
MenuEdit|ItemCut|切り取り(&T)|Ctrl+X|0|ItemCutClick|Item
MenuEdit|ItemCopy|コピー(&C)|Ctrl+C|0|ItemCopyClick|Item
MenuEdit|ItemPaste|貼り付け(&P)|Ctrl+V|0|ItemPasteClick|Item
MenuEdit|ItemDelete|削除(&D)||0|ItemDeleteClick|Item
MenuEdit|ItemSelectAll|すべて選択(&A)|Ctrl+A|0|ItemSelectAllClick|Item
MenuEdit|ItemRenameNode|項目名を変更(&R)|F2|0|ItemRenameNodeClick|Item
MenuEdit|ItemWordWrap|ウィンドウ端で折り返す(&W)||0|ItemWordWrapClick|Item
MenuEdit|ItemAutoClipping|自動クリッピング(&K)||0|ItemAutoClippingClick|Item
MenuEdit|N46|書式情報の除去(&S)||0||Menu
N46|ItemAllRemoveStyles|すべての項目から(&A)||0|RemoveStylesClick|Item
N46|ItemSelRemoveStyles|選択項目に属する項目から(&S)||0|RemoveStylesClick|Item
MenuEdit|ItemFocusOnExView|ツリービューにフォーカスを移す(&E)|Ctrl+E|0|SetFocusClick|Item
MenuEdit|ItemFocusOnRichEdit|リッチテキストにフォーカスを移す(&R)|Ctrl+R|0|SetFocusClick|Item
Menubar|Find1|検索(&S)||0||Menu
Find1|ItemFind|一覧検索...(&F)|Ctrl+F|0|ItemFindClick|Item
Find1|ItemListUpProcs|進行中項目を一覧(&P)||0|ItemListUpProcsClick|Item
Find1|ItemListUpOutOfDate|期限切れの項目を一覧(&O)||0|ItemListUpOutOfDateClick|Item
Find1|ItemListUpUnfinished|未完了の項目を一覧(&M)|Ctrl+Q|0|ItemListUpUnfinishedClick|Item
Find1|N30|ページ内検索...(&S)||0|ItemFindInPageClick|Item
Find1|N31|ページ内置換...(&R)||0|ItemReplaceInPageClick|Item
Menubar|MenuView|表示(&V)||0|MenuViewClick|Menu
MenuView|ItemShowToolBar|ツールバー(&B)||0||Menu
ItemShowToolBar|ItemShowTBRStandard|標準||0|ItemShowTBRClick|Item
ItemShowToolBar|ItemShowTBRMakeNode|項目作成・削除(&N)||1|ItemShowTBRClick|Item
ItemShowToolBar|ItemShowTBRMoveNode|項目移動(&M)||2|ItemShowTBRClick|Item
ItemShowToolBar|ItemShowTBRStyle|書式(&O)||3|ItemShowTBRClick|Item
ItemShowToolBar|ItemShowTBRFind|検索(&F)||4|ItemShowTBRClick|Item
ItemShowToolBar|ItemShowTBRView|表示(&V)||5|ItemShowTBRClick|Item
MenuView|ItemShowStatusBar|ステータスバー(&S)||0|ItemShowStatusBarClick|Item
MenuView|ItemShowExView|ツリービュー(&E)||0|ItemShowExViewClick|Item
MenuView|ItemShowCalendar|カレンダー(&C)||0|ItemShowCalendarClick|Item
MenuView|ItemShowFocusTray|フォーカストレイ(&F)||0|ItemShowFocusTrayClick|Item
MenuView|ItemShowTitlePanel|タイトルパネル(&T)||0|ItemShowTitlePanelClick|Item
MenuView|ItemShowDatePanel|日付パネル(&D)||0|ItemShowDatePanelClick|Item
MenuView|ItemShowRuler|ルーラー(&R)||0|ItemShowRulerClick|Item
MenuView|ItemShowLinkPanel|リンクパネル(&K)||0|ItemShowLinkPanelClick|Item
MenuView|ItemChangeSplit|分割方向の変更(&H)||0|ItemChangeSplitClick|Item
MenuView|N8|ツリー項目表示形式(&V)||0||Menu
N8|ItemTitle|タイトルのみ(&T)||0|ItemTitleClick|Item
N8|ItemCreateTitle|作成日＋タイトル(&C)||1|ItemTitleClick|Item
N8|ItemModifiedTitle|更新日＋タイトル(&M)||2|ItemTitleClick|Item
N8|ItemLimitTitle|期日＋タイトル(&L)||3|ItemTitleClick|Item
N8|ItemFinishTitle|完了日＋タイトル(&F)||4|ItemTitleClick|Item
N8|ItemTitleCreate|タイトル＋作成日(&U)||5|ItemTitleClick|Item
N8|ItemTitleModified|タイトル＋更新日(&V)||6|ItemTitleClick|Item
N8|ItemTitleLimit|タイトル＋期日(&W)||7|ItemTitleClick|Item
N8|ItemTitleFinish|タイトル＋完了日(&X)||8|ItemTitleClick|Item
Menubar|MenuTree|ツリー(&T)||0|MenuTreeClick|Menu
MenuTree|ItemCreateSister|同一階層に新規項目を作成(&B)||0||Menu
ItemCreateSister|ItemSisterPrev|すぐ上(&P)||1|ItemSisterClick|Item
ItemCreateSister|ItemSisterNext|すぐ下(&N)||2|ItemSisterClick|Item
ItemCreateSister|ItemSisterFirst|一番上(&F)||3|ItemSisterClick|Item
ItemCreateSister|ItemSisterLast|一番下(&L)||4|ItemSisterClick|Item
MenuTree|ItemCreateDaughter|一つ下の階層に新規項目を作成((&S)||0||Menu
ItemCreateDaughter|ItemChildFirst|一番上(&F)||5|ItemSisterClick|Item
ItemCreateDaughter|ItemChildLast|一番下(&L)||6|ItemSisterClick|Item
MenuTree|ItemCreateAunt|一つ上の階層に新規項目を作成((&N)||0||Menu
ItemCreateAunt|ItemAuntPrev|すぐ上(&P)||1|ItemAuntClick|Item
ItemCreateAunt|ItemAuntNext|すぐ下(&N)||2|ItemAuntClick|Item
ItemCreateAunt|ItemAuntFirst|一番上(&F)||3|ItemAuntClick|Item
ItemCreateAunt|ItemAuntLast|一番下(&L)||4|ItemAuntClick|Item
MenuTree|ItemClipping|クリップボードから項目を作成(&L)||0||Menu
ItemClipping|ItemClipNext|すぐ下||2|ItemClippingClick|Item
ItemClipping|ItemClipPrev|すぐ上||1|ItemClippingClick|Item
ItemClipping|ItemClipLast|一番下||4|ItemClippingClick|Item
ItemClipping|ItemClipFirst|一番上||3|ItemClippingClick|Item
ItemClipping|ItemClipChildLast|子階層の一番下||6|ItemClippingClick|Item
ItemClipping|ItemClipChildFirst|子階層の一番上||5|ItemClippingClick|Item
MenuTree|ItemProceedRoot|進行状況(&P)||0||Menu
ItemProceedRoot|ItemNotStartedM|未着手(&U)||1|ItemProceedClick|Item
ItemProceedRoot|ItemProceedingM|進行中(&P)||2|ItemProceedClick|Item
ItemProceedRoot|ItemFinishedM|完了(&F)||3|ItemProceedClick|Item
ItemProceedRoot|ItemStoppedM|保留(&N)||4|ItemProceedClick|Item
MenuTree|ItemLabelRoot|ラベル(&A)||0||Menu
ItemLabelRoot|ItemLabelNoneM|なし(&N)||0|ItemLabelClick|Item
ItemLabelRoot|ItemLabelAM|至急(&A)||1|ItemLabelClick|Item
ItemLabelRoot|ItemLabelBM|必須(&B)||2|ItemLabelClick|Item
ItemLabelRoot|ItemLabelCM|重要(&C)||3|ItemLabelClick|Item
ItemLabelRoot|ItemLabelDM|未決(&D)||4|ItemLabelClick|Item
ItemLabelRoot|ItemLabelEM|個人用(&E)||5|ItemLabelClick|Item
ItemLabelRoot|ItemLabelFM|計画１(&F)||6|ItemLabelClick|Item
ItemLabelRoot|ItemLabelGM|計画２(&G)||7|ItemLabelClick|Item
MenuTree|ItemNodeLeft|左へ階層を上げる(&L)||1|ItemNodeMoveClick|Item
MenuTree|ItemNodeRight|右へ階層を下げる(R)||2|ItemNodeMoveClick|Item
MenuTree|ItemNodeUp|上に移動する(&U)||3|ItemNodeMoveClick|Item
MenuTree|ItemNodeDown|下に移動する(&D)||4|ItemNodeMoveClick|Item
MenuTree|ItemFullExpand|項目をすべて展開する(&E)||0|ItemFullExpColClick|Item
MenuTree|ItemFullCollapse|項目をすべて閉じる(&C)||0|ItemFullExpColClick|Item
Menubar|MenuText|書式(&O)||0|MenuTextClick|Menu
MenuText|ItemNormal|標準(&T)|Ctrl+T|0|ItemNormalClick|Item
MenuText|ItemBold|太字(&B)|Ctrl+B|1|TBFontStylesClick|Item
MenuText|ItemItalic|斜体(&I)|Ctrl+I|2|TBFontStylesClick|Item
MenuText|ItemUnderline|下線(&U)|Ctrl+U|3|TBFontStylesClick|Item
MenuText|ItemStrikeOut|取消線(&S)||4|TBFontStylesClick|Item
MenuText|ItemUpper|上付(&H)||1|TBScriptClick|Item
MenuText|ItemLower|下付(&D)||2|TBScriptClick|Item
MenuText|ItemColor|文字の色(&R)||0|CBCustomColorClick|Item
MenuText|ItemAlignLeft|左揃え(&L)||1|TBParaAttrClick|Item
MenuText|ItemAlignCenter|中央揃え(&C)||2|TBParaAttrClick|Item
MenuText|ItemAlignRight|右揃え(&R)||3|TBParaAttrClick|Item
MenuText|ItemBullet|箇条書き(&O)||4|TBParaAttrClick|Item
Menubar|MenuOutput|出力(&U)||0|MenuOutputClick|Menu
MenuOutput|ItemAllNodesFile|全ての項目をファイルに(&A)||0||Menu
MenuOutput|ItemSelectedNodeFile|選択項目以下を ファイルに(&S)||0||Menu
MenuOutput|ItemTemplateFiles|出力フォーマットファイルを開く(&F)||0||Menu
ItemTemplateFiles|ItemOpenTemplateFolder|出力フォーマットフォルダーを開く(&F)||0|ItemOpenTemplateFolderClick|Item
Menubar|N43|設定(&P)||0||Menu
N43|O1|オプション設定(&O)||0|ItemOptionClick|Item
N43|N47|デフォルトの設定情報を読み込む(&L)||0|ItemLoadSettingsClick|Item
N43|N44|現在の設定をデフォルトの設定情報として保存||0|ItemSaveSettingsClick|Item
Menubar|MenuHelp|ヘルプ(&H)||0||Menu
MenuHelp|ItemOpenManual|マニュアルを開く(&H)||0|ItemOpenManualClick|Item
MenuHelp|ItemShowVersion|バージョン情報(&V)||0|ItemShowVersionClick|Item
MenuHelp|ItemSetWrnType|.wrn ファイルを関連づける||0|ItemSetWrnTypeClick|Item
|MenuProcStatus|||0|MenuProcStatusPopup|Popup
MenuProcStatus|ItemNotStarted|未着手||1|ItemProceedClick|Item
MenuProcStatus|ItemProceeding|進行中||2|ItemProceedClick|Item
MenuProcStatus|ItemFinished|完了||3|ItemProceedClick|Item
MenuProcStatus|ItemStop|保留||4|ItemStopClick|Item
|MenuLabel|||0|MenuLabelPopup|Popup
MenuLabel|ItemLabelNone|なし(&N)||0|ItemLabelClick|Item
MenuLabel|ItemLabelA|至急(&A)||1|ItemLabelClick|Item
MenuLabel|ItemLabelB|必須(&B)||2|ItemLabelClick|Item
MenuLabel|ItemLabelC|重要(&C)||3|ItemLabelClick|Item
MenuLabel|ItemLabelD|未決(&D)||4|ItemLabelClick|Item
MenuLabel|ItemLabelE|個人用(&E)||5|ItemLabelClick|Item
MenuLabel|ItemLabelF|計画１(&F)||6|ItemLabelClick|Item
MenuLabel|ItemLabelG|計画２(&G)||7|ItemLabelClick|Item
|PopupMenuExplorer|||0|PopupMenuExplorerPopup|Popup
PopupMenuExplorer|ItemTVProceedRoot|進行状況(&E)||0||Menu
ItemTVProceedRoot|ItemTVNotStarted|未着手(&U)||1|ItemProceedClick|Item
ItemTVProceedRoot|ItemTVProceeding|進行中(&P)||2|ItemProceedClick|Item
ItemTVProceedRoot|ItemTVFinished|完了(&F)||3|ItemProceedClick|Item
ItemTVProceedRoot|ItemTVStopped|保留(&N)||4|ItemProceedClick|Item
PopupMenuExplorer|ItemTVLabelRoot|ラベル(&L)||0||Menu
ItemTVLabelRoot|ItemTVLabelNone|なし(&N)||0|ItemLabelClick|Item
ItemTVLabelRoot|ItemTVLabelA|至急(&A)||1|ItemLabelClick|Item
ItemTVLabelRoot|ItemTVLabelB|必須(&B)||2|ItemLabelClick|Item
ItemTVLabelRoot|ItemTVLabelC|重要(&C)||3|ItemLabelClick|Item
ItemTVLabelRoot|ItemTVLabelD|未決(&D)||4|ItemLabelClick|Item
ItemTVLabelRoot|ItemTVLabelE|個人用(&E)||5|ItemLabelClick|Item
ItemTVLabelRoot|ItemTVLabelF|計画１(&F)||6|ItemLabelClick|Item
ItemTVLabelRoot|ItemTVLabelG|計画２(&G)||7|ItemLabelClick|Item
PopupMenuExplorer|N41|文字数の表示(&V)||0|N41Click|Menu
N41|ItemSelfCharNums|self||0||Item
N41|ItemNodeCharNums|node||0||Item
PopupMenuExplorer|CreateTVSister|同一階層に新規項目を作成(&N)||0||Menu
CreateTVSister|ItemTVSisterPrev|すぐ上(&P)||1|ItemSisterClick|Item
CreateTVSister|ItemTVSisterNext|すぐ下(&N)||2|ItemSisterClick|Item
CreateTVSister|ItemTVSisterFirst|一番上(&F)||3|ItemSisterClick|Item
CreateTVSister|ItemTVSisterLast|一番下(&L)||4|ItemSisterClick|Item
PopupMenuExplorer|CreateTVDaughter|一つ下の階層に新規項目を作成(&S)||0||Menu
CreateTVDaughter|ItemTVChildFirst|一番上(&F)||5|ItemSisterClick|Item
CreateTVDaughter|ItemTVChildLast|一番下(&L)||6|ItemSisterClick|Item
PopupMenuExplorer|CreateTVAunt|一つ上の階層に新規項目を作成(&A)||0||Menu
CreateTVAunt|ItemTVAuntPrev|すぐ上(&P)||1|ItemAuntClick|Item
CreateTVAunt|ItemTVAuntNext|すぐ下(&N)||2|ItemAuntClick|Item
CreateTVAunt|ItemTVAuntFirst|一番上(&F)||3|ItemAuntClick|Item
CreateTVAunt|ItemTVAuntLast|一番下(&L)||4|ItemAuntClick|Item
PopupMenuExplorer|CreateTVClipping|クリップボードから項目を作成(&K)||0||Menu
CreateTVClipping|ItemTVClipPrev|すぐ上へ(&P)||1|ItemClippingClick|Item
CreateTVClipping|ItemTVClipNext|すぐ下へ(&N)||2|ItemClippingClick|Item
CreateTVClipping|ItemTVClipFirst|一番上へ(&F)||3|ItemClippingClick|Item
CreateTVClipping|ItemTVClipLast|一番下へ(&L)||4|ItemClippingClick|Item
CreateTVClipping|ItemTVClipChildFirst|子階層の一番上へ(&C)||5|ItemClippingClick|Item
CreateTVClipping|ItemTVClipChildLast|子階層の一番下へ(&D)||6|ItemClippingClick|Item
PopupMenuExplorer|ItemTVDelete|削除(&D)||0|ItemDeleteClick|Item
PopupMenuExplorer|ItemTVEmptyTrash|ごみ箱を空に(&B)||0|ItemTVEmptyTrashClick|Item
PopupMenuExplorer|ItemTVUndo|削除した項目を復元させる(&U)||0|ItemUndoClick|Item
PopupMenuExplorer|ItemTVCut|切り取り(&T)||0|ItemCutClick|Item
PopupMenuExplorer|ItemTVCopy|コピー(&C)||0|ItemCopyClick|Item
PopupMenuExplorer|ItemCopyNodeLink|項目へのリンクをコピー(&I)||0|ItemCopyNodeLinkClick|Item
PopupMenuExplorer|ItemTVPaste|貼り付け(&P)||0|ItemPasteClick|Item
PopupMenuExplorer|ItemTVMove|移動(&M)||0||Menu
ItemTVMove|ItemTVLeft|左へ階層を上げる(&L)||1|ItemNodeMoveClick|Item
ItemTVMove|ItemTVRight|右へ階層を下げる(&R)||2|ItemNodeMoveClick|Item
ItemTVMove|ItemTVUp|上へ(&U)||3|ItemNodeMoveClick|Item
ItemTVMove|ItemTVDown|下へ(&D)||4|ItemNodeMoveClick|Item
PopupMenuExplorer|N22|選択項目を保存(&O)||0|ItemSaveSelectionClick|Item
PopupMenuExplorer|ItemTVSort|一つ下の階層を昇順に並び替え(&R)||0|ItemTVSortClick|Item
|PopupMenuRichEdit|||0|PopupMenuRichEditPopup|Popup
PopupMenuRichEdit|ItemRichEditUndo|元に戻す(&U)||0|ItemUndoClick|Item
PopupMenuRichEdit|ItemRichEditCut|切り取り(&T)||0|ItemCutClick|Item
PopupMenuRichEdit|ItemRichEditCopy|コピー(&C)||0|ItemCopyClick|Item
PopupMenuRichEdit|ItemRichEditPaste|貼り付け(&P)||0|ItemPasteClick|Item
PopupMenuRichEdit|ItemPasteAsText|テキスト形式で貼り付け(&V)||0|ItemPasteAsTextClick|Item
PopupMenuRichEdit|ItemRichEditDelete|削除(&D)||0|ItemDeleteClick|Item
PopupMenuRichEdit|ItemRichEditSelectAll|すべて選択(&A)||0||Menu
ItemRichEditSelectAll|ItemCutAll|切り取り(&T)||1|ItemSelectAllClick|Item
ItemRichEditSelectAll|ItemCopyAll|コピー(&C)||2|ItemSelectAllClick|Item
ItemRichEditSelectAll|N29|選択のみ(&S)||0|ItemSelectAllClick|Item
PopupMenuRichEdit|ItemClipSelection|選択範囲を(&S)||0||Menu
ItemClipSelection|ItemSelectionToNodeTitle|項目名にする(&N)||0|ItemSelectionToNodeTitleClick|Item
ItemClipSelection|ItemCutClipSelction|切り取ってクリッピング(&T)||1|ItemClipSelctionClick|Item
ItemClipSelection|ItemCopyClipSelection|コピーしてクリッピング(&C)||2|ItemClipSelctionClick|Item
PopupMenuRichEdit|ItemRichEditSelectBelow|キャレットから最後までを選択(&E)||0||Menu
ItemRichEditSelectBelow|ItemCutBelow|切り取り(&T)||1|ItemSelectBelowClick|Item
ItemRichEditSelectBelow|ItemCopyBolow|コピー(&C)||2|ItemSelectBelowClick|Item
ItemRichEditSelectBelow|ItemClipBelow|切り取ってクリッピング(&K)||3|ItemSelectBelowClick|Item
ItemRichEditSelectBelow|ItemSelectBelow|選択のみ(&S)||0|ItemSelectBelowClick|Item
PopupMenuRichEdit|ItemInsertDateTime|現在の日時を挿入(&D)||0|ItemInsertDateTimeClick|Item
PopupMenuRichEdit|ItemJumpOnClick|リンクをクリックするとジャンプ(&K)||0|ItemJumpOnClickClick|Item
PopupMenuRichEdit|ItemLoadFileContent|ファイルの内容を挿入(&I)...||0|ItemLoadFileContentClick|Item
PopupMenuRichEdit|ItemAddFileLink|ファイルへのリンクを挿入(&F)||0|ItemAddFileLinkClick|Item
PopupMenuRichEdit|ItemOpenSelection|選択範囲をURLとして強制的に開く(&O)||0|ItemOpenSelectionClick|Item
PopupMenuRichEdit|N24|現在行へのリンクをコピー(&L)||0||Menu
N24|ItemCopyLineLinkInside|項目内(&I)||0|ItemCopyLineLinkInsideClick|Item
N24|ItemCopyLineLinkOutside|項目外(&O)||0|ItemCopyLineLinkOutsideClick|Item
|PopupMenuLink|||0|PopupMenuLinkPopup|Popup
PopupMenuLink|ItemOpenLink|リンク先ファイルを開く(&O)||0|ItemOpenLinkClick|Item
PopupMenuLink|ItemLinkFolder|１つ上のフォルダを開く(&F)||0|ItemLinkFolderClick|Item
PopupMenuLink|ItemSendTo|送る(&N)||0||Item
PopupMenuLink|ItemAddLink|リンクを追加(&A)||0|ItemAddLinkClick|Item
PopupMenuLink|ItemEditLink|リンクを編集(&E)||0|ItemEditLinkClick|Item
PopupMenuLink|ItemDeleteLink|リンクを削除(&D)||0|ItemDeleteClick|Item
PopupMenuLink|ItemCopyLink|リンクをコピー(&C)||0|ItemCopyLinkClick|Item
PopupMenuLink|ItemDeleteLinkFile|リンク先ファイルを削除||0|ItemDeleteLinkFileClick|Item
|PopupMenuTray|||0|PopupMenuTrayPopup|Popup
PopupMenuTray|ItemTrayFileTitle|||0||Item
PopupMenuTray|ItemTrayShow|ウィンドウを表示する(&F)||0|ItemBecomeForegroundClick|Item
PopupMenuTray|ItemTrayClip|クリッピングする(&C)||10|ItemClippingClick|Item
PopupMenuTray|ItemTrayAutoClipping|自動クリッピング(&K)||0|ItemAutoClippingClick|Item
PopupMenuTray|ItemTrayExit|終了する(&X)||0|ItemExitClick|Item
|PopupCoolLabel|||0||Popup
|PopupMenuWrenBox|||0|PopupMenuWrenBoxPopup|Popup
PopupMenuWrenBox|ItemHistory|その他の履歴(&H)||0||Menu
ItemHistory|N50|存在しない履歴を削除(&E)||0|N50Click|Item
ItemHistory|N52|全ての履歴をクリア(&C)||0|N52Click|Item
PopupMenuWrenBox|ItemRenameFile|ファイル名変更(&R)||0|ItemRenameFileClick|Item
PopupMenuWrenBox|ItemOpenWrenFolder|フォルダを開く(&F)||0|ItemOpenWrenFolderClick|Item
|PopupMenuBack|||0|PopupMenuBackPopup|Popup
|PopupMenuForward|||0|PopupMenuForwardPopup|Popup
|PopupMenu1|||0||Popup
DockTop|TBRStandard|標準||0||Toolbar
TBRStandard|TBSave|上書き保存||0|ItemSaveClick|Button
TBRStandard|TBBack|戻る||0|TBBackClick|Button
TBRStandard|TBForward|進む||0|TBForwardClick|Button
DockTop|TBRMakeNode|項目作成・削除||0||Toolbar
TBRMakeNode|TBNewSister|同一階層に新規項目を作成||7|ItemSisterClick|Button
TBRMakeNode|TBNewDaughter|一つ下の階層に新規項目を作成||8|ItemSisterClick|Button
TBRMakeNode|TBNewAunt|一つ上の階層に新規項目を作成||9|ItemAuntClick|Button
TBRMakeNode|TBClipping|クリップボードから項目を作成||10|ItemClippingClick|Button
TBRMakeNode|TBDelete|削除||0|ItemDeleteClick|Button
DockTop|TBRFind|検索||0||Toolbar
TBRFind|TBFind|一覧検索||0|ItemFindClick|Button
TBRFind|TBListUpProcs|進行中項目の一覧||0|ItemListUpProcsClick|Button
TBRFind|TBListUpUnfinished|未完了項目の一覧||0|ItemListUpUnfinishedClick|Button
TBRFind|TBListUpOutOfDate|期限切れ項目の一覧||0|ItemListUpOutOfDateClick|Button
TBRFind|TBListUpCurrentNodes|現在の階層の項目一覧||0|TBListUpCurrentNodesClick|Button
DockTop|TBRView|表示||0||Toolbar
TBRView|TBShowExView|ツリービューの表示||0|ItemShowExViewClick|Button
TBRView|TBShowCalendar|カレンダーの表示||0|ItemShowCalendarClick|Button
TBRView|TBShowFocusTray|フォーカストレイの表示||0|ItemShowFocusTrayClick|Button
TBRView|TBShowDate|日付パネルの表示||0|ItemShowDatePanelClick|Button
TBRView|TBShowLinkPanel|リンクパネルの表示||0|ItemShowLinkPanelClick|Button
DockTop|TBRMoveNode|項目移動||0||Toolbar
TBRMoveNode|TBLeft|左へ階層を上げる||1|ItemNodeMoveClick|Button
TBRMoveNode|TBRight|右へ階層を下げる||2|ItemNodeMoveClick|Button
TBRMoveNode|TBUp|上へ移動||3|ItemNodeMoveClick|Button
TBRMoveNode|TBDown|下へ移動||4|ItemNodeMoveClick|Button
DockTop|TBRStyle|書式||0||Toolbar
TBRStyle|FontBox|フォント名||0|FontBoxChange|Widget
TBRStyle|SizeBox|サイズ||0|SizeBoxChange|Widget
TBRStyle|TBBold|太字||1|TBFontStylesClick|Button
TBRStyle|TBItalic|斜体||2|TBFontStylesClick|Button
TBRStyle|TBUnderline|下線||3|TBFontStylesClick|Button
TBRStyle|TBStrikeOut|取消線||4|TBFontStylesClick|Button
TBRStyle|TBUpper|上付||0|TBScriptClick|Button
TBRStyle|TBLower|下付||0|TBScriptClick|Button
TBRStyle|TBColor|色||0|TBColorClick|Button
TBRStyle|TBAlignLeft|左揃え||1|TBParaAttrClick|Button
TBRStyle|TBAlignCenter|中央揃え||2|TBParaAttrClick|Button
TBRStyle|TBAlignRight|右揃え||3|TBParaAttrClick|Button
TBRStyle|TBBullet|箇条書き||4|TBParaAttrClick|Button
)";

struct Expected {
    QString parent, name, caption, shortcut, handler, kind;
    int tag = 0;
};

QList<Expected> expectedRows() {
    QList<Expected> rows;
    for (const QString& line : QString::fromUtf8(kExpected).split(QLatin1Char('\n'))) {
        if (line.isEmpty())
            continue;
        const QStringList f = line.split(QLatin1Char('|'));
        EXPECT_EQ(f.size(), 7) << line.toStdString();
        if (f.size() != 7)
            continue;
        rows.append({f[0], f[1], f[2], f[3], f[5], f[6], f[4].toInt()});
    }
    return rows;
}

QString kindName(TCommandRow::Kind k) {
    switch (k) {
    case TCommandRow::MenuBar:
        return QStringLiteral("MenuBar");
    case TCommandRow::Popup:
        return QStringLiteral("Popup");
    case TCommandRow::Menu:
        return QStringLiteral("Menu");
    case TCommandRow::Item:
        return QStringLiteral("Item");
    case TCommandRow::Toolbar:
        return QStringLiteral("Toolbar");
    case TCommandRow::Button:
        return QStringLiteral("Button");
    case TCommandRow::Widget:
        return QStringLiteral("Widget");
    default:
        return QStringLiteral("Separator");
    }
}

} // namespace

TEST(CommandTable, EveryRowHasItsNameCaptionShortcutTagAndHandler) {
    TFormMain form;
    TCommandTable& t = *form.Commands;
    const QList<Expected> rows = expectedRows();
    ASSERT_GT(rows.size(), 280);
    QSet<QString> expectedNames;
    for (const Expected& e : rows) {
        SCOPED_TRACE(e.name.toStdString());
        expectedNames.insert(e.name);
        const TCommandRow* r = t.row(e.name);
        ASSERT_NE(r, nullptr);
        EXPECT_EQ(QString::fromUtf8(r->parent), e.parent);
        EXPECT_EQ(QString::fromUtf8(r->handler), e.handler);
        EXPECT_EQ(r->tag, e.tag);
        EXPECT_EQ(kindName(r->kind), e.kind);
        QAction* a = t.action(e.name);
        if (e.kind == QLatin1String("Item")) {
            ASSERT_NE(a, nullptr);
            EXPECT_EQ(a->text(), e.caption);
            EXPECT_EQ(a->shortcut(),
                      QKeySequence::fromString(e.shortcut, QKeySequence::PortableText));
        } else if (e.kind == QLatin1String("Menu")) {
            ASSERT_NE(t.menu(e.name), nullptr);
            EXPECT_EQ(t.menu(e.name)->title(), e.caption);
            EXPECT_EQ(t.menu(e.name)->objectName(), e.name);
        } else if (e.kind == QLatin1String("Popup")) {
            ASSERT_NE(t.menu(e.name), nullptr);
            EXPECT_EQ(t.menu(e.name)->objectName(), e.name);
        } else if (e.kind == QLatin1String("Button")) {
            ASSERT_NE(a, nullptr);
            EXPECT_EQ(a->toolTip(), e.caption);
            QToolBar* bar = t.toolBar(e.parent);
            ASSERT_NE(bar, nullptr);
            EXPECT_TRUE(bar->actions().contains(a));
        } else if (e.kind == QLatin1String("Toolbar")) {
            ASSERT_NE(t.toolBar(e.name), nullptr);
            EXPECT_EQ(t.toolBar(e.name)->windowTitle(), e.caption);
        } else if (e.kind == QLatin1String("Widget")) {
            ASSERT_NE(t.widget(e.name), nullptr);
            EXPECT_EQ(t.widget(e.name)->toolTip(), e.caption);
        }
    }
    // Nothing more than that.
    for (const QString& name : t.objectNames())
        EXPECT_TRUE(expectedNames.contains(name)) << name.toStdString();
}

TEST(CommandTable, MenusHangWhereTheyBelong) {
    TFormMain form;
    TCommandTable& t = *form.Commands;
    const QList<QAction*> top = form.menuBar()->actions();
    QStringList titles;
    for (QAction* a : top)
        titles << a->text();
    EXPECT_EQ(titles, (QStringList{"ファイル(&F)", "編集(&E)", "検索(&S)", "表示(&V)", "ツリー(&T)",
                                   "書式(&O)", "出力(&U)", "設定(&P)", "ヘルプ(&H)"}));
    // Order inside a submenu follows the table.
    QStringList clip;
    for (QAction* a : t.menu(QStringLiteral("ItemClipping"))->actions())
        clip << a->objectName();
    EXPECT_EQ(clip, (QStringList{"ItemClipNext", "ItemClipPrev", "ItemClipLast", "ItemClipFirst",
                                 "ItemClipChildLast", "ItemClipChildFirst"}));
    QStringList toolbars;
    for (QToolBar* b : t.toolBars())
        toolbars << b->objectName();
    EXPECT_EQ(toolbars, (QStringList{"TBRStandard", "TBRMakeNode", "TBRFind", "TBRView",
                                     "TBRMoveNode", "TBRStyle"}));
    // The invisible focus commands are not shown in the Edit menu.
    EXPECT_FALSE(t.menu(QStringLiteral("MenuEdit"))
                     ->actions()
                     .contains(t.action(QStringLiteral("ItemFocusOnExView"))));
}

TEST(CommandTable, EveryCommandReachesItsHandlerWithItsTag) {
    TFormMain form;
    TCommandTable& t = *form.Commands;
    QString lastHandler;
    int lastTag = -1;
    QSet<QString> handlers;
    for (const TCommandRow& r : CommandRows())
        if (r.handler[0])
            handlers.insert(QString::fromUtf8(r.handler));
    for (const QString& h : handlers)
        t.setHandler(h, [&lastHandler, &lastTag, h](int tag) {
            lastHandler = h;
            lastTag = tag;
        });
    int reached = 0;
    for (const TCommandRow& r : CommandRows()) {
        if (!r.handler[0] || r.kind == TCommandRow::Separator)
            continue;
        const QString name = QString::fromUtf8(r.name);
        SCOPED_TRACE(name.toStdString());
        lastHandler.clear();
        lastTag = -1;
        t.setCommandEnabled(name, true); // states follow the window, not the routing
        t.trigger(name);
        EXPECT_EQ(lastHandler, QString::fromUtf8(r.handler));
        EXPECT_EQ(lastTag, r.tag);
        ++reached;
    }
    EXPECT_GT(reached, 200);
}

TEST(CommandTable, CommandsOfLaterWorkStayDisabledAndOwnOnesAreEnabled) {
    TFormMain form;
    TCommandTable& t = *form.Commands;
    // Moves and progress wait for an item; the rest for their own work.
    for (const char* name :
         {"ItemProceedingM", "TBBack", "ItemNodeLeft", "TBLeft", "ItemCopyNodeLink"}) {
        QAction* a = t.action(QString::fromLatin1(name));
        if (a) {
            EXPECT_FALSE(a->isEnabled()) << name;
        }
    }
    for (const char* name :
         {"ItemSisterNext", "ItemTVChildLast", "TBNewSister", "TBNewDaughter", "TBClipping",
          "ItemTrayClip", "ItemAutoClipping", "ItemShowStatusBar", "ItemChangeSplit",
          "ItemTitleLimit", "ItemFocusOnRichEdit", "ItemCut", "ItemDelete", "TBDelete", "ItemUndo",
          "ItemFullCollapse", "O1", "ItemLoadWZFile"})
        EXPECT_TRUE(t.action(QString::fromLatin1(name))->isEnabled()) << name;
    // The tray's title line never is.
    EXPECT_FALSE(t.action(QStringLiteral("ItemTrayFileTitle"))->isEnabled());
    // Taking the handlers away disables a command, installing one enables it.
    t.setHandler(QStringLiteral("ItemFindClick"), {});
    EXPECT_FALSE(t.action(QStringLiteral("ItemFind"))->isEnabled());
    EXPECT_FALSE(t.action(QStringLiteral("TBFind"))->isEnabled());
    t.setHandler(QStringLiteral("ItemFind"), [](int) {});
    EXPECT_TRUE(t.action(QStringLiteral("ItemFind"))->isEnabled());
    EXPECT_FALSE(t.action(QStringLiteral("TBFind"))->isEnabled()); // its own row only
    t.setHandler(QStringLiteral("ItemFindClick"), [](int) {});
    EXPECT_TRUE(t.action(QStringLiteral("TBFind"))->isEnabled());
}

TEST(CommandTable, AnExceptionInAHandlerIsReportedAndTheWindowLivesOn) {
    TFormMain form;
    TCommandTable& t = *form.Commands;
    QString reported;
    t.ErrorReporter = [&reported](const QString& m) { reported = m; };
    t.setHandler(QStringLiteral("ItemSave"),
                 [](int) { throw std::runtime_error("書き込めません"); });
    t.trigger(QStringLiteral("ItemSave"));
    EXPECT_EQ(reported, QStringLiteral("書き込めません"));
    // And through the default reporter: a message box.
    TFormMain other;
    other.Commands->setHandler(QStringLiteral("ItemSave"),
                               [](int) { throw std::runtime_error("壊れています"); });
    const int before = MessageBox::count();
    other.Commands->trigger(QStringLiteral("ItemSave"));
    EXPECT_EQ(MessageBox::count(), before + 1);
    EXPECT_EQ(MessageBox::lastText(), QStringLiteral("壊れています"));
}

TEST(CommandTable, ApplicationShowsWhatEscapesAnEventHandler) {
    struct Thrower : QObject {
        bool event(QEvent* e) override {
            if (e->type() == QEvent::User)
                throw std::runtime_error("想定外");
            return QObject::event(e);
        }
    } thrower;
    const int before = MessageBox::count();
    QEvent e(QEvent::User);
    EXPECT_FALSE(QCoreApplication::sendEvent(&thrower, &e));
    EXPECT_EQ(MessageBox::count(), before + 1);
    EXPECT_EQ(MessageBox::lastText(), QStringLiteral("想定外"));
}

TEST(CommandTable, OpeningAMenuRunsItsHandlerAndUpdatesStates) {
    TFormMain form;
    TCommandTable& t = *form.Commands;
    int opened = 0;
    t.setHandler(QStringLiteral("MenuOutputClick"), [&opened](int) { ++opened; });
    Q_EMIT t.menu(QStringLiteral("MenuOutput"))->aboutToShow();
    EXPECT_EQ(opened, 1);
    form.statusBar()->hide();
    t.trigger(QStringLiteral("MenuView"));
    EXPECT_FALSE(t.isChecked(QStringLiteral("ItemShowStatusBar")));
    form.statusBar()->show();
    t.trigger(QStringLiteral("MenuView"));
    EXPECT_TRUE(t.isChecked(QStringLiteral("ItemShowStatusBar")));
}

TEST(CommandTable, InvisibleFocusItemsKeepTheirShortcuts) {
    TFormMain form;
    FillBooks(form, {QStringLiteral("A")});
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    form.ExplorerView->setFocus();
    ASSERT_TRUE(WaitFor([&] { return form.ExplorerView->hasFocus(); }));
    QTest::keyClick(&form, Qt::Key_R, Qt::ControlModifier);
    EXPECT_TRUE(WaitFor([&] { return form.RichEdit->hasFocus(); }));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_E, Qt::ControlModifier);
    EXPECT_TRUE(WaitFor([&] { return form.ExplorerView->hasFocus(); }));
}

TEST(CommandTable, DialogsAnswerFromTheQueueWithoutShowing) {
    MessageBox::setNextAnswer(QMessageBox::No);
    MessageBox::setNextAnswer(QMessageBox::Cancel);
    EXPECT_EQ(MessageBox::question(nullptr, QStringLiteral("t"), QStringLiteral("保存しますか？"),
                                   QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel),
              QMessageBox::No);
    EXPECT_EQ(MessageBox::lastText(), QStringLiteral("保存しますか？"));
    EXPECT_EQ(MessageBox::question(nullptr, QStringLiteral("t"), QStringLiteral("二つ目")),
              QMessageBox::Cancel);
    // Then the standing answer of the test program.
    EXPECT_EQ(MessageBox::warning(nullptr, QStringLiteral("t"), QStringLiteral("三つ目")),
              QMessageBox::Ok);

    FileDialog::setNextFileName(QStringLiteral("/tmp/a.wrn"));
    FileDialog::setNextFileName(QString());
    EXPECT_EQ(FileDialog::getOpenFileName(nullptr, QStringLiteral("開く")),
              QStringLiteral("/tmp/a.wrn"));
    EXPECT_EQ(FileDialog::lastCaption(), QStringLiteral("開く"));
    EXPECT_TRUE(FileDialog::getSaveFileName(nullptr, QStringLiteral("保存")).isEmpty());
}

TEST(CommandTable, WithoutAnX11DisplayTheHotKeyFailsQuietly) {
    TFormMain form;
    EXPECT_FALSE(TDesktopClipping::of(form)->x11HotKey()->isRegistered());
    EXPECT_FALSE(TDesktopClipping::of(form)->RegisterHotKey());
}

TEST(CommandTable, TrayClickBringsTheWindowUpAndItsMenuShowsAutoClipping) {
    TFormMain form;
    FillBooks(form, {QStringLiteral("A")});
    ASSERT_TRUE(form.isHidden());
    Q_EMIT form.TrayIcon1->activated(QSystemTrayIcon::Trigger);
    EXPECT_TRUE(form.isVisible());
    form.showMinimized();
    form.Commands->trigger(QStringLiteral("ItemTrayShow"));
    EXPECT_FALSE(form.isMinimized());
    form.AutoClipping = true;
    form.Commands->trigger(QStringLiteral("PopupMenuTray"));
    EXPECT_TRUE(form.Commands->isChecked(QStringLiteral("ItemTrayAutoClipping")));
    form.Commands->trigger(QStringLiteral("MenuEdit"));
    EXPECT_TRUE(form.Commands->isChecked(QStringLiteral("ItemAutoClipping")));
    form.AutoClipping = false;
}

TEST(CommandTable, TreeMenusOfferClippingOnlyWithTextAndTheAuntOnlyWithAParent) {
    TFormMain form;
    FillBooks(form, {QStringLiteral("A")});
    TOutlineNode* a = form.Outline->topLevel(0);
    TLeafNote* child = TLeafNote::Create(*form.Outline, InsertLastChild, a);
    TCommandTable& t = *form.Commands;
    QGuiApplication::clipboard()->clear();
    form.GoToItem(a->item());
    t.trigger(QStringLiteral("PopupMenuExplorer"));
    EXPECT_FALSE(t.action(QStringLiteral("CreateTVClipping"))->isEnabled());
    EXPECT_FALSE(t.action(QStringLiteral("CreateTVAunt"))->isEnabled());
    t.trigger(QStringLiteral("MenuTree"));
    EXPECT_FALSE(t.action(QStringLiteral("ItemClipping"))->isEnabled());
    EXPECT_FALSE(t.action(QStringLiteral("ItemCreateAunt"))->isEnabled());
    QGuiApplication::clipboard()->setText(QStringLiteral("x"));
    form.GoToItem(child);
    t.trigger(QStringLiteral("MenuTree"));
    EXPECT_TRUE(t.action(QStringLiteral("ItemClipping"))->isEnabled());
    EXPECT_TRUE(t.action(QStringLiteral("ItemCreateAunt"))->isEnabled());
    // The tray's clipping entry is never disabled.
    QGuiApplication::clipboard()->clear();
    t.trigger(QStringLiteral("PopupMenuTray"));
    EXPECT_TRUE(t.action(QStringLiteral("ItemTrayClip"))->isEnabled());
}

TEST(CommandTable, WhileAnArrowKeyIsHeldThePageStays) {
    TFormMain form;
    FillBooks(form, {QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")});
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    form.GoToItem(form.Outline->topLevel(0)->item());
    form.ExplorerView->setFocus();
    QTest::keyPress(form.ExplorerView, Qt::Key_Down);
    QTest::keyPress(form.ExplorerView, Qt::Key_Down, Qt::NoModifier);
    QTest::qWait(50);
    EXPECT_EQ(form.Outline->selectedNode(), form.Outline->topLevel(2));
    EXPECT_EQ(form.CurrentItem, form.Outline->topLevel(0)->item());
    QTest::keyRelease(form.ExplorerView, Qt::Key_Down);
    EXPECT_TRUE(WaitFor([&] { return form.CurrentItem == form.Outline->topLevel(2)->item(); }));
}

TEST(CommandTable, AnArrowKeyReleasedInAnotherPaneHoldsThePageNoLonger) {
    TFormMain form;
    FillBooks(form, {QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")});
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    form.GoToItem(form.Outline->topLevel(0)->item());
    form.ExplorerView->setFocus();
    ASSERT_TRUE(WaitFor([&] { return form.ExplorerView->hasFocus(); }));
    QTest::keyPress(form.ExplorerView, Qt::Key_Down);
    form.RichEdit->setFocus();
    ASSERT_TRUE(WaitFor([&] { return form.RichEdit->hasFocus(); }));
    QTest::keyRelease(form.RichEdit, Qt::Key_Down);
    form.Outline->setSelectedNode(form.Outline->topLevel(2));
    EXPECT_TRUE(WaitFor([&] { return form.CurrentItem == form.Outline->topLevel(2)->item(); }));
}

TEST(CommandTable, FontNamesAreSortedAndTrimmedFromTheFront) {
    const QStringList trimmed =
        SortAndTrimFontNames({QStringLiteral("Serif"), QStringLiteral("@ＭＳ ゴシック"),
                              QStringLiteral("arial"), QStringLiteral("123 Font"),
                              QStringLiteral("Bitstream"), QStringLiteral("ＭＳ Ｐゴシック")});
    ASSERT_GE(trimmed.size(), 4);
    EXPECT_EQ(trimmed.first(), QStringLiteral("arial"));
    EXPECT_FALSE(trimmed.contains(QStringLiteral("123 Font")));
    EXPECT_FALSE(trimmed.contains(QStringLiteral("@ＭＳ ゴシック")));
    EXPECT_LT(trimmed.indexOf(QStringLiteral("Bitstream")),
              trimmed.indexOf(QStringLiteral("Serif")));
    // Only the front is trimmed.
    EXPECT_TRUE(SortAndTrimFontNames({QStringLiteral("1a"), QStringLiteral("2b")}).isEmpty());
    TFormMain form;
    auto* box = qobject_cast<QComboBox*>(form.Commands->widget(QStringLiteral("FontBox")));
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->count(), InstalledFonts().size());
}

TEST(CommandTable, TheCloseQueryCanKeepTheWindowOpen) {
    TFormMain form;
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    int asked = 0;
    bool allow = false;
    form.CloseQuery = [&] {
        ++asked;
        return allow;
    };
    EXPECT_FALSE(form.close());
    EXPECT_TRUE(form.isVisible());
    allow = true;
    EXPECT_TRUE(form.close());
    EXPECT_EQ(asked, 2);
}

TEST(CommandTable, EarlierLayoutFontsTakeTheInstalledFontsCharacterSet) {
    QString latin;
    for (const QString& family : QFontDatabase::families())
        if (!QFontDatabase::writingSystems(family).contains(QFontDatabase::Japanese) &&
            Cp932::canEncode(family)) {
            latin = family;
            break;
        }
    QString japanese;
    for (const QString& family : QFontDatabase::families())
        if (QFontDatabase::writingSystems(family).contains(QFontDatabase::Japanese) &&
            Cp932::canEncode(family)) {
            japanese = family;
            break;
        }
    const QString missing = QStringLiteral("入っていない書体");
    const auto fontBody = [](ByteBuilder& b, const QString& name) {
        b.str(Cp932::fromUnicode(name)).i32(9).i32(0).u8(0).u8(0).u8(0);
    };
    ByteBuilder b;
    b.u8(0);
    b.u8(3).u8(0).i32(200).i32(100).u8(1).u8(0);
    fontBody(b, latin.isEmpty() ? missing : latin);
    b.u8(4).u8(0);
    fontBody(b, japanese.isEmpty() ? missing : japanese);
    b.u8(5).u8(0);
    fontBody(b, missing);
    b.u8(1);

    TFormMain form;
    TByteReader in(b.bytes());
    form.Options->ReadFromStream(in);
    EXPECT_EQ(form.Options->TreeViewFont.Charset, latin.isEmpty() ? 128 : 0);
    EXPECT_EQ(form.Options->TitleFont.Charset, 128);
    EXPECT_EQ(form.Options->LinkFont.Charset, 128);
    EXPECT_FALSE(latin.isEmpty()) << "no font without Japanese installed; half the test ran";
}
