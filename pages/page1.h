// The source page: open, paste or drop a picture and place it in the icon square.
// Only the page's place in the sheet and its header texts so far; its controls are still
// to come.
#pragma once

#include "pages/varlen_page.h"

namespace varlen {

class CVarlenPage1 : public CVarlenPage {
    Q_OBJECT

  public:
    explicit CVarlenPage1(CVarlen* sheet);
};

}  // namespace varlen
