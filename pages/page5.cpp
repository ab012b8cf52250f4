// Page 5 of the wizard: header texts and a greyed reset button. The page body is still empty.
#include "pages/page5.h"

#include "app/sheet.h"

namespace varlen {

CVarlenPage5::CVarlenPage5(CVarlen* sheet)
    : CVarlenPage(sheet, 5, QStringLiteral("アイコンファイルの作成"),
                  QStringLiteral("作成するアイコンファイルの名前を入れてください。\n[完了]"
                                 "をクリックすると、ファイルが作成されます。\nリサイズ、減色処理を"
                                 "行うため、多少時間がかかります。\n ")) {}

void CVarlenPage5::OnSetActive() {
    m_pSheet->EnableReset(false);
}

}  // namespace varlen
