// The pages' shared state. Trap: the pool is made lazily, so a wizard that is opened and
// closed again starts no threads.
#include "gui/varlen_state.h"

#include <QThread>
#include <algorithm>

#include "core/workers.h"
#include "gui/message_box.h"

namespace varlen {

CVarlenState::CVarlenState() : m_pIcon(CreateIcon(512, 512, 32)) {}

CVarlenState::~CVarlenState() = default;

bool CVarlenState::SaveSettings(QWidget* parent) const {
    if (varlen::SaveSettings(static_cast<const VarlenSettings&>(*this))) {
        return true;
    }
    ShowMessage(parent, {tr("設定を保存できませんでした。\n"
                                        "ディスクの空き容量と設定フォルダの書き込み権限を"
                                        "確認してください。"),
                         MessageIcon::kWarning, MessageButtons::kOk, MessageAnswer::kOk});
    return false;
}

Workers& CVarlenState::Pool() {
    if (!m_pWorkers) {
        m_pWorkers = std::make_unique<Workers>(std::max(1, QThread::idealThreadCount()));
    }
    return *m_pWorkers;
}

void CVarlenState::EnableReset(bool enable) const {
    if (m_fnEnableReset) {
        m_fnEnableReset(enable);
    }
}

}  // namespace varlen
