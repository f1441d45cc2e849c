#pragma once

#include <QByteArray>

class TLeafNote;

// Automatic filing: an item whose progress was set moves into the folder of
// its level named for that progress ("進行中項目", "完了項目"), or out of such
// a folder when its progress names none.
namespace ItemFiling {

QByteArray InProgressFolderTitle();
QByteArray DoneFolderTitle();
// The folder title for a progress value; empty for 未着手 and 保留.
QByteArray FolderTitle(int progress);

// Files item by its current Progress. Creates the folder at the bottom of the
// level when none is found. True when the item moved.
bool FileItem(TLeafNote& item);

} // namespace ItemFiling
