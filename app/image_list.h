// The window's list of sixteen 16x16 images (folders, tool-bar commands, list-row marks):
// a fitting icon of the desktop theme when there is one, else a small drawing of our own.
#pragma once

#include <QIcon>

namespace app {

enum ImageIndex {
  kImgFolderOpen = 0,
  kImgFolderClosed = 1,
  kImgReceive = 2,
  kImgNewMessage = 3,
  kImgReply = 4,
  kImgForward = 5,
  kImgDeletionMode = 6,
  kImgStop = 7,
  kImgExit = 8,
  kImgLocalDelete = 9,
  kImgCorner = 10,
  kImgAttachment = 11,
  kImgNoAttachment = 12,
  kImgAccount = 13,
  kImgAddressBook = 14,
  kImgSearch = 15,
  kImageCount = 16,
};

QIcon ImageListIcon(int index);
// The drawn image alone (without the theme), for checks and for the screenshot's fallback.
QPixmap DrawnImage(int index);

}  // namespace app
