// CopyToClipboard: one image on the system clipboard, in every payload the io layer makes
// for it (CF_DIB, PNG, and at 32 bits PBPIXEL32 and Pixia_Transp), each under its mime
// type. The clipboard keeps its own copy of the bytes: the image may go right after.
#pragma once

#include "core/icon.h"

namespace varlen {

// Replaces the clipboard's content. False when not even the CF_DIB form could be made;
// the clipboard then keeps what it had.
bool CopyToClipboard(const CIcon& icon);

}  // namespace varlen
