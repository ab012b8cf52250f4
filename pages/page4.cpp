// Page 4 of the wizard: header texts and a greyed reset button. The page body is still empty.
#include "pages/page4.h"

#include "app/sheet.h"

namespace varlen {

CVarlenPage4::CVarlenPage4(CVarlen* sheet)
    : CVarlenPage(sheet, 4, QStringLiteral("画像フォーマット"),
                  QStringLiteral("アイコンファイルに複数のサイズを含めることができます。\n含める画"
                                 "像フォーマットにチェックを入れてください。\nアイコンファイルを "
                                 "Windows 2000 で使用する場合は、10種類以下にして下さい。")) {}

void CVarlenPage4::OnSetActive() {
    m_pSheet->EnableReset(false);
}

}  // namespace varlen
