// Page 1 of the wizard: header texts. The page body is still empty.
#include "pages/page1.h"

#include "app/sheet.h"

namespace varlen {

CVarlenPage1::CVarlenPage1(CVarlen* sheet)
    : CVarlenPage(sheet, 1, QStringLiteral("画像を開く"),
                  QStringLiteral(
                      "アイコンに使用する画像を用意します。\n画像をファイルから開くか、クリップボー"
                      "ドから貼り付けるか、\nまたはウィンドウ上にドロップしてください。\n ")) {}

}  // namespace varlen
