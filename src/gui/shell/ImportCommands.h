#pragma once

class TFormMain;

// "階層付テキストを読み込む": a hierarchical text file becomes a new branch at
// the end of the top level.
void ItemLoadWZFileClick(TFormMain& form);
