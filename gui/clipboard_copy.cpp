// Clipboard copy of one image. Contract: the payloads are built by io in their fixed
// order and mapped to mime types by the adapter; QClipboard takes ownership of the mime
// data. Trap: an abandoned copy (no payload at all) must not clear the clipboard, so
// nothing is handed over in that case.
#include "gui/clipboard_copy.h"

#include <QClipboard>
#include <QGuiApplication>

#include "gui/clipboard_adapter.h"
#include "io/clipboard_payloads.h"

namespace varlen {

bool CopyToClipboard(const CIcon& icon) {
    const std::vector<ClipboardPayload> payloads = ClipboardPayloads(icon);
    if (payloads.empty()) {
        return false;
    }
    std::unique_ptr<QMimeData> data = MimeDataFromPayloads(payloads);
    QGuiApplication::clipboard()->setMimeData(data.release());
    return true;
}

}  // namespace varlen
