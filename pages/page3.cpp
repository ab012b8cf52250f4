// Page 3 of the wizard: header texts. The page body is still empty.
#include "pages/page3.h"

#include "app/sheet.h"

namespace varlen {

CVarlenPage3::CVarlenPage3(CVarlen* sheet)
    : CVarlenPage(
          sheet, 3, QStringLiteral("フィルタ・加工"),
          QStringLiteral(
              "画像にフィルタ・加工を追加するには、以下のタブ項目を選択してください。\n ")) {}

}  // namespace varlen
