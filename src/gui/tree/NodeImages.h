#pragma once

#include <QIcon>
#include <QPixmap>

// The image lists of the window, drawn by us and kept as resources.
//  NodeImages 0..12: book closed/open, folder closed/open, leaf, plain/rich
//  page marks, due/overdue, progress overlays (8, 9, 10), trash empty/full.
//  LabelImages 0..7: the label marks.
namespace NodeImages {

constexpr int Count = 13;
constexpr int LabelCount = 8;
constexpr int Size = 16;

QPixmap node(int index);
QPixmap label(int index);
// The tree's picture of an item: the label mark (state image) left of the
// node image, with the progress overlay (-1 for none) drawn over it.
QIcon itemIcon(int labelImage, int nodeImage, int overlay);
// The node image with its overlay.
QIcon nodeIcon(int nodeImage, int overlay);
QIcon programIcon();
// Makes the images available in a static build; called by the window.
void ensureResources();

} // namespace NodeImages
