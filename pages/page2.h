// The transparency page: clear colours or closed regions of the placed picture.
// Only the page's place in the sheet and its header texts so far; its controls are still
// to come.
#pragma once

#include "pages/varlen_page.h"

namespace varlen {

class CVarlenPage2 : public CVarlenPage {
    Q_OBJECT

  public:
    explicit CVarlenPage2(CVarlen* sheet);
};

}  // namespace varlen
