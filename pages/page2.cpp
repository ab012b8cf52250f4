// Page 2 of the wizard: header texts. The page body is still empty.
#include "pages/page2.h"

#include "app/sheet.h"

namespace varlen {

CVarlenPage2::CVarlenPage2(CVarlen* sheet)
    : CVarlenPage(sheet, 2, QStringLiteral("透過領域"),
                  QStringLiteral("透過領域を設定します。\n右の画像から透過したい色、または領域をク"
                                 "リックしてください。\n ")) {}

}  // namespace varlen
