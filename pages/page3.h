// The filters page: brightness, light, shadow, rounding, sharpening, transparency.
// Only the page's place in the sheet and its header texts so far; its controls are still
// to come.
#pragma once

#include "pages/varlen_page.h"

namespace varlen {

class CVarlenPage3 : public CVarlenPage {
    Q_OBJECT

  public:
    explicit CVarlenPage3(CVarlen* sheet);
};

}  // namespace varlen
